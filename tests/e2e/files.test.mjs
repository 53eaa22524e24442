// End to end: the file, folder and base64 functions of a packaged app on Wine's file system.
// The WebView2 test double plays the page; the test reads the answers from its transcript and
// the bytes from the folders themselves.
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  archivePassword, createdPrograms, doubleEnv, kill, runtime, start, transcripts, webviewDouble, within, windowsPath,
} from './wine_app.mjs';

let work;
before(() => {
  for (const needed of [runtime, webviewDouble]) assert.ok(fs.existsSync(needed), `missing ${needed}`);
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-files-'));
});
afterEach(() => kill(...createdPrograms));
after(() => fs.rmSync(work, { recursive: true, force: true }));

// A packaged app whose archive holds `deflated` compressed and `stored` as it is (zip -0).
function packagedApp(name, { deflated, stored }) {
  const dir = fs.mkdtempSync(path.join(work, `${name}-`));
  const staging = path.join(dir, 'staging');
  const id = `com.vellum.files.${process.pid}.${name}`;
  const files = {
    'vlm.ini': `[App]\nID=${id}\nName=Files ${name}\nDirName=app\nIndexHtml=index.html\n`,
    'WebView2LoaderWin64.dll': fs.readFileSync(webviewDouble),
    'app/index.html': '<html><body>files</body></html>',
    'app/docs/deflated.txt': deflated,
  };
  for (const [entry, content] of Object.entries({ ...files, 'app/stored.bin': stored })) {
    fs.mkdirSync(path.dirname(path.join(staging, entry)), { recursive: true });
    fs.writeFileSync(path.join(staging, entry), content);
  }
  const zip = path.join(dir, 'app.zip');
  const zipped = (args) => spawnSync('zip', ['-q', '-P', archivePassword, ...args], { cwd: staging });
  assert.equal(zipped(['-9', zip, ...Object.keys(files)]).status, 0);
  assert.equal(zipped(['-0', zip, 'app/stored.bin']).status, 0);
  const listing = spawnSync('unzip', ['-v', zip], { encoding: 'utf8' }).stdout;
  assert.match(listing, /Defl:X.*app\/docs\/deflated\.txt/, 'a deflated entry');
  assert.match(listing, /Stored.*app\/stored\.bin/, 'a stored entry');
  const exe = path.join(dir, `${name}.exe`);
  fs.writeFileSync(exe, Buffer.concat([fs.readFileSync(runtime), fs.readFileSync(zip)]));
  createdPrograms.add(path.basename(exe));
  return { dir, exe };
}

const ids = {
  fileExists: 30001, deleteFile: 30002, writeTextFile: 30003, extractFile: 30004,
  dirExists: 40001, createDir: 40002, deleteDir: 40003, listFiles: 40004,
  getTempDir: 40005, getUserDocumentsDir: 40006, getUserDesktopDir: 40007, getAppExecutableDir: 40008,
  getAppDataDir: 40009, decodeToFile: 90001, close: 50001,
};

// Plays the requests once the page has loaded, then closes the app; the answers by uuid.
async function play(app, requests) {
  const steps = [...requests, ['bye', 'close', {}]].map(([uuid, name, data]) => ({
    after: 'navigation_completed', action: 'web_message', json: JSON.stringify({ id: ids[name], uuid, data }),
  }));
  const run = start(app.exe, [], doubleEnv(app.dir, { steps }));
  assert.equal(await within(run.exited, 45_000), 0, `the app ends with app.close: ${run.output()}`);
  const [transcript] = transcripts(app.dir);
  const answers = {};
  for (const record of transcript.filter((r) => r.event === 'post_web_message')) {
    const answer = JSON.parse(record.json);
    answers[answer.uuid] = { success: answer.success, result: answer.result };
  }
  return answers;
}

const ok = (result) => ({ success: true, result });
const failed = (result) => ({ success: false, result });
const bom = Buffer.from([0xef, 0xbb, 0xbf]);

