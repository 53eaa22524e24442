// End to end: the page's shell, system and registry functions in a real packaged app under
// Wine, with the WebView2 test double playing the page. What the registry holds afterwards is
// read back with Wine's own `reg`. The power functions are not played: under Wine they would
// end the whole session (they are checked at their seam).
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  createdPrograms, doubleEnv, driver, kill, packageRaw, runtime, start, transcripts, waitWindow, webviewDouble, wineEnv,
  within,
} from './wine_app.mjs';

let work;
const registryRoot = `Software\\VellumE2E\\${process.pid}`;

function reg(...args) {
  return spawnSync('wine', ['reg', ...args], { env: wineEnv(), encoding: 'utf8', timeout: 30_000 });
}

before(() => {
  for (const needed of [runtime, webviewDouble]) assert.ok(fs.existsSync(needed), `missing ${needed}`);
  assert.ok(process.env.DISPLAY, 'needs a display (scripts/test.sh starts Xvfb)');
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-shell-registry-'));
});
afterEach(() => kill(...createdPrograms));
after(() => {
  reg('delete', `HKCU\\${registryRoot}`, '/f');
  fs.rmSync(work, { recursive: true, force: true });
});

// Starts a packaged app whose page sends `requests` (id, uuid, data) once its page has loaded,
// then app.close. A request that raises shows the "Error" box, which holds back the rest until
// OK is pressed; the texts of those boxes come back with every answer by uuid.
async function play(requests) {
  const dir = fs.mkdtempSync(path.join(work, 'app-'));
  const n = path.basename(dir).replace(/\W/g, '');
  const exe = packageRaw(dir, `shellregistry${n}`, {
    'vlm.ini': `[App]\nID=com.vellum.shellregistry.${process.pid}.${n}\nName=Shell Registry ${n}\nDirName=app\nIndexHtml=index.html\n`,
    'WebView2LoaderWin64.dll': fs.readFileSync(webviewDouble),
    'app/index.html': '<html><head><title>Start</title></head><body>start</body></html>',
  });
  const steps = [...requests, [50001, 'bye', {}]].map(([id, uuid, data]) => ({
    after: 'navigation_completed', action: 'web_message', json: JSON.stringify({ id, uuid, data }),
  }));
  const run = start(exe, [], doubleEnv(dir, { steps }), 120_000);
  const boxes = [];
  const until = Date.now() + 110_000;
  let exitCode = 'running';
  while (exitCode === 'running' && Date.now() < until) {
    const box = waitWindow('Error', 1000);
    if (box) {
      boxes.push(box.controls.map((control) => control.text).join(' '));
      driver('press', 'Error', 'OK');
      driver('gone', 'Error', '10000');
    }
    exitCode = await within(run.exited, 100);
  }
  assert.equal(exitCode, 0, `the app ends with app.close: ${run.output()}`);
  const [records = []] = transcripts(dir);
  const answers = {};
  for (const record of records.filter((r) => r.event === 'post_web_message')) {
    const parts = /^\{"uuid": "([^"\\]*)", "success": (true|false), "result": (.*)\}$/s.exec(record.json);
    assert.ok(parts, `an answer in the bridge's form: ${record.json}`);
    answers[parts[1]] = { success: parts[2] === 'true', result: JSON.parse(parts[3]), text: parts[3] };
  }
  return { answers, boxes };
}

const ok = (result) => ({ success: true, result });
const failed = (result) => ({ success: false, result });
function pick(answers, uuid) {
  assert.ok(answers[uuid], `an answer to ${uuid}`);
  return { success: answers[uuid].success, result: answers[uuid].result };
}

test('shell.command, execute, windows and the adapters', async () => {
  const lines = 'for /L %i in (1,1,40) do @echo line %i of a long output';
  const { answers, boxes } = await play([
    [70003, 'quote', { command: 'echo a"b' }],
    [70003, 'long', { command: lines }],
    [70003, 'stderr', { command: 'echo only standard error 1>&2' }],
    [70003, 'ops', { command: 'echo 1& echo 2|find "2"& echo %vellum_undefined%' }],
    [70003, 'none', {}],
    [70003, 'object', { command: { a: 1 } }],  // no answer: the next request is answered
    [70003, 'bad-dir', { command: 'echo x', workingDir: 'C:\\vellum\\no\\such\\folder' }],
    [70001, 'missing', { filePath: 'C:\\vellum\\no\\such\\file.txt' }],
    [70001, 'no-path', { filePath: '' }],
    [70002, 'explore-none', {}],
    [70004, 'windows', {}],
    [11004, 'macs', {}],
  ]);
  assert.deepEqual(pick(answers, 'quote'), ok('a"b\r\n'));
  assert.equal(answers.quote.text, '"a\\"b\\r\\n"', 'the quote and the line break escaped as JSON');
  assert.ok(answers.long.result.length > 255 && answers.long.result.includes('line 40 of'), answers.long.text);
  assert.deepEqual(pick(answers, 'stderr'), ok('only standard error \r\n'));
  assert.deepEqual(pick(answers, 'ops'), ok('1\r\n2\r\n%vellum_undefined%\r\n'));
  assert.deepEqual(pick(answers, 'none'), failed('Missing command'));
  assert.equal(answers.object, undefined);
  assert.equal(boxes.length, 1, `one error shown: ${boxes}`);
  assert.match(boxes[0], /'command'/);
  assert.deepEqual(pick(answers, 'bad-dir'), ok(''));
  assert.equal(answers.missing.success, false);
  assert.ok(answers.missing.result.length > 0 && !/[.\s]$/.test(answers.missing.result),
    `the system's text without a trailing full stop: ${answers.missing.text}`);
  assert.deepEqual(pick(answers, 'no-path'), failed('Missing filePath'));
  assert.deepEqual(pick(answers, 'explore-none'), failed('Missing filePath'));
  assert.ok(Array.isArray(answers.windows.result) && answers.windows.result.every((t) => t.trim() !== ''),
    answers.windows.text);
  assert.ok(answers.windows.result.length > 0, 'the app\'s own windows at least');
  assert.ok(Array.isArray(answers.macs.result), answers.macs.text);
  for (const entry of answers.macs.result) {
    assert.match(entry, /^[EWU],([0-9A-F]{2}:){5}[0-9A-F]{2}$/);
    assert.notEqual(entry.slice(2), '00:00:00:00:00:00');
  }
});

