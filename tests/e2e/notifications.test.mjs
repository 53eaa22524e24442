// End to end: system.notification in a packaged app under Wine. Wine has no toast platform, so
// the notification is a balloon of the app's own notification-area icon; a helper clicks it as
// the user would, and the page's vlm.events.onNotificationClick gets the name unchanged.
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  closeApp, closeQueryAnswer, createdPrograms, doubleEnv, helpers, kill, packageRaw, runtime, start, webviewDouble,
  wineEnv, within,
} from './wine_app.mjs';

const notificationClick = path.join(helpers, 'notification_click.exe');
let work;

before(() => {
  for (const needed of [runtime, webviewDouble, notificationClick]) assert.ok(fs.existsSync(needed), `missing ${needed}`);
  assert.ok(process.env.DISPLAY, 'needs a display (scripts/test.sh starts Xvfb)');
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-notifications-'));
});
afterEach(() => kill(...createdPrograms));
after(() => fs.rmSync(work, { recursive: true, force: true }));

function records(dir) {
  const files = fs.readdirSync(dir).filter((name) => /^transcript-\d+\.jsonl$/.test(name));
  assert.ok(files.length <= 1, `one process, one transcript: ${files}`);
  if (files.length === 0) return [];
  return fs.readFileSync(path.join(dir, files[0]), 'utf8').split('\n').slice(0, -1).map((line) => JSON.parse(line));
}

async function waitFor(check, what, ms = 20_000) {
  const until = Date.now() + ms;
  for (;;) {
    const found = check();
    if (found) return found;
    if (Date.now() > until) assert.fail(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

const clickBalloon = () => spawnSync('wine', [notificationClick, '5000'], { env: wineEnv(), timeout: 30_000 }).status;

test('a notification answers true and its click reaches onNotificationClick with the name unchanged', async () => {
  const name = `Notify ${process.pid}`;
  const dir = fs.mkdtempSync(path.join(work, 'app-'));
  const exe = packageRaw(dir, `notify${process.pid}`, {
    'vlm.ini': `[App]\nID=com.vellum.notify.${process.pid}\nName=${name}\nDirName=app\nIndexHtml=index.html\n`,
    'WebView2LoaderWin64.dll': fs.readFileSync(webviewDouble),
    'app/index.html': '<html><head><title>Start</title></head><body>start</body></html>',
  });
  const hostile = 'say "hi" \\ </script>\nline two';
  const post = (uuid, data) => ({
    after: 'navigation_completed', action: 'web_message', json: JSON.stringify({ id: 11005, uuid, data }),
  });
  const scenario = doubleEnv(dir, {
    steps: [
      closeQueryAnswer,
      post('empty', {}),  // no arguments: still presented
      post('named', { name: hostile, title: 'Build <done> & "ok"', body: 'Grüße' }),
    ],
  });
  const run = start(exe, [], scenario);

  const answers = await waitFor(() => {
    const posted = records(dir).filter((record) => record.event === 'post_web_message').map((record) => record.json);
    return posted.length >= 2 ? posted : null;
  }, 'both answers');
  assert.deepEqual(answers.sort(), [
    '{"uuid": "empty", "success": true, "result": true}',
    '{"uuid": "named", "success": true, "result": true}',
  ]);

  assert.equal(clickBalloon(), 0, 'the notifier window is there to click');
  const script = `vlm.events.onNotificationClick(${JSON.stringify(hostile)});`;
  const clicked = await waitFor(
    () => records(dir).filter((record) => record.event === 'execute_script' && record.script.includes('Notification')),
    'the click script');
  assert.deepEqual(clicked.map((record) => record.script), [script],
    'the latest balloon is the one clicked; the name arrives as a string literal');
  // The page's script gets back exactly the name it gave.
  assert.equal(Function(`let got; const vlm = { events: { onNotificationClick: (n) => { got = n; } } }; ${script} return got;`)(),
    hostile);
  assert.deepEqual(records(dir).filter((record) => record.event === 'wrong_thread'), []);

  assert.ok(await closeApp(name), 'the app closes');
  assert.equal(await within(run.exited, 15_000), 0);
  assert.equal(clickBalloon(), 1, 'with the process gone, nothing is left to click');
});