test('every file and folder function on Wine\'s file system, with the bytes it wrote', async () => {
  const deflated = 'deflate me '.repeat(2000);
  const stored = Buffer.from([0, 1, 2, 255, 13, 10, 26]);
  const app = packagedApp('all', { deflated, stored });
  const dir = app.dir;
  const win = (relative) => windowsPath(path.join(dir, relative));
  const appDir = `${windowsPath(dir)}\\`;
  fs.writeFileSync(path.join(dir, 'del.txt'), 'x');
  fs.mkdirSync(path.join(dir, 'tree/sub'), { recursive: true });
  fs.writeFileSync(path.join(dir, 'tree/sub/t.txt'), 't');
  fs.mkdirSync(path.join(dir, 'list/sub/deeper'), { recursive: true });
  fs.mkdirSync(path.join(dir, 'list/folder.txt'));
  for (const name of ['a.txt', 'README', 'b.htmlx', 'sub/c.txt', 'sub/deeper/d.TXT']) {
    fs.writeFileSync(path.join(dir, 'list', name), name);
  }
  fs.writeFileSync(path.join(dir, 'old.txt'), 'old');
  const answers = await play(app, [
    ['w1', 'writeTextFile', { filePath: 'out/new/a.txt', contents: 'a\r\nb\n' }],
    ['w2', 'writeTextFile', { filePath: win('abs.txt'), contents: 'é' }],
    ['w3', 'writeTextFile', { filePath: 'old.txt' }],
    ['w4', 'writeTextFile', { contents: 'x' }],
    ['e1', 'fileExists', { filePath: 'out/new/a.txt' }],
    ['e2', 'fileExists', { filePath: 'out\\new' }],
    ['e3', 'fileExists', { filePath: '/out//new/a.txt' }],
    ['e4', 'fileExists', { filePath: 'out/new/../new/a.txt' }],
    ['e5', 'fileExists', { filePath: 'missing.txt' }],
    ['e6', 'fileExists', { filePath: `${'x'.repeat(300)}.txt` }],
    ['e7', 'fileExists', { filePath: 'a|b?.txt' }],
    ['d1', 'dirExists', { dirPath: 'out/new' }],
    ['d2', 'dirExists', { dirPath: 'out/new/a.txt' }],
    ['c1', 'createDir', { dirPath: 'made' }],
    ['c2', 'createDir', { dirPath: 'no/parent' }],
    ['c3', 'createDir', { dirPath: 'out' }],
    ['x1', 'deleteFile', { filePath: 'del.txt' }],
    ['x2', 'deleteFile', { filePath: 'del.txt' }],
    ['x3', 'deleteFile', { filePath: 'out' }],
    ['r1', 'deleteDir', { dirPath: 'tree' }],
    ['r2', 'deleteDir', { dirPath: 'tree' }],
    ['l1', 'listFiles', { dirPath: 'list', fileMask: '*.txt', allDirs: true }],
    ['l2', 'listFiles', { dirPath: 'list', fileMask: '*.*', allDirs: 'no' }],
    ['l3', 'listFiles', { dirPath: 'list', fileMask: '*.htm', allDirs: 'false' }],
    ['l4', 'listFiles', { dirPath: 'nothing', fileMask: '*', allDirs: 'true' }],
    ['l5', 'listFiles', { dirPath: 'list', fileMask: '*' }],
    ['b1', 'decodeToFile', { filePath: 'bin/x.bin', contents: 'data:application/octet-stream;base64,AP+A\nfw==' }],
    ['b2', 'decodeToFile', { filePath: 'bin/empty.bin' }],
    ['z1', 'extractFile', { sourceFile: '/docs/deflated.txt', targetFile: win('deflated.out') }],
    ['z2', 'extractFile', { sourceFile: '/STORED.BIN', targetFile: win('stored.out') }],
    ['z3', 'extractFile', { sourceFile: '/missing', targetFile: win('missing.out') }],
    ['q1', 'getAppExecutableDir', {}],
    ['q2', 'getTempDir', {}],
    ['q3', 'getAppDataDir', {}],
  ]);
  const expected = {
    w1: ok(true), w2: ok(true), w3: ok(true), w4: failed('Missing filePath'),
    e1: ok(true), e2: ok(false), e3: ok(true), e4: ok(true), e5: ok(false), e6: ok(false), e7: ok(false),
    d1: ok(true), d2: ok(false), c1: ok(true), c2: ok(false), c3: ok(true),
    x1: ok(true), x2: ok(false), x3: ok(false), r1: ok(true), r2: ok(false),
    l2: ok([`${appDir}list\\README`, `${appDir}list\\a.txt`, `${appDir}list\\b.htmlx`]),
    l3: ok([]), l4: failed('The specified folder does not exist.'), l5: failed('Missing allDirs'),
    b1: ok(true), b2: ok(true), z1: ok(true), z2: ok(true), z3: failed('File not found'),
    q1: ok(appDir),
  };
  for (const [uuid, want] of Object.entries(expected)) {
    const got = answers[uuid];
    if (Array.isArray(want.result) && got) got.result = [...got.result].sort();
    assert.deepEqual(got, want, uuid);
  }
  assert.deepEqual(answers.l1.result.sort(),
    [`${appDir}list\\a.txt`, `${appDir}list\\sub\\c.txt`, `${appDir}list\\sub\\deeper\\d.TXT`]);
  for (const uuid of ['q2', 'q3']) assert.match(answers[uuid].result, /^[A-Z]:\\.*\\$/, uuid);

  const bytes = (relative) => fs.readFileSync(path.join(dir, relative));
  assert.deepEqual(bytes('out/new/a.txt'), Buffer.concat([bom, Buffer.from('a\r\nb\r\n')]));
  assert.deepEqual(bytes('abs.txt'), Buffer.concat([bom, Buffer.from('é\r\n')]));
  assert.deepEqual(bytes('old.txt'), bom);
  assert.deepEqual(bytes('bin/x.bin'), Buffer.from([0x00, 0xff, 0x80, 0x7f]));
  assert.equal(bytes('bin/empty.bin').length, 0);
  assert.equal(bytes('deflated.out').toString(), deflated);
  assert.deepEqual(bytes('stored.out'), stored);
  assert.equal(bytes('missing.out').length, 0, 'the target is made, empty, before the look-up');
  assert.ok(fs.statSync(path.join(dir, 'made')).isDirectory());
  assert.ok(!fs.existsSync(path.join(dir, 'no')));
  assert.ok(!fs.existsSync(path.join(dir, 'del.txt')));
  assert.ok(!fs.existsSync(path.join(dir, 'tree')));
  assert.deepEqual(fs.readdirSync(dir).filter((name) => name.startsWith('~vlm')), [], 'no temporary file left');
});

