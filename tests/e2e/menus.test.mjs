// End to end: the main menu, the tray icon and the tray menu of a packaged app under Wine, with
// the WebView2 test double as its loader. The double's scenario plays the page; the UI driver
// reads the menu bar, chooses items, and plays the tray icon's mouse messages and its pop-up
// menu; the double's transcript holds the answers and the page events the clicks raised.
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  closeApp, closeQueryAnswer, createdPrograms, doubleEnv, driver, kill, packageRaw, runtime, start, uiDriver,
  waitWindow, webviewDouble, within,
} from './wine_app.mjs';

let work;

before(() => {
  for (const needed of [runtime, uiDriver, webviewDouble]) assert.ok(fs.existsSync(needed), `missing ${needed}`);
  assert.ok(process.env.DISPLAY, 'needs a display (scripts/test.sh starts Xvfb)');
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-menus-'));
});
afterEach(() => kill(...createdPrograms));
after(() => fs.rmSync(work, { recursive: true, force: true }));

function records(dir) {
  const files = fs.readdirSync(dir).filter((name) => /^transcript-\d+\.jsonl$/.test(name));
  assert.ok(files.length <= 1, `one process, one transcript: ${files}`);
  if (files.length === 0) return [];
  return fs.readFileSync(path.join(dir, files[0]), 'utf8').split('\n').slice(0, -1).map((line) => JSON.parse(line));
}
const scripts = (dir) => records(dir).filter((record) => record.event === 'execute_script').map((record) => record.script);
const answers = (dir) => Object.fromEntries(records(dir).filter((record) => record.event === 'post_web_message')
  .map((record) => JSON.parse(record.json)).map((answer) => [answer.uuid, answer]));

