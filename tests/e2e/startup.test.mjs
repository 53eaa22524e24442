// Startup end to end: real runtime executables under Wine and Xvfb, driven through their
// windows. Every start has a time limit, and whatever a test leaves running is ended.
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  appDataDir, closeApp,
  createdPrograms, doubleEnv, helpers, kill, packageRaw, runtime, start, uiDriver, waitWindow, waitWindowWith, driver, within,
} from './wine_app.mjs';

let work;
let counter = 0;
const versionLoader = () => fs.readFileSync(path.join(helpers, 'webview2_double.dll'));

// A packaged app with its own identity, so tests never share a data folder or a mutex.
function app(settings, { loader = versionLoader(), extra = {} } = {}) {
  const id = `com.vellum.e2e.${process.pid}.${++counter}`;
  const ini = `[App]\nID=${id}\nName=E2E App ${counter}\nDirName=app\n${settings}`;
  const exe = packageRaw(work, `app${counter}`, {
    'vlm.ini': ini, 'WebView2LoaderWin64.dll': loader, 'app/index.html': '<title>E2E</title>', ...extra,
  });
  return { exe, id, name: `E2E App ${counter}`, exeName: path.basename(exe) };
}

before(() => {
  for (const needed of [runtime, uiDriver]) assert.ok(fs.existsSync(needed), `missing ${needed}: build first`);
  assert.ok(process.env.DISPLAY, 'needs a display (scripts/test.sh starts Xvfb)');
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-startup-'));
});

afterEach(() => kill(...createdPrograms));

after(() => {
  fs.rmSync(work, { recursive: true, force: true });
  for (let i = 1; i <= counter; ++i) fs.rmSync(appDataDir(`com.vellum.e2e.${process.pid}.${i}`), { recursive: true, force: true });
});

test('no archive: the error dialog speaks the user\'s language and the exit code is 0', async () => {
  const cases = [
    { locale: 'it_IT.UTF-8', title: 'Errore', text: "Questa non è un'applicazione Windows valida.", button: 'Accettare' },
    { locale: 'de_DE.UTF-8', title: 'Error', text: 'Dies ist keine gültige Windows-Anwendung.', button: 'Akzeptieren' },
    { locale: 'zh_CN.UTF-8', title: '错误', text: '这不是有效的Windows应用程序。', button: '接受' },
    { locale: 'pt_PT.UTF-8', title: 'Error', text: 'This is not a valid Windows application.', button: 'Accept' },
  ];
  for (const c of cases) {
    const run = start(runtime, [], { LC_ALL: c.locale });
    const dialog = waitWindow('class:TMessageForm');
    assert.ok(dialog, `no dialog for ${c.locale}`);
    assert.equal(dialog.title, c.title);
    assert.ok(dialog.controls.some((control) => control.text === c.text), JSON.stringify(dialog));
    const buttons = dialog.controls.filter((control) => control.class === 'Button').map((control) => control.text);
    assert.deepEqual(buttons, [c.button]);
    assert.equal(driver('press', 'class:TMessageForm', c.button).status, 0);
    assert.equal(await within(run.exited, 15_000), 0, c.locale);
  }
});

test('an incomplete identity ends silently, before any data folder exists', async () => {
  for (const settings of ['[App]\nID=x.incomplete\nDirName=app\n', '[App]\nID=x.incomplete\nName\nDirName=app\n']) {
    const exe = packageRaw(work, `incomplete${++counter}`, { 'vlm.ini': settings, 'app/index.html': 'x' });
    assert.equal(await within(start(exe).exited, 20_000), 0);
  }
  const noSettings = packageRaw(work, `nosettings${++counter}`, { 'app/index.html': 'x' });
  assert.equal(await within(start(noSettings).exited, 20_000), 0);
  assert.ok(!fs.existsSync(appDataDir('x.incomplete')));
});

test('a damaged archive ends in the application error report with exit code 1', async () => {
  const exe = path.join(work, 'damaged.exe');
  fs.writeFileSync(exe, Buffer.concat([fs.readFileSync(runtime), Buffer.from('PK\x03\x04 not really an archive')]));
  createdPrograms.add('damaged.exe');
  const run = start(exe);
  const report = waitWindow('Application Error');
  assert.ok(report, 'no report');
  const text = report.controls.map((control) => control.text).join('\n');
  assert.match(text, /^Exception EArchiveError in module damaged\.exe at [0-9A-F]{16}\.\r?\nThe stream holds no ZIP archive\./m);
  driver('press', 'Application Error', 'OK');
  assert.equal(await within(run.exited, 15_000), 1);
});

