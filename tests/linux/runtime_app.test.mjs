// The Linux runtime end to end: apps packaged with vellum-pack (or Info-ZIP, for settings the
// tool refuses) run under X with openbox; the tests read the windows with xdotool and xprop.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  appEnv, closeWindow, killAll, linuxRuntime, packageApp, packageRaw, sleep, start, startDesktop, stopDesktop,
  typeInto, waitWindows, within, xdotool,
} from './linux_app.mjs';

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-linux-app-'));
let dataHome;

before(async () => { await startDesktop(); });
after(() => {
  killAll();
  stopDesktop();
  fs.rmSync(work, { recursive: true, force: true });
});

function freshDataHome() {
  dataHome = fs.mkdtempSync(path.join(work, 'data-'));
  return dataHome;
}

// The page answers the close query with app.close, as the library's default does, and shows
// what it got: its title carries the hello answer once the round trip is done.
const page = `<!doctype html><title>loading</title><h1>Packaged</h1>
<script>
vlm.hello().then((version) => vlm.isRuntime().then((packaged) => {
  document.title = 'hello ' + version + ' runtime ' + packaged;
}));
</script>`;

function project(settings) {
  return { 'vlm.ini': `[App]\nID=com.test.linux\nName=Linux Test\nDirName=app\n${settings}`, 'app/index.html': page };
}

test('without an archive the runtime says so in the user\'s language and exits with 0', async () => {
  for (const [locale, title, button] of [['it_IT.UTF-8', 'Errore', 'Accettare'], ['en_US.UTF-8', 'Error', 'Accept']]) {
    const app = start(linuxRuntime, [], appEnv(freshDataHome(), { LC_ALL: locale, LANG: locale }));
    const [box] = await waitWindows(app.pid, (w) => w.title === title);
    assert.ok(box, `a box titled ${title}`);
    // The one button is the default: Enter presses it.
    xdotool('windowactivate', '--sync', box.id);
    xdotool('key', 'Return');
    const result = await app.exited;
    assert.equal(result.code, 0, button);
    assert.deepEqual(fs.readdirSync(dataHome), [], 'no data folder');
  }
});

test('an incomplete identity ends silently; a damaged archive ends in the error report with 1', async () => {
  const silent = packageRaw(work, 'no-name', { 'vlm.ini': '[App]\nID=com.test.silent\nDirName=app\n', 'app/index.html': page });
  const quiet = start(silent, [], appEnv(freshDataHome()));
  assert.equal((await within(quiet.exited, 20_000)).code, 0);
  assert.deepEqual(fs.readdirSync(dataHome), []);

  const damaged = packageRaw(work, 'damaged', {}, Buffer.from('PK\x05\x06 this is no archive at all'));
  const app = start(damaged, [], appEnv(freshDataHome()));
  const [report] = await waitWindows(app.pid, (w) => w.title === 'Application Error');
  assert.ok(report, 'the error report');
  xdotool('windowactivate', '--sync', report.id);
  xdotool('key', 'Return');
  const result = await app.exited;
  assert.equal(result.code, 1);
  assert.match(result.stderr, /^Exception EArchiveError in module damaged at [0-9A-F]{16}\.\n/m);
});

