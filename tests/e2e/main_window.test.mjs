// End to end: the main window, the browser form and the bridge of a real packaged app under
// Wine, with the WebView2 test double as its loader. The double's scenario plays the page and
// its transcript is the evidence (docs/webview2-double.md).
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  closeApp, closeQueryAnswer, createdPrograms, doubleEnv, driver, kill, packageRaw, runtime, start, transcripts, uiDriver,
  waitWindow, webviewDouble, within, windowsPath,
} from './wine_app.mjs';

let work;
let counter = 0;
const indexHtml = '<html><head><title>Main Page</title></head><body>hi</body></html>';

before(() => {
  for (const needed of [runtime, uiDriver, webviewDouble]) assert.ok(fs.existsSync(needed), `missing ${needed}`);
  assert.ok(process.env.DISPLAY, 'needs a display (scripts/test.sh starts Xvfb)');
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-main-window-'));
});
afterEach(() => kill(...createdPrograms));
after(() => fs.rmSync(work, { recursive: true, force: true }));

// A packaged app with its own identity and a folder of its own for the double's files.
function app(settings = '', files = {}) {
  const n = ++counter;
  const id = `com.vellum.main.${process.pid}.${n}`;
  const name = `Main Window ${n}`;
  const dir = fs.mkdtempSync(path.join(work, `app${n}-`));
  const exe = packageRaw(dir, `main${n}`, {
    'vlm.ini': `[App]\nID=${id}\nName=${name}\nDirName=app\nIndexHtml=index.html\n${settings}`,
    'WebView2LoaderWin64.dll': fs.readFileSync(webviewDouble),
    'app/index.html': indexHtml,
    ...files,
  });
  return { exe, id, name, dir };
}

const message = (json) => ({ action: 'web_message', json: JSON.stringify(json) });
const afterFirstPage = (action, extra = {}) => ({ after: 'navigation_completed', ...extra, ...action });
const events = (records, name) => records.filter((record) => record.event === name);

async function settle(ms) { await new Promise((resolve) => setTimeout(resolve, ms)); }

// Waits until the app's (first) transcript has a record passing `accept`.
async function waitRecord(dir, accept, ms = 15_000) {
  const until = Date.now() + ms;
  while (Date.now() < until) {
    for (const records of transcripts(dir)) if (records.some(accept)) return records;
    await settle(200);
  }
  return null;
}

test('pages and files are served from the archive, beside the executable and by absolute path', async () => {
  const absolute = path.join(work, 'absolute data.txt');
  fs.writeFileSync(absolute, 'absolute!');
  const a = app('', {
    'app/img/my pic.png': Buffer.from('89504e470d0a1a0a', 'hex'),
    'app/lib/app.js': 'window.x = 1;',
    'vlm-webviewjs': 'console.log("package");',
  });
  fs.writeFileSync(path.join(a.dir, 'beside.txt'), 'beside the executable');
  const absoluteUri = `file:///${windowsPath(absolute).replaceAll('\\', '/')}`;
  const uris = ['file:///index.html?x=1', 'file:///img/my%20pic.png', 'file:///lib/app.js', 'file:///beside.txt',
    absoluteUri, 'file:///missing.txt'];
  const steps = uris.map((uri, i) => afterFirstPage({ action: 'navigate', uri }, { occurrence: i + 1 }));
  const run = start(a.exe, [], doubleEnv(a.dir, { steps: [...steps, closeQueryAnswer] }));
  const records = await waitRecord(a.dir, (r) => r.event === 'resource_unanswered' || (r.event === 'navigation_completed' && r.uri === 'file:///missing.txt'));
  assert.ok(records, 'the page visited every address');
  const served = Object.fromEntries(events(records, 'resource_response').map((r) => [r.uri, r]));
  assert.equal(served['file:///index.html'].bytes, indexHtml.length, 'the start page');
  assert.equal(served['file:///index.html'].headers, 'Content-Type: text/html; charset=utf-8');
  assert.equal(served['file:///index.html?x=1'].status, 200);
  assert.equal(served['file:///img/my%20pic.png'].bytes, 8);
  assert.match(served['file:///img/my%20pic.png'].headers, /^Content-Type: image\/.*png; charset=utf-8$/);
  assert.equal(served['file:///lib/app.js'].headers, 'Content-Type: application/javascript; charset=utf-8');
  assert.equal(served['file:///beside.txt'].bytes, 'beside the executable'.length);
  assert.equal(served[absoluteUri]?.bytes, 9, 'an absolute path');
  assert.equal(served['file:///missing.txt'], undefined, 'found nowhere: no answer');

  const [script] = events(records, 'add_document_script');
  assert.ok(script.script.startsWith('\r\ufeff/*'), 'the library comes first, with its byte-order mark');
  assert.ok(script.script.endsWith('\rconsole.log("package");'), 'the package script last');
  assert.deepEqual(events(records, 'settings').map((r) => [r.name, r.value]), [
    ['IsScriptEnabled', 1], ['IsStatusBarEnabled', 0], ['IsWebMessageEnabled', 1], ['IsBuiltInErrorPageEnabled', 1],
    ['IsZoomControlEnabled', 0], ['AreDevToolsEnabled', 0], ['AreDefaultContextMenusEnabled', 0]]);
  assert.ok(await closeApp(a.name));
  assert.equal(await within(run.exited, 15_000), 0);
});

