// End to end: real packaged executables built by vellum-pack, run under Wine.
// Needs both builds (build/linux and build/windows, or VELLUM_BUILD_LINUX / VELLUM_BUILD_WINDOWS)
// and a Wine prefix (WINEPREFIX); scripts/test.sh provides all three.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { closeApp, driver, start, waitWindow, within } from './wine_app.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const linuxBuild = process.env.VELLUM_BUILD_LINUX ?? path.join(root, 'build/linux');
const windowsBuild = process.env.VELLUM_BUILD_WINDOWS ?? path.join(root, 'build/windows');
const vellumPack = path.join(linuxBuild, 'src/tools/pack/vellum-pack');
const probe = path.join(windowsBuild, 'tests/e2e/archive_probe.exe');
const runtime = path.join(windowsBuild, 'src/app/VellumRuntime.exe');
const example = path.join(root, 'examples/hello');

let work;
let loader;

function run(command, args, options = {}) {
  const result = spawnSync(command, args, { encoding: 'utf8', timeout: 120_000, maxBuffer: 64 << 20, ...options });
  if (result.error) throw result.error;
  return result;
}

function pack(args) {
  const result = run(vellumPack, args);
  assert.equal(result.status, 0, `vellum-pack ${args.join(' ')}\n${result.stderr}`);
  return result;
}

function wine(exe, args = []) {
  const env = { ...process.env, WINEDEBUG: '-all', LC_ALL: 'en_US.UTF-8' };
  return run('wine', [exe, ...args], { env });
}

function windowsPath(unixPath) {
  return 'Z:' + path.resolve(unixPath).replaceAll('/', '\\');
}

function probeReport(exe, args = []) {
  const result = wine(exe, args);
  assert.equal(result.status, 0, result.stderr);
  return JSON.parse(result.stdout);
}

function filesBelow(folder, prefix) {
  return fs.readdirSync(folder, { withFileTypes: true }).flatMap((item) => {
    const full = path.join(folder, item.name);
    const name = `${prefix}/${item.name}`;
    return item.isDirectory() ? filesBelow(full, name) : [{ name, size: fs.statSync(full).size }];
  });
}

before(() => {
  for (const needed of [vellumPack, probe, runtime]) assert.ok(fs.existsSync(needed), `missing ${needed}: build first`);
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-e2e-'));
  loader = path.join(work, 'WebView2LoaderWin64.dll');
  fs.writeFileSync(loader, 'stand-in loader bytes');
});

after(() => fs.rmSync(work, { recursive: true, force: true }));

test('a packaged executable finds, copies and opens its own archive', () => {
  const app = path.join(work, 'hello.exe');
  pack(['build', example, '-o', app, '--runtime', probe, '--loader', loader]);
  const report = probeReport(app);

  assert.equal(report.hasArchive, true);
  const archiveSize = fs.statSync(app).size - fs.statSync(probe).size;
  assert.equal(report.archiveSize, archiveSize);
  assert.deepEqual(report.progress, { max: archiveSize, last: archiveSize, calls: Math.ceil(archiveSize / 10240) });
  assert.deepEqual(report.settings, {
    ID: 'com.example.vellum.hello', Name: 'Hello Vellum', DirName: 'app', IndexHtml: 'index.html',
    Width: 900, AllowDebug: true,
  });

  const expected = [
    { name: 'vlm.ini', size: fs.statSync(path.join(example, 'vlm.ini')).size },
    { name: 'WebView2LoaderWin64.dll', size: fs.statSync(loader).size },
    ...filesBelow(path.join(example, 'app'), 'app').sort((a, b) => (a.name < b.name ? -1 : 1)),
  ];
  assert.deepEqual(report.entries, expected.map((entry) => ({ ...entry, result: 'ok' })));
});

test('the archive comes back byte for byte through the runtime and through vellum-pack', () => {
  const app = path.join(work, 'deflated.exe');
  pack(['build', example, '-o', app, '--runtime', probe, '--loader', loader, '--deflate']);
  const fromRuntime = path.join(work, 'from-runtime.zip');
  const fromTool = path.join(work, 'from-tool.zip');
  const report = probeReport(app, ['--extract', windowsPath(fromRuntime)]);
  assert.ok(report.entries.every((entry) => entry.result === 'ok'));
  pack(['extract', app, '-o', fromTool]);

  const packaged = fs.readFileSync(app);
  const tail = packaged.subarray(fs.statSync(probe).size);
  assert.ok(fs.readFileSync(fromRuntime).equals(tail));
  assert.ok(fs.readFileSync(fromTool).equals(tail));
});

test('a packaged executable in a folder named beyond ASCII still finds its archive', () => {
  const folder = path.join(work, 'déjà vu 测试');
  fs.mkdirSync(folder);
  const app = path.join(folder, 'héllo.exe');
  pack(['build', example, '-o', app, '--runtime', probe, '--loader', loader]);
  assert.equal(probeReport(app).settings.ID, 'com.example.vellum.hello');
});

test('an executable without an archive says so', () => {
  assert.deepEqual(probeReport(probe), { hasArchive: false });
});

test('the runtime image stands alone and a packaged runtime starts under Wine', async () => {
  const objdump = run('x86_64-w64-mingw32-objdump', ['-p', runtime]);
  assert.equal(objdump.status, 0, objdump.stderr);
  const imports = [...objdump.stdout.matchAll(/DLL Name: (\S+)/g)].map((match) => match[1].toLowerCase());
  assert.ok(imports.length > 0);
  for (const dll of imports) assert.doesNotMatch(dll, /^lib(stdc\+\+|gcc|winpthread)/, `imports ${dll}`);

  // With the WebView2 test double as its loader, the packaged app opens its main window,
  // captioned with the app's name; a close goes through the page, which agrees, and the process
  // ends with code 0.
  const app = path.join(work, 'runtime-app.exe');
  const presentLoader = path.join(windowsBuild, 'tests/webview2_double.dll');
  pack(['build', example, '-o', app, '--runtime', runtime, '--loader', presentLoader]);
  const listing = pack(['list', app]).stdout;
  assert.match(listing, /app\/index\.html/);
  const started = start(app);
  const window = waitWindow('class:TMainForm');
  assert.equal(window?.title, 'Hello Vellum');
  assert.ok(await closeApp('class:TMainForm'));
  assert.equal(await within(started.exited, 15_000), 0);
});