test('the window follows the settings and the page talks to its host in the real engine', async () => {
  const exe = packageApp(work, 'shaped', project('Width=640\nHeight=480\nDynamicAppTitle=1\nWindowOrder=1\n'));
  const app = start(exe, [], appEnv(freshDataHome()));
  const [window] = await waitWindows(app.pid, (w) => w.title.startsWith('hello '), 60_000);
  assert.ok(window, 'the page set its title from the host\'s answers');
  assert.equal(window.title, 'hello 2025.10 runtime true');
  assert.equal(window.width, 640);
  assert.equal(window.height, 480);
  // Centred on the 1280 x 800 desktop (the frame lies around the contents).
  assert.ok(Math.abs(window.x + window.width / 2 - 640) <= 20, `centred across: ${window.x}`);
  assert.ok(Math.abs(window.y + window.height / 2 - 400) <= 40, `centred down: ${window.y}`);
  assert.match(window.state, /_NET_WM_STATE_ABOVE/);
  assert.ok(fs.statSync(path.join(dataHome, 'com.test.linux', 'WebKit')).isDirectory());
  assert.ok(!fs.existsSync(path.join(dataHome, 'com.test.linux', 'WebKit', 'WebView2LoaderWin64.dll')));

  // A plain second start exits silently; the ID and an address open a second window.
  const second = start(exe, [], appEnv(dataHome));
  assert.equal((await within(second.exited, 30_000)).code, 0);
  const newWindow = start(exe, ['com.test.linux', 'file:///index.html'], appEnv(dataHome));
  const [other] = await waitWindows(newWindow.pid, (w) => w.title.startsWith('hello '), 60_000);
  assert.ok(other, 'the copy with the ID and an address runs beside the first');

  // The close box asks the page, whose default answer closes the window.
  for (const [running, win] of [[app, window], [newWindow, other]]) {
    closeWindow(win.id);
    assert.equal((await within(running.exited, 20_000)).code, 0);
  }
});

test('a fixed frame keeps its size; maximised and frameless full screen come from the settings', async () => {
  const fixed = start(packageApp(work, 'fixed', project('Width=500\nHeight=300\nWindowBorder=1\nWindowPosition=1\n')),
    [], appEnv(freshDataHome()));
  const [single] = await waitWindows(fixed.pid, (w) => w.title === 'Linux Test');
  assert.ok(single);
  assert.deepEqual([single.width, single.height], [500, 300]);
  fixed.child.kill();

  const maximised = start(packageApp(work, 'max', project('WindowState=1\nAllowInstances=1\n')), [], appEnv(freshDataHome()));
  const [big] = await waitWindows(maximised.pid, (w) => /MAXIMIZED_VERT/.test(w.state));
  assert.ok(big, 'maximised');
  assert.ok(big.decorated, 'with its frame');
  maximised.child.kill();

  const full = start(packageApp(work, 'full', project('WindowStyle=1\nWindowBorder=2\nWindowState=0\n')), [],
    appEnv(freshDataHome()));
  const [screen] = await waitWindows(full.pid, (w) => /MAXIMIZED_VERT/.test(w.state));
  assert.ok(screen, 'full screen is maximised whatever WindowState says');
  assert.equal(screen.decorated, false, 'and has no frame whatever WindowBorder says');
  full.child.kill();
});

test('the password gate opens the app at the key release that completes the password', async () => {
  const exe = packageApp(work, 'locked', project('Password=Secret1\nDynamicAppTitle=1\n'));
  const app = start(exe, [], appEnv(freshDataHome()));
  const [prompt] = await waitWindows(app.pid, (w) => w.title === 'Linux Test');
  assert.ok(prompt, 'the prompt, captioned with the app\'s name');
  typeInto(prompt.id, 'secret1');  // letter case counts
  await sleep(500);
  assert.equal(await within(app.exited, 100), 'running');
  xdotool('key', 'Escape');  // keeps the prompt open
  xdotool('key', 'ctrl+a', 'BackSpace');
  typeInto(prompt.id, 'Secret1');
  const [main] = await waitWindows(app.pid, (w) => w.title.startsWith('hello '), 60_000);
  assert.ok(main, 'the main window after the password');

  // A copy started with the ID skips the prompt; a plain second copy still asks first, and
  // closing the prompt ends it silently.
  const skip = start(exe, ['com.test.linux', 'file:///index.html'], appEnv(dataHome));
  assert.ok((await waitWindows(skip.pid, (w) => w.title.startsWith('hello '), 60_000)).length, 'no prompt');
  const plain = start(exe, [], appEnv(dataHome));
  const [again] = await waitWindows(plain.pid, (w) => w.title === 'Linux Test');
  assert.ok(again, 'the second copy asks before the single-instance rule ends it');
  closeWindow(again.id);
  assert.equal((await within(plain.exited, 20_000)).code, 0);
  skip.child.kill();
  app.child.kill();
});