test('the bridge answers by identifier and drops what it cannot read', async () => {
  const a = app();
  const requests = [
    { id: 10002, uuid: 'is-runtime', data: {} },
    { id: '10001', uuid: 'hello-as-string', data: {} },
    { id: 30001.5, uuid: 'fraction', data: {} },
    { id: 99999, uuid: 'unknown', data: {} },
    { id: 10002, uuid: 'last', data: {} },
  ];
  const steps = requests.map((request, i) => afterFirstPage(message(request), { delay_ms: 100 * i }));
  const run = start(a.exe, [], doubleEnv(a.dir, { steps: [...steps, closeQueryAnswer] }));
  const records = await waitRecord(a.dir, (r) => r.event === 'post_web_message' && r.json.includes('"last"'));
  assert.ok(records, 'answers arrived');
  assert.deepEqual(events(records, 'post_web_message').map((r) => r.json), [
    '{"uuid": "is-runtime", "success": true, "result": true}',
    '{"uuid": "hello-as-string", "success": true, "result": "2025.10"}',
    '{"uuid": "last", "success": true, "result": true}',
  ]);
  assert.ok(await closeApp(a.name));
  assert.equal(await within(run.exited, 15_000), 0);
});

test('a request without data, or the click string in runtime mode, raises and gets no answer', async () => {
  for (const [label, action] of [
    ['missing data', message({ id: 10002, uuid: 'no-data' })],
    ['click string', { action: 'web_message', string: 'vlm-webbrowser-clicked' }],
  ]) {
    const a = app();
    const run = start(a.exe, [], doubleEnv(a.dir, { steps: [afterFirstPage(action), closeQueryAnswer] }));
    const box = waitWindow('Error', 15_000);
    assert.ok(box, `${label}: the error is shown`);
    assert.ok(box.controls.some((c) => /Value '(data|id)' not found/.test(c.text)), label);
    driver('press', 'Error', 'OK');
    const records = transcripts(a.dir)[0];
    assert.equal(events(records, 'post_web_message').length, 0, `${label}: no answer`);
    assert.ok(await closeApp(a.name));
    assert.equal(await within(run.exited, 15_000), 0, label);
  }
});

test('closing goes through the page: refused and reported, then closed by app.close', async () => {
  const a = app();
  // This page does not agree to close at once: it closes itself a while after the query.
  const later = { after: 'execute_script', delay_ms: 1500, ...message({ id: 50001, uuid: 'bye', data: {} }) };
  const run = start(a.exe, [], doubleEnv(a.dir, { steps: [later] }));
  assert.ok(waitWindow(a.name));
  assert.ok(await waitRecord(a.dir, (r) => r.event === 'navigation_completed'));
  driver('close', a.name);
  await settle(500);
  assert.equal(driver('count', a.name).stdout.trim(), '1', 'the first close attempt is refused');
  const records = transcripts(a.dir)[0];
  assert.deepEqual(events(records, 'execute_script').map((r) => r.script), ['vlm.events.onCloseQuery();']);
  assert.equal(await within(run.exited, 15_000), 0, 'the page\'s app.close ends the app');
  const final = transcripts(a.dir)[0];
  assert.equal(events(final, 'execute_script').length, 2, 'the close query runs again, now allowed');
  assert.equal(events(final, 'controller_closed')[0].handlers_left, 0);
});

