// End to end: the page's app and window functions (window.vlm.app, window.vlm.window) in real
// packaged apps under Wine, with the WebView2 test double as their loader. The double's scenario
// plays the page; its transcript holds the answers, and the UI driver reads the window itself.
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  createdPrograms, doubleEnv, driver, kill, packageRaw, runtime, start, uiDriver, waitWindow, webviewDouble,
  within, windowsPath,
} from './wine_app.mjs';

let work;
let counter = 0;

before(() => {
  for (const needed of [runtime, uiDriver, webviewDouble]) assert.ok(fs.existsSync(needed), `missing ${needed}`);
  assert.ok(process.env.DISPLAY, 'needs a display (scripts/test.sh starts Xvfb)');
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-app-window-'));
});
afterEach(() => kill(...createdPrograms));
after(() => fs.rmSync(work, { recursive: true, force: true }));

// A packaged app with its own identity and a folder of its own for the double's files.
function app(settings = '') {
  const n = ++counter;
  const id = `com.vellum.appwindow.${process.pid}.${n}`;
  const name = `App Window ${process.pid} ${n}`;
  const dir = fs.mkdtempSync(path.join(work, `app${n}-`));
  const exe = packageRaw(dir, `appwindow${n}`, {
    'vlm.ini': `[App]\nID=${id}\nName=${name}\nDirName=app\nIndexHtml=index.html\n${settings}`,
    'WebView2LoaderWin64.dll': fs.readFileSync(webviewDouble),
    'app/index.html': '<html><head><title>Start</title></head><body>start</body></html>',
  });
  return { exe, id, name, dir };
}

const functionIds = {
  hello: 10001, isRuntime: 10002,
  close: 50001, inFullscreen: 50002, enterFullscreen: 50003, exitFullscreen: 50004, getArgs: 50005, navigate: 50006,
  getStyle: 60001, setStyle: 60002, getState: 60003, setState: 60004, getTitle: 60005, setTitle: 60006,
  getZoom: 60007, setZoom: 60008, getSize: 60009, setSize: 60010, getBorder: 60011, setBorder: 60012,
};
// What the page posts to the bridge.
const call = (uuid, name, data = {}) => ({ id: functionIds[name], uuid, data });
const post = (request) => ({ action: 'web_message', json: JSON.stringify(request) });

const closeQueryScript = 'vlm.events.onCloseQuery();';

// The page asks in rounds: the first once the start page has loaded, each later one when the
// window is asked to close (this page answers its close query with the next round instead of
// agreeing), so that a test can look at the window between rounds. A last round closes the app.
function roundSteps(rounds) {
  return [...rounds, [call('bye', 'close')]].flatMap((round, i) => round.map((request) => ({
    after: i === 0 ? 'navigation_completed' : 'execute_script',
    ...(i === 0 ? {} : { match: { script: closeQueryScript }, occurrence: i }),
    ...post(request),
  })));
}

async function settle(ms) { await new Promise((resolve) => setTimeout(resolve, ms)); }

// The complete records of the app's one transcript (a line being written is left for later).
function records(dir) {
  const files = fs.readdirSync(dir).filter((name) => /^transcript-\d+\.jsonl$/.test(name));
  assert.ok(files.length <= 1, `one process, one transcript: ${files}`);
  if (files.length === 0) return [];
  return fs.readFileSync(path.join(dir, files[0]), 'utf8').split('\n').slice(0, -1).map((line) => JSON.parse(line));
}
const events = (list, name) => list.filter((record) => record.event === name);

// Every answer is `{"uuid": "<uuid>", "success": <true|false>, "result": <json>}`, spaced so.
const answerForm = /^\{"uuid": "([^"\\]*)", "success": (true|false), "result": (.*)\}$/s;
function answers(list) {
  return events(list, 'post_web_message').map((record) => {
    const parts = answerForm.exec(record.json);
    assert.ok(parts, `an answer in the bridge's form: ${record.json}`);
    return { seq: record.seq, uuid: parts[1], success: parts[2] === 'true', text: parts[3], result: JSON.parse(parts[3]) };
  });
}

async function waitFor(check, what, ms = 15_000) {
  const until = Date.now() + ms;
  for (;;) {
    const found = check();
    if (found) return found;
    if (Date.now() > until) assert.fail(`timed out waiting for ${what}`);
    await settle(100);
  }
}