test('the registry functions against Wine\'s registry', async () => {
  const key = `${registryRoot}\\Store`;
  const text = 'say "hi" \\ C:\\Temp\\ 100% Zoë';
  assert.equal(reg('add', `HKCU\\${key}\\Typed`, '/v', 'dword', '/t', 'REG_DWORD', '/d', '7', '/f').status, 0);
  const { answers, boxes } = await play([
    [13001, 'write', { key: `${key}\\A\\B\\C`, name: 'greeting', value: text }],
    [13002, 'read', { key: `\\${key}\\A\\B\\C`, name: 'GREETING' }],
    [13001, 'number', { key, name: 'answer', value: 42 }],
    [13002, 'read-number', { key, name: 'answer' }],
    [13002, 'read-dword', { key: `${key}\\Typed`, name: 'dword' }],  // no answer
    [13003, 'exists-dword', { key: `${key}\\Typed`, name: 'dword' }],
    [13003, 'exists-elsewhere', { key, name: 'greeting' }],
    [13002, 'read-missing', { key, name: 'missing' }],
    [13002, 'read-missing-key', { key: `${key}\\Missing`, name: 'missing' }],
    [13005, 'key-exists', { key: `${key}\\A\\B` }],
    [13001, 'no-key', { name: 'x', value: 'y' }],
    [13001, 'no-name', { key, value: 'y' }],
    [13006, 'delete-root', { key: '\\' }],
    [13001, 'replace', { key: `${key}\\Typed`, name: 'replaced', value: 'x' }],
    [13001, 'replace-dword', { key: `${key}\\Typed`, name: 'dword', value: 'now text' }],
    [13006, 'delete-tree', { key: `${key}\\A` }],
    [13006, 'delete-again', { key: `${key}\\A` }],
    [13005, 'gone', { key: `${key}\\A\\B` }],
  ]);
  assert.deepEqual(pick(answers, 'write'), ok(true));
  assert.deepEqual(pick(answers, 'read'), ok(text), 'a leading backslash and another letter case reach the same value');
  assert.deepEqual(pick(answers, 'number'), ok(true));
  assert.deepEqual(pick(answers, 'read-number'), ok('42'));
  assert.equal(answers['read-dword'], undefined, 'a DWORD read raises: no answer');
  assert.deepEqual(boxes.map((box) => box.includes("Invalid data type for 'dword'")), [true], `${boxes}`);
  assert.deepEqual(pick(answers, 'exists-dword'), ok(true));
  assert.deepEqual(pick(answers, 'exists-elsewhere'), ok(false));
  assert.deepEqual(pick(answers, 'read-missing'), ok(''));
  assert.deepEqual(pick(answers, 'read-missing-key'), ok(''));
  assert.deepEqual(pick(answers, 'key-exists'), ok(true));
  assert.deepEqual(pick(answers, 'no-key'), failed('Missing registry key.'));
  assert.deepEqual(pick(answers, 'no-name'), failed('Missing value name.'));
  assert.deepEqual(pick(answers, 'delete-root'), ok(false));
  assert.deepEqual(pick(answers, 'delete-tree'), ok(true));
  assert.deepEqual(pick(answers, 'delete-again'), ok(false));
  assert.deepEqual(pick(answers, 'gone'), ok(false));
  const stored = reg('query', `HKCU\\${key}`, '/v', 'answer');
  assert.match(stored.stdout, /answer\s+REG_SZ\s+42/, stored.stdout);
  const typed = reg('query', `HKCU\\${key}\\Typed`);
  assert.match(typed.stdout, /dword\s+REG_SZ\s+now text/, typed.stdout);
  assert.equal(reg('query', `HKCU\\${key}\\A`).status, 1, 'the deleted tree is gone');
  assert.equal(reg('query', 'HKCU\\Software').status, 0, 'the root and its keys stay');
});
