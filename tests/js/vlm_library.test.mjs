// The page-side bridge library (resources/vlm.js) against a stand-in window.chrome.webview that
// records posted requests and dispatches answers, and its TypeScript declarations.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { fileURLToPath } from 'node:url';

const resources = path.join(path.dirname(fileURLToPath(import.meta.url)), '../../resources');
const librarySource = fs.readFileSync(path.join(resources, 'vlm.js'), 'utf8');
const declarations = fs.readFileSync(path.join(resources, 'vlm.d.ts'), 'utf8');

// A page with the library loaded: `posted` collects requests, `answer` dispatches a message
// event to every listener, as the runtime does.
function loadPage({ random = Math.random } = {}) {
  const listeners = new Set();
  const posted = [];
  const webview = {
    addEventListener(type, listener) { if (type === 'message') listeners.add(listener); },
    removeEventListener(type, listener) { if (type === 'message') listeners.delete(listener); },
    // The host receives the request as JSON text.
    postMessage(message) { posted.push(JSON.parse(JSON.stringify(message))); },
  };
  const window = { chrome: { webview } };
  const context = vm.createContext({ window, Math: Object.assign(Object.create(Math), { random }), Promise });
  vm.runInContext(librarySource, context);
  const answer = (data) => { for (const listener of [...listeners]) listener({ data }); };
  return { vlm: window.vlm, posted, listeners, answer };
}

const settled = (promise) => {
  const state = { done: false };
  promise.then((value) => Object.assign(state, { done: true, value }),
    (error) => Object.assign(state, { done: true, error }));
  return state;
};
const tick = () => new Promise((resolve) => setImmediate(resolve));

test('the resource starts with a byte-order mark and a comment block', () => {
  assert.equal(librarySource.charCodeAt(0), 0xfeff);
  assert.match(librarySource.slice(1), /^\/\*[\s\S]*?\*\/\s*window\.vlm = \{/);
});

test('each call carries a fresh version-4 UUID', () => {
  const page = loadPage();
  for (let i = 0; i < 200; i++) page.vlm.hello();
  const uuids = page.posted.map((message) => message.uuid);
  for (const uuid of uuids) assert.match(uuid, /^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$/);
  assert.equal(new Set(uuids).size, uuids.length);

  // The variant digit is (r AND 3) OR 8 for every r the random source can give.
  for (const [r, digit] of [[0, '8'], [3, 'b'], [4, '8'], [15, 'b'], [9, '9'], [14, 'a']]) {
    const fixed = loadPage({ random: () => r / 16 });
    fixed.vlm.hello();
    assert.equal(fixed.posted[0].uuid[19], digit, `r = ${r}`);
  }
});

test('one listener per call, removed by its own answer only', async () => {
  const page = loadPage();
  const first = settled(page.vlm.files.fileExists({ filePath: 'a.txt' }));
  const second = settled(page.vlm.app.close());
  assert.equal(page.listeners.size, 2);
  assert.deepEqual(page.posted.map(({ id, data }) => ({ id, data })),
    [{ id: 30001, data: { filePath: 'a.txt' } }, { id: 50001, data: {} }]);

  page.answer({ uuid: 'someone-else', success: true, result: 1 });
  await tick();
  assert.equal(page.listeners.size, 2, 'an answer for another call leaves both listeners');

  // Answers in reverse order: each call gets its own.
  page.answer({ uuid: page.posted[1].uuid, success: true, result: null });
  await tick();
  assert.equal(page.listeners.size, 1);
  assert.deepEqual(second, { done: true, value: null });
  assert.equal(first.done, false, 'a pending call keeps its listener');

  page.answer({ uuid: page.posted[0].uuid, success: false, result: 'Missing filePath' });
  await tick();
  assert.deepEqual(first, { done: true, error: 'Missing filePath' });
  assert.equal(page.listeners.size, 0);
});

test('success resolves and failure rejects with the result', async () => {
  const page = loadPage();
  const ok = page.vlm.isRuntime();
  const failing = page.vlm.window.setTitle({ title: 'x' });
  page.answer({ uuid: page.posted[0].uuid, success: true, result: true });
  page.answer({ uuid: page.posted[1].uuid, success: false, result: { code: 5 } });
  assert.equal(await ok, true);
  await assert.rejects(failing, (error) => error.code === 5);
});

test('the default close query asks the host to close', () => {
  const page = loadPage();
  page.vlm.events.onCloseQuery();
  assert.equal(page.posted.length, 1);
  assert.equal(page.posted[0].id, 50001);
  assert.deepEqual(page.posted[0].data, {});
  for (const name of ['onMainMenuItemClick', 'onTrayMenuItemClick', 'onTrayIconClick', 'onNotificationClick']) {
    assert.equal(page.vlm.events[name]('7'), undefined);
  }
  assert.equal(page.posted.length, 1, 'the other defaults do nothing');
});

// The declarations name every function with its identifier; the library must post exactly that
// identifier, with the page's arguments where the declaration takes them and {} otherwise.
test('the TypeScript declarations match the library', () => {
  const declared = [];
  let namespace = null;
  let pendingId = null;
  for (const line of declarations.split('\n')) {
    const open = line.match(/^ {2}(\w+): \{$/);
    if (open) { namespace = open[1]; continue; }
    if (/^ {2}\};$/.test(line)) { namespace = null; continue; }
    const id = line.match(/^\s+\* Request id (\d+)\.$/);
    if (id) { pendingId = Number(id[1]); continue; }
    const member = line.match(/^\s+(\w+)\((args: Vlm\w+Args)?\): Promise/);
    if (member && pendingId !== null) {
      declared.push({ path: namespace ? `${namespace}.${member[1]}` : member[1], id: pendingId, takesArgs: !!member[2] });
      pendingId = null;
    }
  }
  assert.equal(declared.length, 61);
  assert.equal(new Set(declared.map((entry) => entry.id)).size, 61, 'identifiers are unique');

  const page = loadPage();
  const libraryPaths = [];
  for (const [key, value] of Object.entries(page.vlm)) {
    if (typeof value === 'function' && key !== 'call') libraryPaths.push(key);
    else if (typeof value === 'object' && key !== 'events')
      for (const member of Object.keys(value)) libraryPaths.push(`${key}.${member}`);
  }
  assert.deepEqual(libraryPaths, declared.map((entry) => entry.path), 'same members, same order');

  for (const entry of declared) {
    const [first, second] = entry.path.split('.');
    const fn = second ? page.vlm[first][second] : page.vlm[first];
    const args = { marker: entry.path };
    (second ? fn(args) : fn.call(page.vlm, args));
    const message = page.posted.at(-1);
    assert.equal(message.id, entry.id, entry.path);
    assert.deepEqual(message.data, entry.takesArgs ? args : {}, entry.path);
  }
  assert.deepEqual(Object.keys(page.vlm.events),
    [...declarations.matchAll(/^ {2}(on\w+)\(/gm)].map((match) => match[1]));
});
