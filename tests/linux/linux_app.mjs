// Helpers for tests that package Linux apps with the real runtime and drive them on an X
// display with a window manager (openbox: window states and frames need one).
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const linuxBuild = process.env.VELLUM_BUILD_LINUX ?? path.join(root, 'build/linux');
export const vellumPack = path.join(linuxBuild, 'src/tools/pack/vellum-pack');
export const linuxRuntime = path.join(linuxBuild, 'src/app/linux/vellum-runtime');

// The archive password, as pinned by the native tests of the password routine.
export const archivePassword = 'Ffuoil-Qvratsg.Frd #2026!e';

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

let desktop = null;

// An X display with openbox on it: the caller's DISPLAY when set (a window manager is assumed
// to run there), else an Xvfb of our own that stopDesktop() ends.
export async function startDesktop() {
  if (desktop) return desktop.display;
  if (process.env.DISPLAY) {
    desktop = { display: process.env.DISPLAY, processes: [] };
    return desktop.display;
  }
  const numberFile = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-x-')), 'display');
  const out = fs.openSync(numberFile, 'w');
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x800x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'ignore', 'ignore', out] });
  for (let i = 0; i < 100 && fs.readFileSync(numberFile, 'utf8').trim() === ''; ++i) await sleep(100);
  fs.closeSync(out);
  const display = ':' + fs.readFileSync(numberFile, 'utf8').trim();
  const openbox = spawn('openbox', [], { env: { ...process.env, DISPLAY: display }, stdio: 'ignore' });
  desktop = { display, processes: [openbox, xvfb] };
  await sleep(500);
  return display;
}

export function stopDesktop() {
  if (!desktop) return;
  for (const child of desktop.processes) child.kill();
  desktop = null;
}

function display() {
  return desktop?.display ?? process.env.DISPLAY;
}

// The environment of a packaged app: the test's display, a data home of its own, English
// messages unless asked otherwise.
export function appEnv(dataHome, extra = {}) {
  return {
    ...process.env,
    DISPLAY: display(),
    XDG_DATA_HOME: dataHome,
    LC_ALL: 'en_US.UTF-8',
    LANG: 'en_US.UTF-8',
    GDK_BACKEND: 'x11',
    NO_AT_BRIDGE: '1',  // no accessibility bus on the test display
    // WebKitGTK's web processes cannot start sandboxed as root, which the test machines run
    // as; the sandbox is switched off for the tests only, never by the runtime itself.
    WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS: '1',
    ...extra,
  };
}

// A Linux app made by vellum-pack from a project folder written from `files`.
export function packageApp(dir, name, files) {
  const project = path.join(dir, `${name}-project`);
  for (const [entry, content] of Object.entries(files)) {
    fs.mkdirSync(path.dirname(path.join(project, entry)), { recursive: true });
    fs.writeFileSync(path.join(project, entry), content);
  }
  const exe = path.join(dir, name);
  const result = spawnSync(vellumPack, ['build', project, '-o', exe, '--runtime', linuxRuntime], { encoding: 'utf8' });
  if (result.status !== 0) throw new Error(`vellum-pack failed: ${result.stderr}`);
  fs.chmodSync(exe, 0o755);
  return exe;
}

// A Linux app made of the runtime and an Info-ZIP archive, so that settings the packaging tool
// would refuse can be tried too; `archive` gives the archive's bytes instead.
export function packageRaw(dir, name, files, archive = null) {
  let zipBytes = archive;
  if (!zipBytes) {
    const staging = fs.mkdtempSync(path.join(dir, 'staging-'));
    for (const [entry, content] of Object.entries(files)) {
      fs.mkdirSync(path.dirname(path.join(staging, entry)), { recursive: true });
      fs.writeFileSync(path.join(staging, entry), content);
    }
    const zip = path.join(dir, `${name}.zip`);
    const result = spawnSync('zip', ['-q', '-r', '-P', archivePassword, zip, ...Object.keys(files)], { cwd: staging });
    if (result.status !== 0) throw new Error(`zip failed: ${result.stderr}`);
    zipBytes = fs.readFileSync(zip);
  }
  const exe = path.join(dir, name);
  fs.writeFileSync(exe, Buffer.concat([fs.readFileSync(linuxRuntime), zipBytes]), { mode: 0o755 });
  return exe;
}