test('a replacement that cannot be completed keeps the old file whole', async () => {
  const app = packagedApp('mend', { deflated: 'new content '.repeat(5000), stored: Buffer.from('s') });
  const dir = app.dir;
  // Without write permission Wine shows the file as read-only, which Windows will not replace.
  for (const name of ['text.txt', 'data.bin']) {
    fs.writeFileSync(path.join(dir, name), `old ${name}`);
    fs.chmodSync(path.join(dir, name), 0o444);
  }
  fs.mkdirSync(path.join(dir, 'folder'));
  fs.writeFileSync(path.join(dir, 'folder/inside.txt'), 'in');
  const big = 'line\n'.repeat(200_000);
  const answers = await play(app, [
    ['t', 'writeTextFile', { filePath: 'text.txt', contents: big }],
    ['b', 'decodeToFile', { filePath: 'data.bin', contents: 'QUJD'.repeat(100_000) }],
    ['f', 'writeTextFile', { filePath: 'folder', contents: 'x' }],
    ['g', 'decodeToFile', { filePath: 'folder', contents: 'QUJD' }],
    ['after', 'writeTextFile', { filePath: 'fresh.txt', contents: 'still working' }],
  ]);
  for (const [uuid, target] of [['t', 'text.txt'], ['b', 'data.bin'], ['f', 'folder'], ['g', 'folder']]) {
    assert.equal(answers[uuid]?.success, false, `${uuid}: ${JSON.stringify(answers[uuid])}`);
    assert.ok(answers[uuid].result.startsWith(`Cannot create file "${windowsPath(dir)}\\${target}". `), answers[uuid].result);
  }
  assert.deepEqual(answers.after, ok(true), 'the app goes on');
  for (const name of ['text.txt', 'data.bin']) {
    assert.equal(fs.readFileSync(path.join(dir, name), 'utf8'), `old ${name}`, name);
  }
  assert.deepEqual(fs.readdirSync(path.join(dir, 'folder')), ['inside.txt']);
  assert.deepEqual(fs.readdirSync(dir).filter((name) => name.startsWith('~vlm')), [], 'nothing half-written beside');
});
