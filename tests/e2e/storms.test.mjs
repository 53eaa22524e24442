// Storms of starts under Wine: many copies of one packaged app started at once, a long run of
// starts in a row, and starts killed while they write the data folder. Each start has a time
// limit; the outcome of every one is checked, not only the last.
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import crypto from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  appDataDir, closeApp, createdPrograms, doubleEnv, driver, kill, packageRaw, runtime, start, transcripts, uiDriver,
  webviewDouble, within,
} from './wine_app.mjs';

let work;
let counter = 0;

before(() => {
  for (const needed of [runtime, uiDriver, webviewDouble]) assert.ok(fs.existsSync(needed), `missing ${needed}`);
  assert.ok(process.env.DISPLAY, 'needs a display (scripts/test.sh starts Xvfb)');
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-storms-'));
});
afterEach(() => kill(...createdPrograms));
after(() => {
  fs.rmSync(work, { recursive: true, force: true });
  for (let i = 1; i <= counter; ++i) fs.rmSync(appDataDir(`com.vellum.storm.${process.pid}.${i}`), { recursive: true, force: true });
});

// A packaged app with its own identity; `loader` is the loader library it carries.
function app(loader = fs.readFileSync(webviewDouble)) {
  const n = ++counter;
  const id = `com.vellum.storm.${process.pid}.${n}`;
  const name = `Storm ${process.pid} ${n}`;
  const dir = fs.mkdtempSync(path.join(work, `app${n}-`));
  const exe = packageRaw(dir, `storm${n}`, {
    'vlm.ini': `[App]\nID=${id}\nName=${name}\nDirName=app\n`,
    'WebView2LoaderWin64.dll': loader,
    'app/index.html': '<html><head><title>Storm</title></head><body>storm</body></html>',
  });
  return { exe, id, name, dir, env: doubleEnv(dir) };
}

const windowCount = (name) => Number(driver('count', name).stdout.trim());
const settle = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function waitUntil(check, what, ms = 30_000) {
  const until = Date.now() + ms;
  while (!check()) {
    if (Date.now() > until) assert.fail(`timed out waiting for ${what}`);
    await settle(200);
  }
}

test('20 simultaneous starts of one app leave exactly one running copy, the others end silently', async () => {
  const a = app();
  const runs = Array.from({ length: 20 }, () => start(a.exe, [], a.env, 120_000));
  const outcomes = Array(20).fill('running');
  runs.forEach((run, i) => run.exited.then((code) => { outcomes[i] = code; }));
  // Nineteen end on their own; which one stays is the system's choice.
  const ended = () => outcomes.filter((outcome) => outcome !== 'running');
  await waitUntil(() => ended().length >= 19, 'nineteen copies to end', 90_000);
  await settle(3000);
  assert.deepEqual(ended(), Array(19).fill(0), `the others end with 0: ${JSON.stringify(outcomes)}`);
  await waitUntil(() => windowCount(a.name) === 1, 'the one window');
  const survivor = runs[outcomes.indexOf('running')];
  assert.ok(await closeApp(a.name));
  assert.equal(await within(survivor.exited, 15_000), 0);
});

test('100 starts in a row beside a running copy each end silently within 20 s; the copy stays whole', async () => {
  const a = app();
  const first = start(a.exe, [], a.env, 600_000);
  await waitUntil(() => windowCount(a.name) === 1, 'the first window');
  const slow = [];
  for (let i = 1; i <= 100; ++i) {
    const began = Date.now();
    const outcome = await within(start(a.exe, [], a.env).exited, 20_000);
    assert.equal(outcome, 0, `start ${i} ends with 0`);
    slow.push(Date.now() - began);
  }
  assert.equal(await within(first.exited, 10), 'running', 'the first copy still runs');
  assert.equal(windowCount(a.name), 1, 'and still has the only window');
  assert.ok(await closeApp(a.name));
  assert.equal(await within(first.exited, 15_000), 0);
  console.log(`# 100 refused starts: slowest ${Math.max(...slow)} ms, median ${slow.sort((x, y) => x - y)[50]} ms`);
});

test('starts killed at random moments while the data folder is written leave one the next start accepts', async () => {
  // A loader library of 48 MB (the double with random bytes appended past its image, which the
  // system ignores) makes its copy into the data folder last long enough to be cut.
  const loader = Buffer.concat([fs.readFileSync(webviewDouble), crypto.randomBytes(48 << 20)]);
  const a = app(loader);
  const library = path.join(appDataDir(a.id), 'Win64', 'WebView2LoaderWin64.dll');
  const seen = [];
  for (let round = 0; round < 10; ++round) {
    fs.rmSync(appDataDir(a.id), { recursive: true, force: true });
    const run = start(a.exe, [], a.env, 60_000);
    // Spread over the start, from before the folder exists to after the copy.
    const delay = 150 + round * 150 + Math.floor(Math.random() * 150);
    await settle(delay);
    kill(path.basename(a.exe));
    await within(run.exited, 15_000);
    // What a kill leaves: whatever is at the library's own name is the whole library.
    if (fs.existsSync(library)) assert.equal(fs.statSync(library).size, loader.length, `round ${round}: a whole library or none`);
    const copies = fs.existsSync(path.dirname(library)) ? fs.readdirSync(path.dirname(library)).filter((name) => name.endsWith('.part')) : [];
    const state = fs.existsSync(library) ? 'whole' : copies.length > 0 ? 'cut' : 'none';
    seen.push(`${delay} ms: ${state}`);
  }
  const afterKills = fs.mkdtempSync(path.join(work, 'after-kills-'));
  const next = start(a.exe, [], doubleEnv(afterKills), 60_000);
  await waitUntil(() => windowCount(a.name) === 1, 'the window of the start after the kills', 45_000);
  await waitUntil(() => transcripts(afterKills).some((records) => records.some((record) => record.event === 'navigation_completed')),
    'the page loaded', 20_000);
  assert.ok(fs.readFileSync(library).equals(loader), 'the library in the data folder is the archive\'s');
  assert.ok(await closeApp(a.name));
  assert.equal(await within(next.exited, 15_000), 0);
  console.log(`# the library after each kill: ${seen.join(', ')}`);
});
