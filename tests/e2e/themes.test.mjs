// Themes end to end: the `Theme` setting selecting a style of the executable at start, an
// unknown name's error box, and the page's three theme functions answered through the
// WebView2 test double. Under Wine the frame colours of Windows 11 are refused harmlessly.
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  appDataDir, closeApp, closeQueryAnswer, createdPrograms, doubleEnv, driver, kill, packageRaw, runtime, start,
  transcripts, waitWindow, webviewDouble, within,
} from './wine_app.mjs';

let work;
let counter = 0;
const ids = [];

before(() => {
  for (const needed of [runtime, webviewDouble]) assert.ok(fs.existsSync(needed), `missing ${needed}: build first`);
  assert.ok(process.env.DISPLAY, 'needs a display (scripts/test.sh starts Xvfb)');
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-themes-'));
});
afterEach(() => kill(...createdPrograms));
after(() => {
  fs.rmSync(work, { recursive: true, force: true });
  for (const id of ids) fs.rmSync(appDataDir(id), { recursive: true, force: true });
});

// A packaged app whose page (played by the double) sends the requests once it has loaded.
function themedApp(themeLine, requests) {
  const id = `com.vellum.themes.${process.pid}.${++counter}`;
  ids.push(id);
  const name = `Themes ${process.pid} ${counter}`;
  const dir = fs.mkdtempSync(path.join(work, 'app-'));
  const exe = packageRaw(dir, `themes${counter}`, {
    'vlm.ini': `[App]\nID=${id}\nName=${name}\nDirName=app\n${themeLine}`,
    'WebView2LoaderWin64.dll': fs.readFileSync(webviewDouble),
    'app/index.html': '<title>Themes</title>',
  });
  const steps = [closeQueryAnswer, ...requests.map(([uuid, id, data]) => ({
    after: 'navigation_completed', action: 'web_message', json: JSON.stringify({ id, uuid, data }),
  }))];
  return { exe, name, dir, env: doubleEnv(dir, { steps }) };
}

async function answers(dir, count, ms = 25_000) {
  const until = Date.now() + ms;
  for (;;) {
    const posted = transcripts(dir).flat().filter((r) => r.event === 'post_web_message').map((r) => JSON.parse(r.json));
    if (posted.length >= count) return Object.fromEntries(posted.map((a) => [a.uuid, [a.success, a.result]]));
    if (Date.now() > until) assert.fail(`only ${posted.length} of ${count} answers: ${JSON.stringify(posted)}`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

const catalogue = [
  'Amakrits', 'Amethyst Kamri', 'Aqua Graphite', 'Aqua Light Slate', 'Auric', 'Carbon', 'Charcoal Dark Slate',
  'Cobalt XEMedia', 'Cyan Dusk', 'Cyan Night', 'Emerald Light Slate', 'Glossy', 'Glow', 'Golden Graphite',
  'Iceberg Classico', 'Lavender Classico', 'Light', 'Luna', 'Metropolis UI Black', 'Metropolis UI Blue',
  'Metropolis UI Dark', 'Metropolis UI Green', 'Obsidian', 'Onyx Blue', 'Ruby Graphite', 'Sapphire Kamri', 'Silver',
  'Sky', 'Slate Classico', 'Smokey Quartz Kamri', 'Tablet Dark', 'Tablet Light', 'Turquoise Gray', 'Windows',
  'Windows10', 'Windows10 Blue', 'Windows10 Dark', 'Windows10 Green', 'Windows10 Purple', 'Windows10 SlateGray',
];

test('Theme in vlm.ini selects a style at start in any case, and the page reads, lists and switches themes', async () => {
  const app = themedApp('Theme=windows10 DARK\n', [
    ['start', 80001, {}],
    ['list', 80002, {}],
    ['carbon', 80003, { name: 'Carbon' }],
    ['afterCarbon', 80001, {}],
    ['lower', 80003, { name: 'metropolis ui blue' }],
    ['afterLower', 80001, {}],
    ['unknown', 80003, { name: 'No Such Theme' }],
    ['empty', 80003, { name: '' }],
    ['long', 80003, { name: 'x'.repeat(10_000) }],
    ['afterBad', 80001, {}],
    ['native', 80003, { name: 'Windows' }],
    ['end', 80001, {}],
  ]);
  const run = start(app.exe, [], app.env);
  const got = await answers(app.dir, 12);
  assert.deepEqual(got, {
    start: [true, 'Windows10 Dark'],
    list: [true, catalogue],
    carbon: [true, true],
    afterCarbon: [true, 'Carbon'],
    lower: [true, false],  // switched, but the answer compares the spelling exactly
    afterLower: [true, 'Metropolis UI Blue'],
    unknown: [true, false],
    empty: [true, false],
    long: [true, false],
    afterBad: [true, 'Metropolis UI Blue'],
    native: [true, true],
    end: [true, 'Windows'],
  });
  assert.equal(driver('count', 'class:TMessageForm').stdout.trim(), '0', 'no "Style ... not found" box');
  assert.deepEqual(transcripts(app.dir).flat().filter((r) => r.event === 'wrong_thread'), []);
  assert.ok(await closeApp(app.name), 'the app closes');
  assert.equal(await within(run.exited, 15_000), 0);
});

test('a Theme naming no style shows its box with one Close button, then the app starts in the native look', async () => {
  const app = themedApp('Theme=Windows 10\n', [['theme', 80001, {}]]);
  const run = start(app.exe, [], app.env);
  const box = waitWindow('class:TMessageForm');
  assert.ok(box, 'the error box');
  assert.equal(box.title, 'Error');
  assert.ok(box.controls.some((c) => c.text === "Style 'Windows 10' not found"), JSON.stringify(box.controls));
  assert.deepEqual(box.controls.filter((c) => c.class === 'Button').map((c) => c.text.replace('&', '')), ['Close']);
  assert.equal(driver('press', 'class:TMessageForm', 'Close').status, 0);
  assert.deepEqual(await answers(app.dir, 1), { theme: [true, 'Windows'] });
  assert.ok(await closeApp(app.name), 'the app closes');
  assert.equal(await within(run.exited, 15_000), 0);
});
