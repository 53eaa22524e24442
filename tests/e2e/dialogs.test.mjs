// End to end: the page's file dialogs (vlm.dialogs.openFile, saveFile, selFolder) in a packaged
// app under Wine, with the WebView2 test double as its loader. The double's scenario plays the
// page, the UI driver plays the user in the system's dialogs, and the transcript holds the
// answers the page gets.
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  createdPrograms, doubleEnv, driver, kill, packageRaw, runtime, start, transcripts, uiDriver, waitWindow,
  webviewDouble, within, windowsPath,
} from './wine_app.mjs';

let work;

before(() => {
  for (const needed of [runtime, uiDriver, webviewDouble]) assert.ok(fs.existsSync(needed), `missing ${needed}`);
  assert.ok(process.env.DISPLAY, 'needs a display (scripts/test.sh starts Xvfb)');
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-dialogs-'));
});
afterEach(() => kill(...createdPrograms));
after(() => fs.rmSync(work, { recursive: true, force: true }));

const ids = { openFile: 20001, saveFile: 20002, selFolder: 20003, close: 50001 };
const request = (uuid, name, data = {}) => ({
  after: 'navigation_completed', action: 'web_message', json: JSON.stringify({ id: ids[name], uuid, data }),
});

// Starts an app whose page asks `requests` once its start page has loaded, then closes it (the
// close waits in the queue behind the dialogs).
function playApp(name, requests) {
  const dir = fs.mkdtempSync(path.join(work, `${name}-`));
  const exe = packageRaw(dir, name, {
    'vlm.ini': `[App]\nID=com.vellum.dialogs.${process.pid}.${name}\nName=Dialogs ${name}\nDirName=app\nIndexHtml=index.html\n`,
    'WebView2LoaderWin64.dll': fs.readFileSync(webviewDouble),
    'app/index.html': '<html><head><title>Dialogs</title></head><body>dialogs</body></html>',
  });
  const steps = [...requests, request('bye', 'close')];
  // Eight dialogs played through Wine take a while: a limit well above that.
  const run = start(exe, [], doubleEnv(dir, { steps }), 240_000);
  const answers = () => transcripts(dir).flat().filter((record) => record.event === 'post_web_message')
    .map((record) => JSON.parse(record.json));
  return {
    run,
    async answer(uuid, ms = 20_000) {
      const until = Date.now() + ms;
      for (;;) {
        const found = answers().find((answer) => answer.uuid === uuid);
        if (found) return found;
        if (Date.now() > until) assert.fail(`no answer to ${uuid} (app: ${await within(run.exited, 10)})`);
        await new Promise((resolve) => setTimeout(resolve, 100));
      }
    },
  };
}

// The dialog the page asked for, found by the title it gave, as a `handle:` selector; it is
// owned by the app's main window, the window active when the page asked.
let mainWindow = null;
function dialog(title) {
  const window = waitWindow(title, 20_000);
  assert.ok(window, `a dialog titled ${title}`);
  assert.equal(window.class, '#32770');
  mainWindow ??= waitWindow('class:TMainForm', 5_000);
  assert.ok(mainWindow, 'the main window');
  assert.equal(window.owner, mainWindow.handle, `${title}: owned by the main window`);
  return `handle:${window.handle}`;
}

function ok(result) { assert.equal(result.status, 0, result.stderr); return result.stdout; }

test('open, save and folder dialogs answer the page the chosen path, or "" on cancel', async () => {
  const files = fs.mkdtempSync(path.join(work, 'files-'));
  fs.writeFileSync(path.join(files, 'first.txt'), '1');
  fs.writeFileSync(path.join(files, 'second.txt'), '2');
  fs.writeFileSync(path.join(files, 'existing.txt'), 'keep');
  fs.mkdirSync(path.join(files, 'chosen'));
  const win = (name) => windowsPath(path.join(files, name));
  const types = 'Text files|*.txt;All files|*.*';

  const page = playApp('all', [
    request('open1', 'openFile', { title: 'Open one', fileTypes: types }),
    request('open2', 'openFile', { title: 'Open two', fileTypes: types }),
    request('open-cancel', 'openFile', { title: 'Open cancelled' }),
    request('save-asking', 'saveFile', { title: 'Save asking', overwritePrompt: true }),
    request('save-silent', 'saveFile', { title: 'Save silent', overwritePrompt: false }),
    request('save-cancel', 'saveFile', { title: 'Save cancelled' }),
    request('folder', 'selFolder', { title: 'Folder one' }),
    request('folder-cancel', 'selFolder', { title: 'Folder cancelled' }),
  ]);

  // The first open ends in the files' folder with the second type picked; the second starts
  // there: a bare name is found in it, and the type list shows that type.
  // Types `name` into the dialog and confirms; `between` plays what comes before the answer.
  const choose = (d, name, between = () => {}) => {
    ok(driver('filename', d, name));
    ok(driver('confirm', d));
    between(d);
  };
  const answered = async (uuid, result) => assert.deepEqual(await page.answer(uuid), { uuid, success: true, result });

  let d = dialog('Open one');
  assert.equal(ok(driver('filetype', d)).trim(), '1', 'a fresh dialog shows the first type');
  ok(driver('filetype', d, '2'));
  choose(d, win('first.txt'));
  await answered('open1', win('first.txt'));

  d = dialog('Open two');
  assert.equal(ok(driver('filetype', d)).trim(), '2', 'the type picked last');
  choose(d, 'second.txt');
  await answered('open2', win('second.txt'));

  ok(driver('cancel', dialog('Open cancelled')));
  await answered('open-cancel', '');

  // With the question on, an existing file is chosen only once the user agrees.
  choose(dialog('Save asking'), win('existing.txt'), (asking) => {
    const box = JSON.parse(ok(driver('prompt', asking)));
    assert.ok(box.controls.some((control) => /already exists/.test(control.text)), JSON.stringify(box.controls));
    ok(driver('press', `handle:${box.handle}`, 'Yes'));
  });
  await answered('save-asking', win('existing.txt'));

  // With it off, the same file is chosen at once: no question holds the dialog.
  choose(dialog('Save silent'), win('existing.txt'));
  await answered('save-silent', win('existing.txt'));

  ok(driver('cancel', dialog('Save cancelled')));
  await answered('save-cancel', '');

  choose(dialog('Folder one'), win('chosen'));
  await answered('folder', `${win('chosen')}\\`);

  ok(driver('cancel', dialog('Folder cancelled')));
  await answered('folder-cancel', '');

  assert.equal(fs.readFileSync(path.join(files, 'existing.txt'), 'utf8'), 'keep', 'a dialog writes nothing');
  assert.equal(await within(page.run.exited, 20_000), 0, 'the close behind the dialogs ends the app');
});