const running = new Set();

// Starts an app; `exited` settles with its code and output. A time limit kills it.
export function start(exe, args, env, limitMs = 90_000) {
  const child = spawn(exe, args, { env, stdio: ['ignore', 'pipe', 'pipe'] });
  running.add(child);
  let stdout = '', stderr = '';
  child.stdout.on('data', (chunk) => { stdout += chunk; });
  child.stderr.on('data', (chunk) => { stderr += chunk; });
  const timer = setTimeout(() => child.kill('SIGKILL'), limitMs);
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => {
    clearTimeout(timer);
    running.delete(child);
    resolve({ code, signal, stdout, stderr });
  }));
  return { child, pid: child.pid, exited };
}

// Ends every app the tests started that still runs.
export function killAll() {
  for (const child of running) child.kill('SIGKILL');
}

export function within(promise, ms) {
  return Promise.race([promise, sleep(ms).then(() => 'running')]);
}

export function xdotool(...args) {
  const result = spawnSync('xdotool', args, { env: { ...process.env, DISPLAY: display() }, encoding: 'utf8',
    timeout: 20_000 });
  return { status: result.status, stdout: (result.stdout ?? '').trim() };
}

// A window's title, place and size (of its contents, as X knows it) and its EWMH state and type.
export function windowInfo(id) {
  const name = xdotool('getwindowname', id);
  const geometry = xdotool('getwindowgeometry', '--shell', id);
  if (name.status !== 0 || geometry.status !== 0) return null;
  const shell = Object.fromEntries(geometry.stdout.split('\n').map((line) => line.split('=')));
  const props = spawnSync('xprop', ['-id', id, '_NET_WM_STATE', '_NET_WM_WINDOW_TYPE', '_MOTIF_WM_HINTS'],
    { env: { ...process.env, DISPLAY: display() }, encoding: 'utf8' }).stdout ?? '';
  return {
    id, title: name.stdout, x: Number(shell.X), y: Number(shell.Y), width: Number(shell.WIDTH),
    height: Number(shell.HEIGHT), state: props.match(/_NET_WM_STATE\(ATOM\) = (.*)/)?.[1] ?? '',
    type: props.match(/_NET_WM_WINDOW_TYPE\(ATOM\) = (.*)/)?.[1] ?? '',
    // GTK asks for no decorations through the Motif hints: flags 0x2, decorations 0.
    decorated: !/_MOTIF_WM_HINTS\(_MOTIF_WM_HINTS\) = 0x2, 0x0, 0x0/.test(props),
  };
}

// The visible windows of a process that `accept` takes, polled until there is one.
export async function waitWindows(pid, accept = () => true, timeoutMs = 30_000) {
  const until = Date.now() + timeoutMs;
  while (Date.now() < until) {
    const found = xdotool('search', '--onlyvisible', '--pid', String(pid));
    if (found.status === 0 && found.stdout) {
      const windows = found.stdout.split('\n').map((id) => windowInfo(id)).filter((w) => w && accept(w));
      if (windows.length) return windows;
    }
    await sleep(200);
  }
  return [];
}

// Asks a window to close as its close box does: the window manager's close (Alt+F4 in openbox).
export function closeWindow(id) {
  xdotool('windowactivate', '--sync', id);
  return xdotool('key', '--clearmodifiers', 'alt+F4');
}

// Types text into the focused window of `id`, one key press and release at a time.
export function typeInto(id, text) {
  xdotool('windowactivate', '--sync', id);
  return xdotool('type', '--delay', '30', text);
}