test('a data folder that cannot be created ends in the error report with exit code 1', async () => {
  const a = app('');
  fs.mkdirSync(path.dirname(appDataDir(a.id)), { recursive: true });
  fs.writeFileSync(appDataDir(a.id), 'a file where the data folder belongs');
  const run = start(a.exe);
  const report = waitWindow('Application Error');
  assert.ok(report, 'no report');
  assert.match(report.controls.map((c) => c.text).join('\n'), /^Exception EFileError in module app\d+\.exe at [0-9A-F]{16}\.\r?\nCannot create folder/m);
  driver('press', 'Application Error', 'OK');
  assert.equal(await within(run.exited, 15_000), 1);
  fs.rmSync(appDataDir(a.id), { force: true });
});

test('an error after startup that nothing handles ends in the application error report with exit code 1', async () => {
  // The runtime is there but cannot create the browser control: the control raises its error
  // from the user-interface queue, after the main window exists.
  const a = app('');
  const run = start(a.exe, [], doubleEnv(work, { controller_result: 0x80070005 | 0, steps: [] }));
  const report = waitWindow('Application Error', 20_000);
  assert.ok(report, 'no report');
  assert.match(report.controls.map((c) => c.text).join('\n'),
    /^Exception EEdgeError in module app\d+\.exe at [0-9A-F]{16}\.\r?\nFailed to create Edge browser control\./m);
  assert.equal(driver('count', 'Error').stdout.trim(), '0', 'no "Error" box beside it');
  driver('press', 'Application Error', 'OK');
  assert.equal(await within(run.exited, 15_000), 1);
});

test('runtime missing with installation switched off: message 6, data folder kept', async () => {
  const a = app('EdgeInstaller=0\n', { loader: 'not a loader' });
  const run = start(a.exe);
  const dialog = waitWindow('class:TMessageForm');
  assert.ok(dialog);
  assert.ok(dialog.controls.some((c) => c.text.startsWith('The Microsoft WebView2 runtime is required to run this application. This application cannot continue')));
  driver('press', 'class:TMessageForm', 'Accept');
  assert.equal(await within(run.exited, 15_000), 0);
  assert.ok(fs.existsSync(appDataDir(a.id)), 'the data folder stays');
});

test('runtime missing and installation declined: the data folder goes, message 8', async () => {
  const a = app('', { loader: 'not a loader' });
  const run = start(a.exe);
  const question = waitWindow('class:TMessageForm');
  assert.equal(question.title, 'Confirm');
  const buttons = question.controls.filter((c) => c.class === 'Button').map((c) => c.text);
  assert.deepEqual(buttons, ['Accept', 'Cancel']);
  driver('key', 'class:TMessageForm', '27');  // Escape presses Cancel
  const report = await waitWindowWith('class:TMessageForm', (text) => text === 'This application cannot continue and will be closed now.');
  assert.ok(report, 'message 8 follows');
  driver('press', 'class:TMessageForm', 'Accept');
  assert.equal(await within(run.exited, 15_000), 0);
  assert.ok(!fs.existsSync(appDataDir(a.id)), 'the data folder is removed');
});

test('single instance: a second plain start is refused silently, (AppID, URL) is let through', async () => {
  const a = app('');
  const first = start(a.exe);
  assert.ok(waitWindow(a.name), 'first window');
  const second = start(a.exe);
  assert.equal(await within(second.exited, 20_000), 0);
  const third = start(a.exe, [a.id, 'file:///app/other.html']);
  await new Promise((resolve) => setTimeout(resolve, 2500));
  assert.equal(driver('count', a.name).stdout.trim(), '2');
  assert.ok(await closeApp(a.name));
  assert.equal(await within(first.exited, 15_000), 0);
  assert.equal(await within(third.exited, 15_000), 0);
});

test('AllowInstances lets any number of copies run', async () => {
  const a = app('AllowInstances=1\n');
  const first = start(a.exe);
  assert.ok(waitWindow(a.name));
  const second = start(a.exe);
  await new Promise((resolve) => setTimeout(resolve, 2500));
  assert.equal(await within(second.exited, 100), 'running');
  assert.equal(driver('count', a.name).stdout.trim(), '2');
  assert.ok(await closeApp(a.name));
  await within(first.exited, 15_000);
});

