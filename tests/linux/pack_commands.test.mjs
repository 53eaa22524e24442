// The packaging tool's project commands as a newcomer uses them, with the real Linux runtime:
// init writes a project, check finds nothing, build packs it, run starts it and cleans up;
// preview shows the folder itself and reloads the page when a file in it changes.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  appEnv, closeWindow, killAll, linuxRuntime, sleep, start, startDesktop, stopDesktop, vellumPack, waitWindows,
  within, xdotool,
} from './linux_app.mjs';

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-pack-commands-'));

before(async () => { await startDesktop(); });
after(() => {
  killAll();
  stopDesktop();
  fs.rmSync(work, { recursive: true, force: true });
});

function pack(...args) {
  return spawnSync(vellumPack, args, { encoding: 'utf8', timeout: 60_000 });
}

function traceLines(file) {
  if (!fs.existsSync(file)) return [];
  return fs.readFileSync(file, 'utf8').split('\n').filter(Boolean).map((line) => JSON.parse(line));
}

// A message as traced: the JSON object itself, or its text when it was no JSON.
const parsed = (message) => {
  if (typeof message !== 'string') return message;
  try { return JSON.parse(message); } catch { return message; }
};

// The answer the page got for the request with this function id, once it came.
function answerFor(lines, id) {
  const request = lines.find((l) => l.event === 'request' && Number(parsed(l.message)?.id) === id);
  if (!request) return undefined;
  const { uuid } = parsed(request.message);
  const answer = lines.find((l) => l.event === 'answer' && parsed(l.message)?.uuid === uuid);
  return answer && parsed(answer.message);
}

async function waitTrace(file, accept, timeoutMs = 60_000) {
  const until = Date.now() + timeoutMs;
  while (Date.now() < until) {
    const lines = traceLines(file);
    const found = accept(lines);
    if (found) return found;
    await sleep(200);
  }
  return undefined;
}

test('init, check, build and run: the new project works as written', async () => {
  const project = path.join(work, 'First App');
  const init = pack('init', project);
  assert.equal(init.status, 0, init.stderr);

  const check = pack('check', project);
  assert.equal(check.status, 0, check.stderr);
  assert.equal(check.stderr, '', 'no findings');

  const exe = path.join(work, 'first-app');
  const build = pack('build', project, '-o', exe, '--runtime', linuxRuntime);
  assert.equal(build.status, 0, build.stderr);
  assert.ok(fs.statSync(exe).mode & 0o100, 'the app can be started');

  const temporary = fs.mkdtempSync(path.join(work, 'tmp-'));
  const trace = path.join(work, 'run-trace.jsonl');
  const run = start(vellumPack, ['run', project, '--runtime', linuxRuntime],
    appEnv(fs.mkdtempSync(path.join(work, 'data-')), { TMPDIR: temporary, VELLUM_TRACE: trace }));
  // The page asks hello and isRuntime when it loads; a packaged app answers true.
  const packaged = await waitTrace(trace, (lines) => answerFor(lines, 10002));
  assert.ok(packaged, 'the page asked isRuntime and got an answer');
  assert.equal(packaged.result, true);
  assert.match(answerFor(traceLines(trace), 10001).result, /^\d{4}\.\d+$/);
  assert.equal(fs.readdirSync(temporary).length, 1, 'the app runs from a temporary folder');

  // The app's own window (a child of the tool): found by its title, the project's Name.
  const found = xdotool('search', '--onlyvisible', '--name', '^First App$').stdout.split('\n').filter(Boolean);
  assert.equal(found.length, 1, 'one window titled with the Name');
  closeWindow(found[0]);
  const result = await within(run.exited, 30_000);
  assert.notEqual(result, 'running', 'closing the window ends run');
  assert.equal(result.code, 0, result.stderr);
  assert.match(result.stdout, /the app exited with code 0/);
  assert.deepEqual(fs.readdirSync(temporary), [], 'the temporary app is gone');
});