// A started app whose page plays `rounds`; `extraSteps` are further scenario steps.
function play(a, rounds, { env = {}, commandLine = null, extraSteps = [] } = {}) {
  const steps = [...roundSteps(rounds), ...extraSteps];
  const uuids = steps.filter((step) => step.json).map((step) => JSON.parse(step.json).uuid);
  assert.equal(new Set(uuids).size, uuids.length, `every request has a uuid of its own: ${uuids}`);
  const scenario = doubleEnv(a.dir, { steps });
  const run = commandLine === null
    ? start(a.exe, [], { ...scenario, ...env })
    : start(uiDriver, ['run', commandLine], { ...scenario, ...env });
  let round = 0;
  const page = {
    run,
    records: () => records(a.dir),
    answers: () => answers(records(a.dir)),
    answer: (uuid) => answers(records(a.dir)).find((answer) => answer.uuid === uuid),
    waitAnswer: (uuid, ms) => waitFor(() => page.answer(uuid), `the answer to ${uuid}`, ms),
    // Waits for the answers to `uuids`, then gives every answer by uuid.
    async answered(...uuids) {
      for (const uuid of uuids) await page.waitAnswer(uuid);
      return Object.fromEntries(page.answers().map((answer) => [answer.uuid, answer]));
    },
    // Asks for the next round through the window called `selector`.
    async next(selector = a.name) {
      round += 1;
      const before = events(records(a.dir), 'execute_script').length;
      assert.equal(driver('close', selector).status, 0, `round ${round}: the window is there to ask`);
      await waitFor(() => events(records(a.dir), 'execute_script').length > before, `close query ${round}`);
    },
    // The last round: the page closes the app; it ends with exit code 0.
    async finish(selector = a.name) {
      await page.next(selector);
      assert.equal(await within(run.exited, 15_000), 0, 'app.close ends the app with exit code 0');
    },
  };
  return page;
}

// The window as the UI driver sees it.
function windowOf(selector) {
  const window = waitWindow(selector, 10_000);
  assert.ok(window, `window ${selector}`);
  assert.equal(window.class, 'TMainForm');
  return window;
}

const WS_POPUP = 0x80000000, WS_CAPTION = 0xc00000, WS_THICKFRAME = 0x40000, WS_SYSMENU = 0x80000;
const WS_MINIMIZEBOX = 0x20000, WS_MAXIMIZEBOX = 0x10000;
const WS_OVERLAPPEDWINDOW = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
const WS_EX_DLGMODALFRAME = 0x1, WS_EX_TOPMOST = 0x8, WS_EX_TOOLWINDOW = 0x80;
const has = (value, bits) => ((value & bits) >>> 0) === (bits >>> 0);

// The frame each border word stands for: [WS_POPUP, caption, sizing frame, tool window, dialog frame].
const frames = {
  none: [1, 0, 0, 0, 0],
  single: [0, 1, 0, 0, 0],
  sizeable: [0, 1, 1, 0, 0],
  dialog: [0, 1, 0, 0, 1],
  toolwindow: [0, 1, 0, 1, 0],
  sizetoolwindow: [0, 1, 1, 1, 0],
};
function assertFrame(window, word, label) {
  const seen = [has(window.style, WS_POPUP), has(window.style, WS_CAPTION), has(window.style, WS_THICKFRAME),
    has(window.exStyle, WS_EX_TOOLWINDOW), has(window.exStyle, WS_EX_DLGMODALFRAME)].map(Number);
  assert.deepEqual(seen, frames[word], `${label}: the ${word} frame (style ${window.style.toString(16)}, ` +
    `exStyle ${window.exStyle.toString(16)})`);
  if (word === 'sizeable') assert.ok(has(window.style, WS_OVERLAPPEDWINDOW), `${label}: WS_OVERLAPPEDWINDOW`);
}

const success = (result) => ({ success: true, result });
function assertAnswers(got, expected) {
  for (const [uuid, want] of Object.entries(expected)) {
    assert.ok(got[uuid], `an answer to ${uuid}`);
    assert.deepEqual({ success: got[uuid].success, result: got[uuid].result }, want, uuid);
  }
}