test('password gate: opens on the right key release only, the close box ends the start', async () => {
  const a = app('Password=Secret\n');
  const wrong = start(a.exe);
  let prompt = waitWindow('class:TRequirePasswordForm');
  assert.equal(prompt.title, a.name);
  assert.deepEqual(prompt.client, [308, 71], 'the client area at 96 dots per inch');
  driver('type', 'class:TRequirePasswordForm', ' Secret');  // a blank before: no match
  driver('key', 'class:TRequirePasswordForm', '27');  // Escape
  driver('key', 'class:TRequirePasswordForm', '13');  // Enter
  await new Promise((resolve) => setTimeout(resolve, 500));
  assert.ok(waitWindow('class:TRequirePasswordForm', 1000), 'wrong case and Escape leave the prompt open');
  driver('close', 'class:TRequirePasswordForm');
  assert.equal(await within(wrong.exited, 15_000), 0);
  assert.equal(driver('count', 'class:TMainForm').stdout.trim(), '0', 'no main window');

  const right = start(a.exe);
  prompt = waitWindow('class:TRequirePasswordForm');
  assert.ok(prompt);
  driver('type', 'class:TRequirePasswordForm', 'Secret');
  assert.equal(driver('gone', 'class:TRequirePasswordForm', '5000').status, 0, 'closed by the last key release');
  assert.equal(waitWindow('class:TMainForm')?.title, a.name, 'the main window follows');
  assert.ok(await closeApp('class:TMainForm'));
  assert.equal(await within(right.exited, 15_000), 0);

  const skipped = start(a.exe, [a.id]);
  assert.ok(waitWindow('class:TMainForm'), 'a copy started with the identity skips the prompt');
  assert.equal(driver('count', 'class:TRequirePasswordForm').stdout.trim(), '0');
  assert.ok(await closeApp('class:TMainForm'));
  await within(skipped.exited, 15_000);
});

function dumpPath(name) {
  return path.join(work, name);
}

function readDump(file) {
  return fs.existsSync(file) ? fs.readFileSync(file, 'utf8').replace(/^\uFEFF/, '') : null;
}

// The runtime installation with the installer stand-in: it records what it sees and can
// "install" the runtime, which the marker loader then reports present.
function installerApp(settings, loaderName = 'fake_loader_marker.dll') {
  return app(settings, {
    loader: fs.readFileSync(path.join(helpers, loaderName)),
    extra: { 'WebView2Installer.exe': fs.readFileSync(path.join(helpers, 'fake_installer.exe')) },
  });
}

test('the browser environment as the installer, a child process, sees it', async () => {
  const cases = [
    { settings: 'WebviewArguments=   \n', expected: '--disable-logging --disable-web-security --disable-features=RendererCodeIntegrity --enable-features=msSpeechRecognition --autoplay-policy=no-user-gesture-required' },
    { settings: 'WebviewArguments=--lang=it   --mute-audio\n', expected: '--lang=it   --mute-audio' },
  ];
  for (const c of cases) {
    const a = installerApp(c.settings);
    const dump = dumpPath(`env${counter}.txt`);
    const run = start(a.exe, [], {
      VELLUM_ENV_DUMP: `Z:${dump.replaceAll('/', '\\')}`,
      WEBVIEW2_BROWSER_EXECUTABLE_FOLDER: 'C:\\somewhere',
      WEBVIEW2_RELEASE_CHANNEL_PREFERENCE: '1',
    });
    assert.ok(waitWindow('class:TMessageForm'));
    driver('press', 'class:TMessageForm', 'Accept');  // install
    assert.ok(await waitWindowWith('class:TMessageForm', (text) => text.startsWith('You cancel the installation')),
      'the installer failed: message 9');
    driver('press', 'class:TMessageForm', 'Accept');
    assert.equal(await within(run.exited, 20_000), 0);
    const lines = readDump(dump).split(/\r?\n/);
    assert.equal(lines[0], `WEBVIEW2_USER_DATA_FOLDER=C:\\users\\${process.env.USER ?? 'root'}\\AppData\\Local\\${a.id}\\Win64\\`);
    assert.equal(lines[1], `WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS=${c.expected}`);
    assert.equal(lines[2], 'WEBVIEW2_BROWSER_EXECUTABLE_FOLDER absent');
    assert.equal(lines[3], 'WEBVIEW2_RELEASE_CHANNEL_PREFERENCE absent');
    assert.equal(lines[4], 'arguments: /silent /install');
    assert.ok(!fs.existsSync(appDataDir(a.id)), 'a failed installation removes the data folder');
  }
});

