// Menus, the tray icon and themes in the packaged Linux runtime: the page builds a menu bar and
// a tray menu and checks the theme answers in the real engine; the built menus are read back
// from the GTK widgets through the runtime's trace, and an item is chosen with the keyboard
// (the menu bar's mnemonics), as a user would.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  appEnv, closeWindow, killAll, packageApp, sleep, start, startDesktop, stopDesktop, waitWindows, within, xdotool,
} from './linux_app.mjs';

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-linux-menus-'));
let display;
let tray = null;

before(async () => { display = await startDesktop(); });
after(() => {
  tray?.kill();
  killAll();
  stopDesktop();
  fs.rmSync(work, { recursive: true, force: true });
});

// The page reports through its title (DynamicAppTitle): first the theme checks, then the
// identifier of every menu item clicked.
const page = `<!doctype html><title>loading</title><h1>Menus</h1>
<script>
vlm.events.onMainMenuItemClick = (id) => { document.title = 'clicked ' + id + ' ' + typeof id; };
(async () => {
  const problems = [];
  const names = await vlm.themes.getThemes();
  if (names.length !== 40) problems.push('count ' + names.length);
  for (let i = 1; i < names.length; ++i)
    if (names[i - 1].toLowerCase() > names[i].toLowerCase()) problems.push('order at ' + names[i]);
  if (names[0] !== 'Amakrits' || names[39] !== 'Windows10 SlateGray') problems.push('ends ' + names[0] + '/' + names[39]);
  if (names.indexOf('Windows') !== names.indexOf('Windows10') - 1) problems.push('Windows before Windows10');
  if (await vlm.themes.getTheme() !== 'Windows') problems.push('start theme');
  if (await vlm.themes.setTheme({ name: 'Windows10 Dark' }) !== true) problems.push('exact name');
  if (await vlm.themes.setTheme({ name: 'windows10 dark' }) !== false) problems.push('lower-case answer');
  if (await vlm.themes.getTheme() !== 'Windows10 Dark') problems.push('lower-case switch');
  if (await vlm.themes.setTheme({ name: 'No Such Theme' }) !== false) problems.push('unknown');
  if (await vlm.themes.setTheme({ name: 'Windows' }) !== true) problems.push('back to Windows');
  await vlm.mainMenu.setItems({ items: JSON.stringify([
    { id: 1, caption: '&File', items: [
      { id: 42, caption: '&Open' }, { id: 2, caption: '-' }, { id: 3, caption: 'Gone', enabled: false },
      { id: 4, caption: '&More', items: [{ id: 5, caption: 'Deep && deeper' }] } ] },
    { id: 6, caption: '&Help' },
  ]) });
  await vlm.trayMenu.setItems({ items: JSON.stringify([{ id: 7, caption: '&Quit' }]) });
  await vlm.trayMenu.showIcon();
  document.title = problems.length ? 'themes wrong: ' + problems.join(', ') : 'menus ready';
})().catch((error) => { document.title = 'failed: ' + error; });
</script>`;

test('the page builds a menu bar and a tray menu, and a chosen item reaches the page', async () => {
  const trace = path.join(work, 'trace.jsonl');
  const exe = packageApp(work, 'menus', {
    'vlm.ini': '[App]\nID=com.test.menus\nName=Menus Test\nDirName=app\nDynamicAppTitle=1\nWidth=640\nHeight=480\n',
    'app/index.html': page,
  });
  const app = start(exe, [], appEnv(fs.mkdtempSync(path.join(work, 'data-')), { VELLUM_TRACE: trace }));
  const [window] = await waitWindows(app.pid, (w) => w.title !== 'loading' && w.title !== 'Menus Test', 60_000);
  assert.ok(window, 'the page reported');
  assert.equal(window.title, 'menus ready');
  // The window carries the runtime's icon, which the tray icon shows too.
  const icon = spawnSync('xprop', ['-id', window.id, '_NET_WM_ICON'], { env: { ...process.env, DISPLAY: display },
    encoding: 'utf8', maxBuffer: 64 << 20 }).stdout ?? '';
  assert.match(icon, /^_NET_WM_ICON\(CARDINAL\) = \s*Icon \(\d+ x \d+\)/);

  const built = fs.readFileSync(trace, 'utf8').split('\n').filter(Boolean).map((line) => JSON.parse(line))
    .filter((line) => line.event === 'menu');
  const last = (menu) => built.filter((line) => line.menu === menu).at(-1)?.tree;
  assert.equal(last('main'), '_File\n  _Open\n  -\n  Gone [disabled]\n  _More\n    Deep & deeper\n_Help\n');
  assert.equal(last('tray'), '_Quit\n');

  // Alt+F opens File, O chooses Open: the page hears the identifier as a string.
  xdotool('windowactivate', '--sync', window.id);
  xdotool('key', '--clearmodifiers', 'alt+f');
  xdotool('key', 'o');
  const [clicked] = await waitWindows(app.pid, (w) => w.title.startsWith('clicked'), 20_000);
  assert.ok(clicked, 'the click reached the page');
  assert.equal(clicked.title, 'clicked 42 string');

  closeWindow(window.id);
  assert.equal((await within(app.exited, 20_000)).code, 0);
});