test('preview shows the folder in preview mode and reloads the page when a file changes', async () => {
  const project = path.join(work, 'previewed');
  assert.equal(pack('init', project).status, 0);
  const pages = path.join(project, 'app');
  fs.writeFileSync(path.join(work, 'outside.txt'), 'outside the project');
  fs.symlinkSync(path.join(work, 'outside.txt'), path.join(pages, 'leak.txt'));
  // The page says which version it is, and what it could fetch.
  const page = (version) => `<!doctype html><title>v</title><script>
console.log('page version ' + ${JSON.stringify(version)});
vlm.isRuntime().then((packaged) => console.log('isRuntime ' + packaged));
for (const address of ['file:///leak.txt', 'file:///../vlm.ini', 'file:///app.js'])
  fetch(address).then((r) => r.text()).then((t) => console.log('fetched ' + address + ' ' + t.length),
    () => console.log('refused ' + address));
</script>`;
  fs.writeFileSync(path.join(pages, 'index.html'), page('one'));

  const trace = path.join(work, 'preview-trace.jsonl');
  const preview = start(vellumPack, ['preview', project, '--runtime', linuxRuntime],
    appEnv(fs.mkdtempSync(path.join(work, 'data-')), { VELLUM_TRACE: trace }));
  const first = await waitTrace(trace, (lines) => lines.find((l) => l.event === 'console' && l.text === 'page version one'));
  assert.ok(first, 'the page from the folder ran');
  const runtimeAnswer = await waitTrace(trace, (lines) => answerFor(lines, 10002));
  assert.equal(runtimeAnswer?.result, false, 'isRuntime is false in a preview');
  const refused = await waitTrace(trace, (lines) => {
    const texts = lines.filter((l) => l.event === 'console').map((l) => l.text);
    const settled = (address) => texts.some((t) => t === 'refused ' + address || t.startsWith('fetched ' + address + ' '));
    return settled('file:///app.js') && settled('file:///leak.txt') && settled('file:///../vlm.ini') && texts;
  });
  assert.ok(refused, 'the fetches settled');
  assert.ok(refused.some((t) => t.startsWith('fetched file:///app.js ')), 'a file in the folder is served: ' + refused.join(' / '));
  assert.ok(!refused.some((t) => t.startsWith('fetched file:///leak.txt')), 'a link out of the folder is not');
  assert.ok(!refused.some((t) => t.startsWith('fetched file:///../vlm.ini') && !t.endsWith(' 0')),
    'nothing above the folder is served');
  const served = traceLines(trace).filter((l) => l.event === 'resource' && l.status === 200).map((l) => l.uri);
  assert.ok(!served.some((uri) => uri.includes('leak') || uri.includes('vlm.ini')), served.join(', '));

  const pid = first.pid;
  fs.writeFileSync(path.join(pages, 'index.html'), page('two'));
  const second = await waitTrace(trace, (lines) => lines.find((l) => l.event === 'console' && l.text === 'page version two'), 20_000);
  assert.ok(second, 'the edited page was loaded');
  assert.equal(second.pid, pid, 'by the same process, not a restart');
  assert.ok(traceLines(trace).some((l) => l.event === 'script' && /reload/.test(JSON.stringify(l))), 'through a reload script');

  const [window] = await waitWindows(pid, (w) => w.title === 'previewed', 20_000);
  assert.ok(window, 'the preview window, titled with the Name');

  // A runtime-only function shows its box and is never answered.
  fs.writeFileSync(path.join(pages, 'index.html'), `<!doctype html><script>
console.log('page version three');
vlm.app.getArgs().then(() => console.log('getArgs answered'));
</script>`);
  const asked = await waitTrace(trace, (lines) => lines.find((l) => l.event === 'request' && Number(parsed(l.message)?.id) === 50005), 20_000);
  assert.ok(asked, 'the page asked getArgs');
  const [box] = await waitWindows(pid, (w) => w.id !== window.id, 20_000);
  assert.ok(box, 'a box beside the window');
  xdotool('windowactivate', '--sync', box.id);
  xdotool('key', 'Return');
  await sleep(1000);
  assert.equal(answerFor(traceLines(trace), 50005), undefined, 'no answer');
  assert.ok(!traceLines(trace).some((l) => l.event === 'console' && l.text === 'getArgs answered'));
  closeWindow(window.id);
  const result = await within(preview.exited, 30_000);
  assert.notEqual(result, 'running');
  assert.equal(result.code, 0, result.stderr);
});

test('preview refuses a project that the runtime could not start, and says why', () => {
  const project = path.join(work, 'broken');
  fs.mkdirSync(path.join(project, 'app'), { recursive: true });
  fs.writeFileSync(path.join(project, 'vlm.ini'), '[App]\nID=a.b\nDirName=app\n');
  const result = pack('preview', project, '--runtime', linuxRuntime);
  assert.equal(result.status, 1);
  assert.match(result.stderr, /'Name' is missing/);
});
