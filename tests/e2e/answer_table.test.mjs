// The shared table of page requests (tests/cases/answer_cases.mjs) through the Windows runtime
// under Wine: the WebView2 test double plays the requests as the page would post them and its
// transcript holds the answers. tests/linux/answer_table.test.mjs plays the same table in WebKitGTK.
import { test, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { answerCases, caseData, mismatches } from '../cases/answer_cases.mjs';
import {
  closeApp, closeQueryAnswer, createdPrograms, doubleEnv, kill, packageRaw, start, transcripts, waitWindow,
  webviewDouble, windowsPath, within,
} from './wine_app.mjs';

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-answers-'));
afterEach(() => kill(...createdPrograms));
after(() => fs.rmSync(work, { recursive: true, force: true }));

test('every request of the shared table gets its answer from the Windows runtime', async () => {
  const name = `Answers ${process.pid}`;
  const scratch = fs.mkdtempSync(path.join(work, 'scratch-'));
  const exe = packageRaw(work, `answers${process.pid}`, {
    'vlm.ini': `[App]\nID=com.vellum.answers.${process.pid}\nName=${name}\nDirName=app\nIndexHtml=index.html\n`,
    'WebView2LoaderWin64.dll': fs.readFileSync(webviewDouble),
    'app/index.html': '<html><head><title>Answers</title></head><body>answers</body></html>',
  });
  const fill = { dir: windowsPath(scratch), sep: '\\', key: `Software\\VellumAnswerTable\\${process.pid}` };
  const requests = answerCases.map((c) => ({
    after: 'navigation_completed', action: 'web_message',
    json: JSON.stringify({ id: c.id, uuid: c.uuid, data: caseData(c.data, fill) }),
  }));
  const run = start(exe, [], doubleEnv(work, { steps: [closeQueryAnswer, ...requests] }));
  const answers = () => new Map(transcripts(work).flat().filter((record) => record.event === 'post_web_message')
    .map((record) => JSON.parse(record.json)).map((answer) => [answer.uuid, answer]));
  const until = Date.now() + 60_000;
  while (answers().size < answerCases.length && Date.now() < until) await new Promise((resolve) => setTimeout(resolve, 200));
  const got = answers();
  const wrong = mismatches(got);
  assert.deepEqual(wrong, [], 'every answer as the table gives it');

  const title = answerCases.find((c) => c.name === 'setTitle').data.title;
  assert.ok(waitWindow(title), 'the main window, with the caption the page gave it');
  assert.ok(await closeApp(title), 'the app closes');
  assert.equal(await within(run.exited, 15_000), 0);
});