test('hello, isRuntime, getArgs and navigate', async () => {
  const a = app();
  // Split by the Windows rules: quotes group and are removed, \" is a quote, 2n backslashes
  // before a quote are n, other backslashes stay.
  const commandLine = `"${windowsPath(a.exe)}" plain "two words" a"b c"d \\\\server\\share "C:\\dir\\\\" say\\"hi\\" ""`;
  const expectedArgs = [windowsPath(a.exe), 'plain', 'two words', 'ab cd', '\\\\server\\share', 'C:\\dir\\', 'say"hi"', ''];
  const page = play(a, [[
    call('hello', 'hello'), call('runtime', 'isRuntime'), call('args', 'getArgs'),
    call('nav-none', 'navigate'), call('nav-empty', 'navigate', { url: '' }),
    call('nav-file', 'navigate', { url: 'file:///second.html?x=1' }),
    call('nav-web', 'navigate', { url: 'https://example.com/path?q=a b' }),
    call('hello-again', 'hello'),
  ]], { commandLine });
  const got = await page.answered('hello-again');
  assertAnswers(got, {
    hello: success('2025.10'), runtime: success(true), args: success(expectedArgs),
    'nav-none': { success: false, result: 'Missing url' }, 'nav-empty': { success: false, result: 'Missing url' },
    'nav-file': success(true), 'nav-web': success(true), 'hello-again': success('2025.10'),
  });
  assert.equal(got['nav-none'].text, '"Missing url"');
  assert.deepEqual(page.answers().map((answer) => answer.uuid),
    ['hello', 'runtime', 'args', 'nav-none', 'nav-empty', 'nav-file', 'nav-web', 'hello-again'], 'answered in order');
  const navigations = events(page.records(), 'navigate').map((record) => record.uri);
  assert.deepEqual(navigations, ['file:///index.html', 'file:///second.html?x=1', 'https://example.com/path?q=a b'],
    'the start page, then only the two addresses given');
  await page.finish();
});

test('window style and state: "ontop" and the three state words, exactly', async () => {
  const a = app();
  // [what setStyle is given (undefined: no style), the style after it]
  const styles = [['ontop', 'ontop'], ['OnTop', 'normal'], ['ontop', 'ontop'], [undefined, 'normal'],
    ['ontop', 'ontop'], ['normal', 'normal']];
  // [what setState is given, the state after it]
  const states = [['minimized', 'minimized'], ['hidden', 'minimized'], ['maximized', 'maximized'],
    ['Normal', 'maximized'], ['normal', 'normal'], ['hidden', 'normal'], ['maximized', 'maximized'],
    ['minimized', 'minimized'], ['normal', 'normal']];
  const page = play(a, [
    [call('style-start', 'getStyle'), call('state-start', 'getState')],
    ...styles.map(([style], i) => [call(`set-style${i}`, 'setStyle', style === undefined ? {} : { style }),
      call(`style${i}`, 'getStyle')]),
    ...states.map(([state], i) => [call(`set-state${i}`, 'setState', { state }), call(`state${i}`, 'getState')]),
  ]);
  assertAnswers(await page.answered('style-start', 'state-start'),
    { 'style-start': success('normal'), 'state-start': success('normal') });
  const first = windowOf(a.name);
  assert.equal(first.topmost, false);
  assert.equal(first.minimized, false);
  assert.equal(first.maximized, false);

  for (const [i, [style, expected]] of styles.entries()) {
    await page.next();
    const got = await page.answered(`style${i}`);
    assertAnswers(got, { [`set-style${i}`]: success(true), [`style${i}`]: success(expected) });
    const window = windowOf(a.name);
    assert.equal(window.topmost, expected === 'ontop', `setStyle ${style}: topmost`);
    assert.equal(has(window.exStyle, WS_EX_TOPMOST), expected === 'ontop', `setStyle ${style}: WS_EX_TOPMOST`);
  }
  for (const [i, [state, expected]] of states.entries()) {
    await page.next();
    const got = await page.answered(`state${i}`);
    assertAnswers(got, { [`set-state${i}`]: success(true), [`state${i}`]: success(expected) });
    const window = windowOf(a.name);
    assert.equal(window.visible, true, `setState ${state}: still shown`);
    assert.deepEqual([window.minimized, window.maximized], [expected === 'minimized', expected === 'maximized'],
      `setState ${state} leaves it ${expected}`);
  }
  await page.finish();
});