test('an installation that succeeds restarts the app once, with no arguments', async () => {
  const a = installerApp('');
  const run = start(a.exe, [], { VELLUM_INSTALL_SUCCEEDS: '1', VELLUM_INSTALL_MILLISECONDS: '2500' });
  assert.ok(waitWindow('class:TMessageForm'));
  driver('press', 'class:TMessageForm', 'Accept');
  const busy = waitWindow('class:TEdgeInstallerForm', 5000);
  assert.equal(busy?.title, 'EdgeInstallerForm', 'the busy window shows while the installer runs');
  assert.deepEqual(busy.client, [80, 80]);
  driver('close', 'class:TEdgeInstallerForm');
  await new Promise((resolve) => setTimeout(resolve, 300));
  assert.equal(driver('count', 'class:TEdgeInstallerForm').stdout.trim(), '1', 'it refuses to close');
  assert.equal(await within(run.exited, 20_000), 0);
  const restarted = waitWindow('class:TMainForm');
  assert.equal(restarted?.title, a.name, 'the fresh copy finds the runtime and opens');
  await new Promise((resolve) => setTimeout(resolve, 1000));
  assert.equal(driver('count', 'class:TMainForm').stdout.trim(), '1', 'exactly one new copy');
  assert.ok(!fs.existsSync(path.join(appDataDir(a.id), 'WebView2Installer.exe')), 'the installer is deleted');
  // The marker loader cannot create a browser, so no page can agree to close: the copy is ended
  // with the others after the test.
});

test('a left-over installer is used as it is; one that cannot start counts as a failure', async () => {
  const a = installerApp('', 'fake_loader_marker.dll');
  // A broken installer in the archive, but a working one already in the data folder.
  fs.mkdirSync(path.join(appDataDir(a.id), 'Win64'), { recursive: true });
  fs.copyFileSync(path.join(helpers, 'fake_installer.exe'), path.join(appDataDir(a.id), 'WebView2Installer.exe'));
  const dump = dumpPath(`leftover${counter}.txt`);
  const run = start(a.exe, [], { VELLUM_ENV_DUMP: `Z:${dump.replaceAll('/', '\\')}` });
  assert.ok(waitWindow('class:TMessageForm'));
  driver('press', 'class:TMessageForm', 'Accept');
  assert.ok(await waitWindowWith('class:TMessageForm', (text) => text.startsWith('You cancel the installation')));
  driver('press', 'class:TMessageForm', 'Accept');
  assert.equal(await within(run.exited, 20_000), 0);
  assert.ok(readDump(dump), 'the left-over installer ran');

  const broken = app('', {
    loader: fs.readFileSync(path.join(helpers, 'fake_loader_marker.dll')),
    extra: { 'WebView2Installer.exe': 'not a program' },
  });
  const second = start(broken.exe);
  assert.ok(waitWindow('class:TMessageForm'));
  driver('close', 'class:TMessageForm');  // closing the question declines it
  const report = await waitWindowWith('class:TMessageForm', (text) => text === 'This application cannot continue and will be closed now.');
  assert.ok(report, 'message 8 follows');
  driver('press', 'class:TMessageForm', 'Accept');
  assert.equal(await within(second.exited, 20_000), 0);

  const third = start(broken.exe);
  assert.ok(waitWindow('class:TMessageForm'));
  driver('press', 'class:TMessageForm', 'Accept');  // the installer cannot start: as declined elevation
  const failed = await waitWindowWith('class:TMessageForm', (text) => text.startsWith('You cancel the installation of Microsoft WebView2 runtime'));
  assert.ok(failed, 'message 9 follows');
  driver('press', 'class:TMessageForm', 'Accept');
  assert.equal(await within(third.exited, 20_000), 0);
});

test('an unknown theme shows its box and the start goes on', async () => {
  const a = app('Theme=Aqua Fantasy\n');
  const run = start(a.exe);
  const box = waitWindow('class:TMessageForm');
  assert.ok(box.controls.some((c) => c.text === "Style 'Aqua Fantasy' not found"));
  assert.deepEqual(box.controls.filter((c) => c.class === 'Button').map((c) => c.text), ['&Close']);
  driver('press', 'class:TMessageForm', 'Close');
  assert.equal(waitWindow('class:TMainForm')?.title, a.name);
  assert.ok(await closeApp('class:TMainForm'));
  assert.equal(await within(run.exited, 15_000), 0);
});
