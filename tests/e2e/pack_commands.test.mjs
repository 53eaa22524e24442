// vellum-pack run and preview with --windows: the Windows runtime under Wine, with the WebView2
// test double as its loader library. The double runs no script, so the scenario plays the
// page's isRuntime call; the runtime's trace tells what the page was served and answered.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  closeApp, closeQueryAnswer, doubleEnv, runtime, vellumPack, waitWindow, webviewDouble, windowsPath, wineEnv, within,
} from './wine_app.mjs';

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-pack-windows-'));
after(() => fs.rmSync(work, { recursive: true, force: true }));

const isRuntimeCall = {
  after: 'navigation_completed', repeat: true, action: 'web_message',
  json: JSON.stringify({ id: 10002, uuid: 'is-runtime', data: {} }),
};

function traceLines(file) {
  if (!fs.existsSync(file)) return [];
  return fs.readFileSync(file, 'utf8').split('\n').filter(Boolean).map((line) => JSON.parse(line));
}

async function waitTrace(file, accept, timeoutMs = 30_000) {
  const until = Date.now() + timeoutMs;
  while (Date.now() < until) {
    const found = accept(traceLines(file));
    if (found) return found;
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
  return undefined;
}

const isRuntimeAnswer = (lines) => lines.find((l) => l.event === 'answer' && l.message?.uuid === 'is-runtime');

// Starts vellum-pack with the Wine and double environment; `exited` settles with its status.
function startPack(args, extra) {
  const child = spawn(vellumPack, args, { env: wineEnv(extra), stdio: ['ignore', 'pipe', 'pipe'] });
  let output = '';
  child.stdout.on('data', (chunk) => { output += chunk; });
  child.stderr.on('data', (chunk) => { output += chunk; });
  const timer = setTimeout(() => child.kill('SIGKILL'), 120_000);
  const exited = new Promise((resolve) => child.on('exit', (code) => { clearTimeout(timer); resolve(code); }));
  return { exited, output: () => output };
}

function newProject(name) {
  const project = path.join(work, name);
  const init = spawnSync(vellumPack, ['init', project], { encoding: 'utf8' });
  assert.equal(init.status, 0, init.stderr);
  return project;
}

test('preview --windows: the folder in preview mode under Wine, reloaded when a file changes', async () => {
  const project = newProject('winpreview');
  const trace = path.join(work, 'preview-trace.jsonl');
  const app = startPack(['preview', project, '--windows', '--runtime', runtime, '--loader', webviewDouble],
    { ...doubleEnv(work, { steps: [isRuntimeCall, closeQueryAnswer] }), VELLUM_TRACE: windowsPath(trace) });
  assert.ok(waitWindow('class:TMainForm', 30_000), app.output());
  const answer = await waitTrace(trace, isRuntimeAnswer);
  assert.equal(answer?.message.result, false, 'isRuntime is false in a preview');
  const index = traceLines(trace).find((l) => l.event === 'resource' && l.uri === 'file:///index.html');
  assert.equal(index?.bytes, fs.statSync(path.join(project, 'app/index.html')).size, 'served from the folder');

  fs.appendFileSync(path.join(project, 'app/index.html'), '<p>edited</p>\n');
  const reload = await waitTrace(trace, (lines) => lines.find((l) => l.event === 'script' && l.script === 'location.reload();'));
  assert.ok(reload, 'the page was told to reload');
  assert.equal(reload.pid, answer.pid, 'by the same process');

  assert.ok(await closeApp('class:TMainForm'));
  assert.equal(await within(app.exited, 30_000), 0, app.output());
});

test('run --windows: a temporary Windows app under Wine, gone when it ends', async () => {
  const project = newProject('winrun');
  const trace = path.join(work, 'run-trace.jsonl');
  // Wine keeps its own files under TMPDIR, so the test leaves it alone and follows the folder
  // the tool names instead.
  const app = startPack(['run', project, '--windows', '--runtime', runtime, '--loader', webviewDouble],
    { ...doubleEnv(work, { steps: [isRuntimeCall, closeQueryAnswer] }), VELLUM_TRACE: windowsPath(trace) });
  assert.ok(waitWindow('class:TMainForm', 60_000), `no window; vellum-pack said: ${app.output()}`);
  const answer = await waitTrace(trace, isRuntimeAnswer);
  assert.equal(answer?.message.result, true, 'a packaged app');
  // The driver's synchronous calls hold the event loop: the tool's output is read after them.
  let built;
  for (let i = 0; i < 50 && !built; ++i) {
    await new Promise((resolve) => setTimeout(resolve, 100));
    built = app.output().match(/ into (\S+vellum-run-\w+)\/app\.exe/)?.[1];
  }
  assert.ok(built && fs.existsSync(path.join(built, 'app.exe')), app.output());
  assert.ok(await closeApp('class:TMainForm'));
  assert.equal(await within(app.exited, 30_000), 0, app.output());
  assert.match(app.output(), /the app exited with code 0/);
  assert.equal(fs.existsSync(built), false, 'the temporary app is gone');
});