test('window title and size: captions read back as set, sizes kept within the configured limits', async () => {
  const a = app('MinWidth=300\nMaxWidth=1000\nMinHeight=200\nMaxHeight=700\n');
  const titles = ['Say "hi" to C:\\dir\\', 'Grüße – ✓ 日本', 'App Window again'];
  // [what setSize is given, the bounds after it (from the previous ones)]
  const sizes = [
    [{ top: 20, left: 10, width: 640, height: 480 }, { top: 20, left: 10, width: 640, height: 480 }],
    [{ width: 5000 }, { top: 20, left: 10, width: 1000, height: 480 }],
    [{ height: 50 }, { top: 20, left: 10, width: 1000, height: 200 }],
    [{ height: 5000, width: 100 }, { top: 20, left: 10, width: 300, height: 700 }],
    [{ top: '120.7', width: '450.9' }, { top: 120, left: 10, width: 450, height: 700 }],
    [{ left: '$1E0', height: '0x1E0' }, { top: 120, left: 480, width: 450, height: 480 }],
    [{ left: 'abc', width: 'abc' }, { top: 120, left: 0, width: 300, height: 480 }],
    [{ top: 33.9, height: '640' }, { top: 33, left: 0, width: 300, height: 640 }],
    [{}, { top: 33, left: 0, width: 300, height: 640 }],
  ];
  const page = play(a, [
    [call('title0', 'getTitle'), call('size0', 'getSize')],
    ...titles.map((title, i) => [call(`set-title${i}`, 'setTitle', { title }), call(`title${i + 1}`, 'getTitle')]),
    [call('clear-title', 'setTitle'), call('title-cleared', 'getTitle')],
    [call('set-title-back', 'setTitle', { title: a.name }), call('title-back', 'getTitle'),
      ...sizes.map(([bounds], i) => [call(`set-size${i}`, 'setSize', bounds), call(`size${i + 1}`, 'getSize')]).flat()],
  ]);
  const first = await page.answered('title0', 'size0');
  assertAnswers(first, { title0: success(a.name) });
  const window = windowOf(a.name);
  const [left, top, right, bottom] = window.rect;
  assert.equal(first.size0.text, `{"top": ${top}, "left": ${left}, "width": ${right - left}, "height": ${bottom - top}}`,
    'getSize is the outer window rectangle');
  assert.deepEqual([right - left, bottom - top], [800, 600]);

  let selector = a.name;
  for (const [i, title] of titles.entries()) {
    await page.next(selector);
    const got = await page.answered(`title${i + 1}`);
    assertAnswers(got, { [`set-title${i}`]: success(true), [`title${i + 1}`]: success(title) });
    assert.equal(windowOf(title).title, title, 'the caption itself');
    assert.equal(driver('count', selector).stdout.trim(), '0', 'the old caption is gone');
    selector = title;
  }
  assert.equal(page.answer('title1').text, '"Say \\"hi\\" to C:\\\\dir\\\\"', 'quotes and backslashes escaped');

  await page.next(selector);
  assertAnswers(await page.answered('title-cleared'), { 'clear-title': success(true), 'title-cleared': success('') });
  const untitled = `handle:${window.handle}`;
  assert.equal(windowOf(untitled).title, '', 'setTitle without a title clears the caption');
  await page.next(untitled);
  const got = await page.answered(`size${sizes.length}`);
  assertAnswers(got, { 'set-title-back': success(true), 'title-back': success(a.name) });
  for (const [i, [given, bounds]] of sizes.entries()) {
    assert.equal(got[`set-size${i}`].result, true, `setSize ${JSON.stringify(given)}`);
    assert.equal(got[`size${i + 1}`].text,
      `{"top": ${bounds.top}, "left": ${bounds.left}, "width": ${bounds.width}, "height": ${bounds.height}}`,
      `setSize ${JSON.stringify(given)}`);
  }
  const [last] = sizes.at(-1).slice(1);
  const resized = windowOf(a.name);
  assert.deepEqual(resized.rect, [last.left, last.top, last.left + last.width, last.top + last.height],
    'the window has the bounds getSize gave');
  await page.finish();
});