test('default window: 800 x 600, centred, sizeable, normal, not on top', async () => {
  const a = app();
  const run = start(a.exe, [], doubleEnv(a.dir));
  const window = waitWindow(a.name);
  assert.ok(window);
  const [left, top, right, bottom] = window.rect;
  assert.deepEqual([right - left, bottom - top], [800, 600]);
  const [dx, dy, dw, dh] = window.desktop;
  assert.ok(Math.abs(left - (dx + (dw - 800) / 2)) <= 1 && Math.abs(top - (dy + (dh - 600) / 2)) <= 1, 'centred');
  const WS_THICKFRAME = 0x40000, WS_CAPTION = 0xc00000, WS_EX_TOPMOST = 0x8;
  assert.equal(window.style & WS_THICKFRAME, WS_THICKFRAME);
  assert.equal(window.style & WS_CAPTION, WS_CAPTION);
  assert.equal(window.exStyle & WS_EX_TOPMOST, 0);
  assert.equal(window.maximized, false);
  assert.deepEqual(window.controls.map((c) => c.class), ['TBrowserForm', 'msctls_progress32', 'TEdgeBrowser']);
  const container = '[Not visible form: intended to be used to place DPI aware controls]';
  assert.equal(driver('count', container).stdout.trim(), '1', 'the bridge\'s hidden form exists');
  assert.equal(waitWindow(container, 300), null, 'and is never shown');
  assert.ok(await closeApp(a.name));
  assert.equal(await within(run.exited, 15_000), 0);
});

test('WindowStyle 1 is frameless and maximised; WindowState 2 stays normal; WindowOrder 1 on top', async () => {
  const cases = [
    ['WindowStyle=1\nWindowBorder=3\nWindowState=0\n', (w) => {
      assert.equal(w.maximized, true);
      assert.equal(w.style & 0xc00000, 0, 'no caption');
    }],
    ['WindowState=2\nWindowBorder=1\n', (w) => {
      assert.equal(w.maximized, false);
      assert.equal(w.style & 0x40000, 0, 'single: fixed size');
    }],
    ['WindowOrder=1\nWindowState=1\n', (w) => {
      assert.equal(w.exStyle & 0x8, 0x8);
      assert.equal(w.maximized, true);
    }],
  ];
  for (const [settings, check] of cases) {
    const a = app(settings);
    const run = start(a.exe, [], doubleEnv(a.dir));
    const window = waitWindow(a.name);
    assert.ok(window, settings);
    check(window);
    assert.ok(await closeApp(a.name));
    assert.equal(await within(run.exited, 15_000), 0, settings);
  }
});

test('DynamicAppTitle makes the caption follow the page title', async () => {
  for (const [setting, expected] of [['DynamicAppTitle=1\n', 'Main Page'], ['', null]]) {
    const a = app(setting);
    const run = start(a.exe, [], doubleEnv(a.dir));
    assert.ok(await waitRecord(a.dir, (r) => r.event === 'title'));
    await settle(300);
    const caption = expected ?? a.name;
    assert.ok(waitWindow(caption, 5000), `caption ${caption}`);
    assert.ok(await closeApp(caption));
    assert.equal(await within(run.exited, 15_000), 0);
  }
});

test('a new-window link to a file starts a second instance on that page', async () => {
  const a = app();
  const run = start(a.exe, [], doubleEnv(a.dir, {
    // Only the first instance's page asks: the second one opens page2.html.
    steps: [afterFirstPage({ action: 'new_window', uri: 'file:///page2.html' }, { match: { uri: 'file:///index.html' } }),
      closeQueryAnswer],
  }));
  const second = await waitRecord(a.dir, (r) => r.event === 'navigate' && r.uri === 'file:///page2.html', 20_000);
  assert.ok(second, 'the second instance opened file:///page2.html as its start page');
  const all = transcripts(a.dir);
  assert.equal(all.length, 2, 'two processes, two transcripts');
  const first = all.find((records) => events(records, 'new_window_requested').length > 0);
  assert.ok(first, 'the first instance asked for the window');
  assert.equal(events(first, 'new_window_requested')[0].handled, true, 'the runtime opens no window of its own');
  assert.equal(driver('count', a.name).stdout.trim(), '2');
  assert.ok(await closeApp(a.name));
  assert.equal(await within(run.exited, 15_000), 0);
});