test('the Theme setting selects a style at start in any letter case, and an unknown one is reported', async () => {
  const themePage = `<!doctype html><title>loading</title>
<script>vlm.themes.getTheme().then((name) => { document.title = 'theme ' + name; });</script>`;
  const project = (theme) => ({
    'vlm.ini': `[App]\nID=com.test.theme\nName=Theme Test\nDirName=app\nDynamicAppTitle=1\nAllowInstances=1\nTheme=${theme}\n`,
    'app/index.html': themePage,
  });
  const styled = start(packageApp(work, 'styled', project('windows10 dark')), [],
    appEnv(fs.mkdtempSync(path.join(work, 'data-'))));
  const [dark] = await waitWindows(styled.pid, (w) => w.title.startsWith('theme '), 60_000);
  assert.ok(dark, 'the page asked');
  assert.equal(dark.title, 'theme Windows10 Dark');
  closeWindow(dark.id);
  assert.equal((await within(styled.exited, 20_000)).code, 0);

  const unknown = start(packageApp(work, 'unknown', project('No Such Style')), [],
    appEnv(fs.mkdtempSync(path.join(work, 'data-'))));
  const [box] = await waitWindows(unknown.pid, (w) => w.title === 'Error', 30_000);
  assert.ok(box, 'the error box before the window');
  xdotool('windowactivate', '--sync', box.id);
  xdotool('key', 'Return');
  const [native] = await waitWindows(unknown.pid, (w) => w.title.startsWith('theme '), 60_000);
  assert.ok(native, 'the app goes on in the native look');
  assert.equal(native.title, 'theme Windows');
  closeWindow(native.id);
  assert.equal((await within(unknown.exited, 20_000)).code, 0);
});

// The panel window of trayer, an XEmbed system tray, once it holds an icon (it grows from its
// empty width of 1).
async function trayPanel(pid, timeoutMs = 30_000) {
  const until = Date.now() + timeoutMs;
  while (Date.now() < until) {
    const [panel] = await waitWindows(pid, (w) => w.title === 'panel' && w.width > 1, 1_000);
    if (panel) return panel;
  }
  return null;
}

test('the tray icon sits in a system tray; a left click and a tray menu item reach the page', async () => {
  killAll();  // an app an earlier test left running would put its icon in the tray as well
  tray = spawn('trayer', ['--edge', 'top', '--align', 'right', '--widthtype', 'request', '--height', '24',
    '--SetDockType', 'false', '--transparent', 'false'], { env: { ...process.env, DISPLAY: display }, stdio: 'ignore' });
  const trayPage = `<!doctype html><title>loading</title>
<script>
let clicks = 0;
vlm.events.onTrayIconClick = () => { document.title = 'tray clicks ' + (++clicks); };
vlm.events.onTrayMenuItemClick = (id) => { document.title = 'tray item ' + id; };
vlm.trayMenu.setItems({ items: JSON.stringify([{ id: 3, caption: 'Off', enabled: false }, { id: 7, caption: '&Quit' }]) })
  .then(() => vlm.trayMenu.showIcon()).then(() => { document.title = 'icon shown'; });
</script>`;
  const exe = packageApp(work, 'tray', {
    'vlm.ini': '[App]\nID=com.test.tray\nName=Tray Test\nDirName=app\nDynamicAppTitle=1\n',
    'app/index.html': trayPage,
  });
  const app = start(exe, [], appEnv(fs.mkdtempSync(path.join(work, 'data-'))));
  const [window] = await waitWindows(app.pid, (w) => w.title === 'icon shown', 60_000);
  assert.ok(window, 'the page showed its icon');
  const panel = await trayPanel(tray.pid);
  assert.ok(panel, 'the tray took the icon');
  const [x, y] = [panel.x + Math.floor(panel.width / 2), panel.y + Math.floor(panel.height / 2)];

  xdotool('mousemove', String(x), String(y));
  xdotool('click', '1');
  const [once] = await waitWindows(app.pid, (w) => w.title.startsWith('tray clicks'), 20_000);
  assert.ok(once, 'the left click reached the page');
  assert.equal(once.title, 'tray clicks 1');

  // The right button opens the tray menu at the mouse; its mnemonic chooses Quit.
  xdotool('click', '3');
  await sleep(1_000);
  xdotool('key', 'q');
  const [item] = await waitWindows(app.pid, (w) => w.title.startsWith('tray item'), 20_000);
  assert.ok(item, 'the tray menu item reached the page');
  assert.equal(item.title, 'tray item 7');

  closeWindow(window.id);
  assert.equal((await within(app.exited, 20_000)).code, 0);
  tray.kill();
  tray = null;
});