test('getZoom answers in the user\'s locale; setZoom takes invariant numbers and resets otherwise', async () => {
  for (const [locale, separator] of [['en_US.UTF-8', '.'], ['de_DE.UTF-8', ',']]) {
    const a = app();
    const text = (factor) => String(factor).replace('.', separator);
    // [what setZoom is given (undefined: no factor), the answer, the factor after it]
    const zooms = [[1.25, true, 1.25], ['1.5', true, 1.5], ['1,5', false, 1], [2, true, 2], ['abc', false, 1],
      ['0.75', true, 0.75], [undefined, false, 1], ['3', true, 3]];
    const page = play(a, [[
      call('zoom-start', 'getZoom'),
      ...zooms.flatMap(([factor], i) => [call(`set-zoom${i}`, 'setZoom', factor === undefined ? {} : { factor }),
        call(`zoom${i}`, 'getZoom')]),
    ]], {
      env: { LC_ALL: locale },
      extraSteps: [
        // The user zooms, and the page asks afterwards.
        { after: 'post_web_message', match: { json: `{"uuid": "zoom${zooms.length - 1}", "success": true, "result": "3"}` },
          action: 'zoom', factor: 1.75 },
        { after: 'zoom', match: { value: 1.75 }, ...post(call('user-zoom', 'getZoom')) },
      ],
    });
    const got = await page.answered('user-zoom');
    assertAnswers(got, { 'zoom-start': success('1'), 'user-zoom': success(text(1.75)) });
    for (const [i, [factor, accepted, after]] of zooms.entries()) {
      const label = `${locale}: setZoom ${JSON.stringify(factor)}`;
      assert.deepEqual([got[`set-zoom${i}`].result, got[`zoom${i}`].result], [accepted, text(after)], label);
      assert.deepEqual([got[`set-zoom${i}`].success, got[`zoom${i}`].success], [true, true], label);
    }
    const list = page.records();
    const firstRequest = list.find((record) => record.event === 'web_message').seq;
    const zoomsSet = events(list, 'zoom').filter((record) => record.seq > firstRequest).map((record) => record.value);
    assert.deepEqual(zoomsSet, [...zooms.map(([, , after]) => after), 1.75], `${locale}: the factors the browser was given`);
    await page.finish();
  }
});

test('fullscreen: borderless and maximised once, back to the sizeable frame and normal state', async () => {
  const a = app();
  const page = play(a, [
    [call('in0', 'inFullscreen'), call('enter', 'enterFullscreen'), call('in1', 'inFullscreen'),
      call('state1', 'getState'), call('border1', 'getBorder')],
    // Entered already: a second call changes nothing, not even the state the page set meanwhile.
    [call('restore', 'setState', { state: 'normal' }), call('enter-again', 'enterFullscreen'),
      call('in2', 'inFullscreen'), call('state2', 'getState'), call('border2', 'getBorder')],
    [call('maximize', 'setState', { state: 'maximized' }), call('exit', 'exitFullscreen'), call('in3', 'inFullscreen'),
      call('state3', 'getState'), call('border3', 'getBorder')],
    // Not in fullscreen: exitFullscreen changes nothing, neither the state nor the frame.
    [call('single', 'setBorder', { border: 'single' }), call('border-single', 'getBorder')],
    [call('maximize-again', 'setState', { state: 'maximized' }), call('exit-again', 'exitFullscreen'),
      call('in4', 'inFullscreen'), call('state4', 'getState'), call('border4', 'getBorder')],
  ]);
  // In fullscreen the window covers the whole screen (Xvfb has no task bar). Checked at the end,
  // so that a failure here leaves the rest still seen.
  const screenOf = ({ desktop: [left, top, width, height] }) => [left, top, left + width, top + height];
  let fullscreenRect = null;
  assertAnswers(await page.answered('border1'), {
    in0: success(false), in1: success(true), state1: success('maximized'), border1: success('none'),
  });
  let window = windowOf(a.name);
  assertFrame(window, 'none', 'in fullscreen');
  assert.equal(window.maximized, true, 'in fullscreen: maximised');
  fullscreenRect = { rect: window.rect, screen: screenOf(window) };

  await page.next();
  assertAnswers(await page.answered('border2'), {
    restore: success(true), in2: success(true), state2: success('normal'), border2: success('none'),
  });
  window = windowOf(a.name);
  assertFrame(window, 'none', 'entered twice');
  assert.equal(window.maximized, false, 'the second enterFullscreen did not maximise again');

  await page.next();
  assertAnswers(await page.answered('border3'), {
    maximize: success(true), in3: success(false), state3: success('normal'), border3: success('sizeable'),
  });
  window = windowOf(a.name);
  assertFrame(window, 'sizeable', 'after exitFullscreen');
  assert.deepEqual([window.maximized, window.minimized], [false, false], 'after exitFullscreen: normal');

  await page.next();
  assertAnswers(await page.answered('border-single'), { 'border-single': success('single') });
  assertFrame(windowOf(a.name), 'single', 'setBorder single');

  await page.next();
  assertAnswers(await page.answered('border4'), {
    'maximize-again': success(true), in4: success(false), state4: success('maximized'), border4: success('single'),
  });
  window = windowOf(a.name);
  assertFrame(window, 'single', 'exitFullscreen outside fullscreen');
  assert.equal(window.maximized, true, 'exitFullscreen outside fullscreen keeps the state');

  const silent = ['enter', 'enter-again', 'exit', 'exit-again', 'single'];
  assert.deepEqual(page.answers().filter((answer) => silent.includes(answer.uuid)), [], 'no answers to these');
  // Entering fullscreen gave the browser the whole screen. Under Wine without a window manager
  // the X server's late answer to the frame change then puts the maximised window back at its
  // earlier size (a bare Win32 program does the same), so the window's own rectangle is not the
  // evidence here; the bounds the browser was given are.
  const [screenLeft, screenTop, screenRight, screenBottom] = fullscreenRect.screen;
  const screenSize = [screenRight - screenLeft, screenBottom - screenTop];
  assert.ok(events(page.records(), 'bounds').some((record) =>
    record.right - record.left === screenSize[0] && record.bottom - record.top === screenSize[1]),
  `in fullscreen: the browser was given the whole screen ${screenSize}`);
  await page.finish();
});

