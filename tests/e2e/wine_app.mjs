// Helpers for end-to-end tests that start Windows programs under Wine and drive their windows.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const linuxBuild = process.env.VELLUM_BUILD_LINUX ?? path.join(root, 'build/linux');
export const windowsBuild = process.env.VELLUM_BUILD_WINDOWS ?? path.join(root, 'build/windows');
export const vellumPack = path.join(linuxBuild, 'src/tools/pack/vellum-pack');
export const runtime = path.join(windowsBuild, 'src/app/VellumRuntime.exe');
export const uiDriver = path.join(windowsBuild, 'tests/ui_driver.exe');
export const helpers = path.join(windowsBuild, 'tests');
export const winePrefix = process.env.WINEPREFIX ?? '/var/cache/vellum/wineprefix';

// The archive password, as pinned by the native tests of the password routine.
export const archivePassword = 'Ffuoil-Qvratsg.Frd #2026!e';

// The WebView2 test double, packaged as the app's loader library (docs/webview2-double.md).
export const webviewDouble = path.join(helpers, 'webview2_double.dll');

export function windowsPath(unixPath) {
  return 'Z:' + path.resolve(unixPath).replaceAll('/', '\\');
}

// The double runs no script, so the scenario plays the page: by default, the bridge library's
// close query, which answers "vlm.events.onCloseQuery();" with app.close.
export const closeQueryAnswer = {
  after: 'execute_script', match: { script: 'vlm.events.onCloseQuery();' }, repeat: true,
  action: 'web_message', json: JSON.stringify({ id: 50001, uuid: 'close-query', data: {} }),
};

// Writes a scenario into `dir` and gives the environment that makes the double play it and
// write its transcript there (one file per process: transcript-<pid>.jsonl).
export function doubleEnv(dir, scenario = { steps: [closeQueryAnswer] }) {
  const file = path.join(dir, `scenario-${process.hrtime.bigint()}.json`);
  fs.writeFileSync(file, JSON.stringify(scenario));
  return {
    VELLUM_WEBVIEW2_SCENARIO: windowsPath(file),
    VELLUM_WEBVIEW2_TRANSCRIPT: windowsPath(path.join(dir, 'transcript-{pid}.jsonl')),
  };
}

// Every transcript the double wrote into `dir`, one array of records per process.
export function transcripts(dir) {
  return fs.readdirSync(dir).filter((name) => /^transcript-\d+\.jsonl$/.test(name)).map((name) =>
    fs.readFileSync(path.join(dir, name), 'utf8').split('\n').filter(Boolean).map((line) => JSON.parse(line)));
}

const defaultScenarioDir = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-double-'));
const defaultDoubleEnv = doubleEnv(defaultScenarioDir);

export function wineEnv(extra = {}) {
  return {
    ...process.env, WINEPREFIX: winePrefix, WINEDEBUG: '-all', LC_ALL: 'en_US.UTF-8', ...defaultDoubleEnv, ...extra,
  };
}

// Starts a program under Wine; `exited` settles with its exit code. Every start has a limit.
export function start(exe, args = [], env = {}, limitMs = 60_000) {
  const child = spawn('wine', [exe, ...args], { env: wineEnv(env), stdio: ['ignore', 'pipe', 'pipe'] });
  let output = '';
  child.stdout.on('data', (chunk) => { output += chunk; });
  child.stderr.on('data', (chunk) => { output += chunk; });
  const timer = setTimeout(() => child.kill('SIGKILL'), limitMs);
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => {
    clearTimeout(timer);
    resolve(code ?? `signal ${signal}`);
  }));
  return { child, exited, output: () => output };
}

// Waits for a settled promise at most `ms` milliseconds; 'running' when it did not settle.
export function within(promise, ms) {
  return Promise.race([promise, new Promise((resolve) => setTimeout(() => resolve('running'), ms))]);
}

export function driver(...args) {
  const result = spawnSync('wine', [uiDriver, ...args], { env: wineEnv(), encoding: 'utf8', timeout: 30_000 });
  return { status: result.status, stdout: result.stdout ?? '', stderr: result.stderr ?? '' };
}

export function waitWindow(selector, timeoutMs = 15_000) {
  const result = driver('wait', selector, String(timeoutMs));
  if (result.status !== 0) return null;
  return JSON.parse(result.stdout);
}

// Waits for a window whose controls include one whose text passes `accept`: a dialog that
// follows another of the same class is told apart by what it says.
export async function waitWindowWith(selector, accept, timeoutMs = 15_000) {
  const until = Date.now() + timeoutMs;
  while (Date.now() < until) {
    const window = waitWindow(selector, 2000);
    if (window && window.controls.some((control) => accept(control.text))) return window;
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
  return null;
}

// Ends every copy of a program that a test left running.
export function kill(...exeNames) {
  const images = exeNames.flatMap((name) => ['/IM', name]);
  spawnSync('wine', ['taskkill', '/F', ...images], { env: wineEnv(), stdio: 'ignore', timeout: 20_000 });
}

// The data folder Windows gives an application's identity inside the Wine prefix.
export function appDataDir(id) {
  return path.join(winePrefix, 'drive_c/users', process.env.USER ?? 'root', 'AppData/Local', id);
}

// The file names of the programs the tests made, so that whatever is left running can be ended.
export const createdPrograms = new Set(['VellumRuntime.exe']);

// A packaged executable made of the runtime and an archive of the given files, written with
// Info-ZIP so that settings the packaging tool would refuse can be tried too.
export function packageRaw(dir, name, files) {
  const staging = fs.mkdtempSync(path.join(dir, 'staging-'));
  for (const [entry, content] of Object.entries(files)) {
    fs.mkdirSync(path.dirname(path.join(staging, entry)), { recursive: true });
    fs.writeFileSync(path.join(staging, entry), content);
  }
  const zip = path.join(dir, `${name}.zip`);
  const result = spawnSync('zip', ['-q', '-r', '-P', archivePassword, zip, ...Object.keys(files)], { cwd: staging });
  if (result.status !== 0) throw new Error(`zip failed: ${result.stderr}`);
  const exe = path.join(dir, `${name}.exe`);
  fs.writeFileSync(exe, Buffer.concat([fs.readFileSync(runtime), fs.readFileSync(zip)]));
  createdPrograms.add(path.basename(exe));
  return exe;
}

// Closes every window matching `selector` the way a user would: the page decides, and a close
// sent before the page is ready is lost, so the close is repeated until the windows are gone.
export async function closeApp(selector, timeoutMs = 20_000) {
  const until = Date.now() + timeoutMs;
  while (Date.now() < until) {
    driver('close', selector);
    if (driver('gone', selector, '1000').status === 0) return true;
  }
  return false;
}
