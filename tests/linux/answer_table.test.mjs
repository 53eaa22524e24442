// The shared table of page requests (tests/cases/answer_cases.mjs) through the Linux runtime in
// WebKitGTK: a packaged page posts every request as the library would and closes the app once
// all are answered; the trace (VELLUM_TRACE) holds the answers. tests/e2e/answer_table.test.mjs
// plays the same table through the Windows runtime.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { answerCases, caseData, mismatches } from '../cases/answer_cases.mjs';
import { appEnv, killAll, packageApp, start, startDesktop, stopDesktop, within } from './linux_app.mjs';

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-linux-answers-'));
before(async () => { await startDesktop(); });
after(() => {
  killAll();
  stopDesktop();
  fs.rmSync(work, { recursive: true, force: true });
});

test('every request of the shared table gets the same answer from the Linux runtime', async () => {
  const scratch = fs.mkdtempSync(path.join(work, 'scratch-'));
  const fill = { dir: scratch, sep: '/', key: `Software\\VellumAnswerTable\\${process.pid}` };
  const messages = answerCases.map((c) => ({ id: c.id, uuid: c.uuid, data: caseData(c.data, fill) }));
  const page = `<!doctype html><title>Answers</title><body>answers<script>
const messages = ${JSON.stringify(messages)};
let left = messages.length;
window.chrome.webview.addEventListener('message', (event) => {
  const answer = event.data;
  if (answer && typeof answer.uuid === 'string' && answer.uuid.startsWith('case-') && --left === 0) vlm.app.close();
});
for (const message of messages) window.chrome.webview.postMessage(message);
</script></body>`;
  const exe = packageApp(work, 'answers', {
    'vlm.ini': '[App]\nID=com.test.answers\nName=Answers\nDirName=app\n',
    'app/index.html': page,
  });
  const traceFile = path.join(work, 'trace.jsonl');
  const env = appEnv(fs.mkdtempSync(path.join(work, 'data-')), {
    VELLUM_TRACE: traceFile, XDG_CONFIG_HOME: fs.mkdtempSync(path.join(work, 'config-')),
  });
  const run = await within(start(exe, [], env).exited, 60_000);
  const trace = fs.existsSync(traceFile) ? fs.readFileSync(traceFile, 'utf8').split('\n').filter(Boolean).map((line) => JSON.parse(line)) : [];
  const got = new Map(trace.filter((line) => line.event === 'answer').map((line) => [line.message.uuid, line.message]));
  const wrong = mismatches(got);
  assert.deepEqual(wrong, [], `every answer as the table gives it (exit ${run?.code}; ${run?.stderr?.slice(-1500)})`);
  assert.equal(run.code, 0, 'the page closed the app');
});