async function waitFor(check, what, ms = 20_000) {
  const until = Date.now() + ms;
  for (;;) {
    const found = check();
    if (found) return found;
    if (Date.now() > until) assert.fail(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// A 1x1 PNG, red.
const redPng = Buffer.from('iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC', 'base64');

const mainItems = [
  { id: 1, caption: '&File', items: [
    { id: 42, caption: '&Answer', image: 'APP/IMAGES/RED.PNG' },
    { id: 3, caption: '-' },
    { id: '4', caption: 'Disabled', enabled: false },
    { id: 5, caption: 'More', items: [{ id: 6, caption: 'Deep', image: 'missing.png' }] },
  ] },
  { id: 7, caption: '&Help', items: [] },
];
const menuClick = 'vlm.events.onMainMenuItemClick("42");';
const trayClick = 'vlm.events.onTrayMenuItemClick("12");';
const answerChosen = (occurrence) => ({ after: 'execute_script', match: { script: menuClick }, occurrence });
const trayItems = [{ id: 10, caption: 'Show' }, { id: 11, caption: '-' }, { id: 12, caption: 'Quit' }];

test('menus from the page: the menu bar, its clicks, the tray icon and its menu', async () => {
  const name = `Menus ${process.pid}`;
  const dir = fs.mkdtempSync(path.join(work, 'app-'));
  const exe = packageRaw(dir, `menus${process.pid}`, {
    'vlm.ini': `[App]\nID=com.vellum.menus.${process.pid}\nName=${name}\nDirName=app\nIndexHtml=index.html\n`,
    'WebView2LoaderWin64.dll': fs.readFileSync(webviewDouble),
    'app/index.html': '<html><head><title>Start</title></head><body>start</body></html>',
    'app/images/red.png': redPng,
  });
  const post = (uuid, id, data = {}) => ({
    after: 'navigation_completed', action: 'web_message', json: JSON.stringify({ id, uuid, data }),
  });
  const scenario = doubleEnv(dir, {
    steps: [
      closeQueryAnswer,
      post('update-early', 12002, { id: 42 }),
      post('main', 12001, { items: JSON.stringify(mainItems) }),
      post('main-again', 12001, { items: JSON.stringify([{ id: 99, caption: 'ignored' }]) }),
      post('update', 12002, { id: '6', caption: 'Deeper', enabled: 'false' }),
      post('wrong-id', 12002, { id: 'x' }),
      post('tray', 14003, { items: JSON.stringify(trayItems) }),
      post('tray-update', 14004, { id: 12, caption: '&Quit' }),
      post('show', 14001),
      post('bad', 14003, { items: '{"not":"an array"}' }),
      post('tray-again', 14003, { items: JSON.stringify(trayItems) }),
      // While the icon is shown, minimising hides the window and restoring shows it. The user's
      // choices of "&Answer" move the page on: the second restores the window, the third hides
      // the icon and minimises again, and the window now stays on the taskbar.
      { ...post('min-shown', 60004, { state: 'minimized' }), after: 'execute_script', match: { script: trayClick } },
      { ...post('normal-shown', 60004, { state: 'normal' }), ...answerChosen(2) },
      { ...post('hide', 14002), ...answerChosen(3) },
      { ...post('min-hidden', 60004, { state: 'minimized' }), ...answerChosen(3) },
      { ...post('hide-again', 14002), ...answerChosen(3) },
    ],
  });
  const run = start(exe, [], scenario);
  const got = await waitFor(() => { const a = answers(dir); return a['tray-again'] ? a : null; }, 'the answers');
  const result = (uuid) => [got[uuid].success, got[uuid].result];
  assert.deepEqual(result('update-early'), [false, 'No menu items']);
  assert.deepEqual(result('main'), [true, true]);
  assert.deepEqual(result('main-again'), [true, true]);
  assert.deepEqual(result('update'), [true, true]);
  assert.deepEqual(result('wrong-id'), [false, 'Wrong item ID']);
  assert.deepEqual(result('tray'), [true, true]);
  assert.deepEqual(result('tray-update'), [true, true]);
  assert.deepEqual(result('show'), [true, true]);
  assert.deepEqual(result('bad'), [false, 'Wrong menu items JSON']);
  assert.deepEqual(result('tray-again'), [true, true]);

  assert.ok(waitWindow(name), 'the main window');
  const item = (caption, command, extra = {}) => ({ caption, separator: false, enabled: true, command, image: false, ...extra });
  const expectedBar = [
    item('&File', 1, { items: [
      item('&Answer', 2, { image: true }),
      item('', 3, { separator: true }),
      item('Disabled', 4, { enabled: false }),
      item('More', 5, { items: [item('Deeper', 6, { enabled: false })] }),
    ] }),
    item('&Help', 7),
  ];
  const what = 'the menu bar as the page described it, the second set ignored and the update applied';
  // Wine keeps a menu readable only by its own process, so the double inside the app reads it on
  // the UI driver's request; where the system lets the driver read it too, both must agree.
  const bar = JSON.parse(driver('menubar', name).stdout);
  if (bar !== null) assert.deepEqual(bar, expectedBar, what);
  assert.equal(driver('menus', name).status, 0, 'the app has the double to read its menus');
  const menusSeen = () => records(dir).filter((record) => record.event === 'host_menus');
  const [inside] = await waitFor(() => { const seen = menusSeen(); return seen.length ? seen : null; }, 'the menus read inside the app');
  assert.deepEqual(inside.menu_bar, expectedBar, what);
  assert.equal(inside.popup, null, 'no pop-up menu is open yet');

  // Disabled, separator, with sub-items (even none): nothing; then "&Answer".
  for (const command of ['6', '4', '3', '1', '7', '2']) assert.equal(driver('command', name, command).status, 0);
  await waitFor(() => scripts(dir).some((s) => s.includes('MainMenu')), 'the menu click');
  const trayWindow = 'class:TBrowserExternalForm';
  assert.equal(driver('tray', trayWindow, 'left').status, 0);
  assert.equal(driver('tray', trayWindow, 'double').status, 0);
  await waitFor(() => scripts(dir).filter((s) => s.includes('TrayIcon')).length >= 2, 'the tray icon clicks');
  assert.equal(driver('tray', trayWindow, 'right').status, 0);
  // The pop-up menu at the mouse: down twice (past the separator) and Enter chooses "Quit".
  const popup = driver('popup', '40,40,13', '10000');
  assert.equal(popup.status, 0, `the tray menu opened: ${popup.stderr}`);
  await waitFor(() => scripts(dir).some((s) => s.includes('TrayMenu')), 'the tray menu click');
  const opened = menusSeen().find((record) => record.popup !== null);
  // The wrong JSON emptied the tray menu, so the second set rebuilt it: the update is gone.
  assert.deepEqual(opened?.popup, [item('Show', 1), item('', 2, { separator: true }), item('Quit', 3)],
    `the tray menu at the mouse, as the page last built it (${JSON.stringify(menusSeen().map((r) => r.popup))})`);

  const events = scripts(dir).filter((s) => s.startsWith('vlm.events.on') && !s.includes('CloseQuery'));
  assert.deepEqual(events, [menuClick, 'vlm.events.onTrayIconClick();', 'vlm.events.onTrayIconClick();', trayClick],
    'only items a user can choose raise their click; a double click is one click');

  // The tray icon's visibility steers the window state.
  const answered = (uuid) => waitFor(() => answers(dir)[uuid], `the answer ${uuid}`);
  assert.equal((await answered('min-shown')).result, true);
  assert.equal(driver('wait', name, '1000').status, 1, 'minimised with the icon shown: the window is hidden');
  assert.equal(driver('count', name).stdout.trim(), '1', 'hidden, not gone');
  assert.equal(driver('command', name, '2').status, 0, 'a menu command reaches the hidden window');
  assert.equal((await answered('normal-shown')).result, true);
  const restored = waitWindow(name, 5000);
  assert.ok(restored && !restored.minimized, 'restored with the icon shown: the window is back');
  assert.equal(driver('command', name, '2').status, 0);
  for (const uuid of ['hide', 'min-hidden', 'hide-again']) {
    const answer = await answered(uuid);
    assert.deepEqual([answer.success, answer.result], [true, true], uuid);
  }
  const stays = waitWindow(name, 5000);
  assert.ok(stays?.minimized, 'minimised with the icon hidden: the window stays, minimised');
  assert.deepEqual(records(dir).filter((record) => record.event === 'wrong_thread'), []);

  assert.ok(await closeApp(name), 'the app closes');
  assert.equal(await within(run.exited, 15_000), 0);
  assert.equal(driver('count', trayWindow).stdout.trim(), '0', 'the hidden form went with the app');
});