test('setBorder changes the frame in place for an exact word and never answers', async () => {
  const a = app('WindowBorder=3\n');
  const words = ['none', 'single', 'sizeable', 'toolwindow', 'sizetoolwindow', 'dialog', 'none', 'sizetoolwindow'];
  const page = play(a, [
    [call('border0', 'getBorder')],
    ...words.map((border, i) => [call(`set${i}`, 'setBorder', { border }), call(`border${i + 1}`, 'getBorder')]),
    [call('wrong-case', 'setBorder', { border: 'Sizeable' }), call('unknown', 'setBorder', { border: 'thin' }),
      call('padded', 'setBorder', { border: ' dialog' }), call('border-kept', 'getBorder')],
    // Fullscreen and back returns to the frame vlm.ini gives, whatever the page set.
    [call('enter', 'enterFullscreen'), call('in-fullscreen', 'getBorder'), call('exit', 'exitFullscreen'),
      call('border-configured', 'getBorder')],
  ]);
  assertAnswers(await page.answered('border0'), { border0: success('dialog') });
  const first = windowOf(a.name);
  assertFrame(first, 'dialog', 'WindowBorder=3');
  for (const [i, word] of words.entries()) {
    await page.next();
    assertAnswers(await page.answered(`border${i + 1}`), { [`border${i + 1}`]: success(word) });
    const window = windowOf(a.name);
    assertFrame(window, word, `setBorder ${word}`);
    assert.equal(window.handle, first.handle, `setBorder ${word}: the same window`);
    assert.deepEqual(window.rect, first.rect, `setBorder ${word}: the same place and size`);
  }
  await page.next();
  assertAnswers(await page.answered('border-kept'), { 'border-kept': success('sizetoolwindow') });
  assertFrame(windowOf(a.name), 'sizetoolwindow', 'after words that are not exact');
  await page.next();
  assertAnswers(await page.answered('border-configured'),
    { 'in-fullscreen': success('none'), 'border-configured': success('dialog') });
  const last = windowOf(a.name);
  assertFrame(last, 'dialog', 'after fullscreen');
  assert.equal(last.handle, first.handle);

  const answered = page.answers().map((answer) => answer.uuid);
  for (const silent of [...words.map((_, i) => `set${i}`), 'wrong-case', 'unknown', 'padded', 'enter', 'exit'])
    assert.ok(!answered.includes(silent), `no answer to ${silent}`);
  assert.equal(events(page.records(), 'create_controller').length, 1, 'the browser was never re-created');
  await page.finish();
});

