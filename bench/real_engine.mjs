// node bench/real_engine.mjs HOST: runs the benchmark page in the real engine's host and
// prints start to first served file (from spawn, polling the trace every 2 ms), the page
// message round trip and 1,000 small files served, best of three runs.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const host = process.argv[2];
const here = path.dirname(fileURLToPath(import.meta.url));

function makeApp() {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-engine-bench-'));
  const app = path.join(work, 'app');
  fs.mkdirSync(path.join(app, 'small'), { recursive: true });
  fs.copyFileSync(path.join(here, 'real_engine/index.html'), path.join(app, 'index.html'));
  for (let i = 0; i < 1000; i++) fs.writeFileSync(path.join(app, 'small', `${i}.txt`), `file ${i}\n`);
  fs.mkdirSync(path.join(work, 'exe'));
  return work;
}

function once(work) {
  const trace = path.join(work, `trace-${Date.now()}.jsonl`);
  const env = { ...process.env, VELLUM_TRACE: trace };
  // WebKit refuses its sandbox as root; the benchmark page is our own.
  if (process.getuid?.() === 0) env.WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS = '1';
  const started = performance.now();
  const child = spawn(host, ['--app', path.join(work, 'app'), '--exe-dir', path.join(work, 'exe'),
    '--data', path.join(work, 'data'), '--timeout', '120'], { env, stdio: ['ignore', 'ignore', 'inherit'] });
  let firstServed = null;
  const poll = setInterval(() => {
    if (firstServed === null && fs.existsSync(trace) && fs.readFileSync(trace, 'utf8').includes('"event": "resource"'))
      firstServed = performance.now() - started;
  }, 2);
  return new Promise((resolve, reject) => child.on('close', (code) => {
    clearInterval(poll);
    if (code !== 0) return reject(new Error(`host exited ${code}`));
    const line = fs.readFileSync(trace, 'utf8').split('\n').filter(Boolean).map((l) => JSON.parse(l))
      .find((l) => l.event === 'console' && l.text.startsWith('bench '));
    resolve({ firstServedMs: firstServed, ...JSON.parse(line.text.slice(6)) });
  }));
}

const work = makeApp();
try {
  const runs = [];
  for (let i = 0; i < 3; i++) runs.push(await once(work));
  const best = (key) => Math.min(...runs.map((run) => run[key]));
  console.log(`start to first served file: ${best('firstServedMs').toFixed(0)} ms (from spawn)`);
  console.log(`page message round trip:    ${(best('roundTripMs') * 1000).toFixed(0)} µs (vlm.hello, 2,000 in a row; target ≤ 1 ms)`);
  console.log(`1,000 small files:          ${best('thousandFilesParallelMs').toFixed(0)} ms in parallel, ${best('thousandFilesSequentialMs').toFixed(0)} ms one after another`);
  console.log(`files correct:              ${runs.every((run) => run.filesCorrect)}`);
} finally {
  fs.rmSync(work, { recursive: true, force: true });
}