test('an object or array argument is reported in an "Error" box that holds back later requests', async () => {
  const a = app();
  // [function, data, the argument named in the error]
  const wrong = [
    ['setTitle', { title: {} }, 'title'],
    ['setState', { state: { value: 'maximized' } }, 'state'],
    ['setStyle', { style: ['ontop'] }, 'style'],
    ['setZoom', { factor: [2] }, 'factor'],
    ['setSize', { width: { value: 500 } }, 'width'],
    ['navigate', { url: ['file:///x.html'] }, 'url'],
    ['setBorder', { border: {} }, 'border'],
  ];
  // Each round: the wrong call and a request queued right behind it. The first round's page also
  // asks once more while the box is up.
  const page = play(a, [
    ...wrong.map(([name, data], i) => [call(`wrong${i}`, name, data), call(`queued${i}`, 'getTitle')]),
    [call('title', 'getTitle'), call('state', 'getState'), call('style', 'getStyle'), call('zoom', 'getZoom'),
      call('size', 'getSize'), call('border', 'getBorder'), call('fullscreen', 'inFullscreen')],
  ], {
    extraSteps: [{ after: 'web_message', match: { json: JSON.stringify(call('queued0', 'getTitle')) }, delay_ms: 1000,
      ...post(call('while-shown', 'isRuntime')) }],
  });
  const sizeBefore = windowOf(a.name).rect;
  for (const [i, [name, data, argument]] of wrong.entries()) {
    const label = `${name} ${JSON.stringify(data)}`;
    if (i > 0) await page.next();
    const box = waitWindow('Error', 15_000);
    assert.ok(box, `${label}: the error is shown`);
    assert.equal(box.class, '#32770', `${label}: a message box`);
    assert.ok(box.controls.some((control) => control.text.includes(`'${argument}'`)),
      `${label}: the box names the argument: ${JSON.stringify(box.controls)}`);
    const held = i === 0 ? ['queued0', 'while-shown'] : [`queued${i}`];
    if (i === 0) {
      // The page asks again while the box is up; give a wrong dispatch time to show.
      await waitFor(() => events(page.records(), 'web_message').some((record) => record.json.includes('"while-shown"')),
        'the request sent while the box is up');
      await settle(500);
      assert.equal(driver('count', 'Error').stdout.trim(), '1', `${label}: the box is still up`);
    }
    const before = page.answers().length;
    assert.deepEqual(page.answers().filter((answer) => held.includes(answer.uuid)), [],
      `${label}: nothing answered while the box is up`);
    assert.equal(driver('press', 'Error', 'OK').status, 0);
    assert.equal(driver('gone', 'Error', '10000').status, 0, `${label}: the box closes`);
    await page.waitAnswer(held.at(-1));
    const after = page.answers().slice(before).map((answer) => answer.uuid);
    assert.deepEqual(after, held, `${label}: answered in order, after OK`);
    assert.deepEqual(page.answer(`queued${i}`).result, a.name, `${label}: the caption is unchanged`);
    assert.equal(page.answer(`wrong${i}`), undefined, `${label}: no answer`);
  }
  await page.next();
  assertAnswers(await page.answered('fullscreen'), {
    title: success(a.name), state: success('normal'), style: success('normal'), zoom: success('1'),
    border: success('sizeable'), fullscreen: success(false),
  });
  const [left, top, right, bottom] = sizeBefore;
  assert.equal(page.answer('size').text, `{"top": ${top}, "left": ${left}, "width": ${right - left}, "height": ${bottom - top}}`);
  assert.deepEqual(events(page.records(), 'navigate').map((record) => record.uri), ['file:///index.html']);
  assert.deepEqual(events(page.records(), 'zoom').filter((record) => record.value !== 1), [], 'the zoom never changed');
  assertFrame(windowOf(a.name), 'sizeable', 'after the wrong setBorder');
  await page.finish();
});

test('app.close closes the window and runs nothing queued behind it', async () => {
  const a = app();
  const page = play(a, [[call('before', 'hello'), call('close', 'close'), call('after-close', 'isRuntime'),
    call('after-close-title', 'setTitle', { title: 'too late' })]]);
  assert.equal(await within(page.run.exited, 20_000), 0, 'the app ends with exit code 0');
  assert.equal(driver('count', a.name).stdout.trim(), '0', 'the window is gone');
  assert.equal(driver('count', 'too late').stdout.trim(), '0');
  const list = page.records();
  assert.equal(events(list, 'web_message').length, 4, 'the page sent all four');
  assert.deepEqual(page.answers().map((answer) => [answer.uuid, answer.result]), [['before', '2025.10']],
    'only what came before app.close was answered');
});
