// The example app's page logic against a stand-in window.vlm that records every call.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { describeRuntime, showHostAnswers, titleFromNote, wire } from '../../examples/hello/app/app.js';

function fakeDocument() {
  const elements = new Map();
  const element = (id) => {
    if (!elements.has(id)) {
      const listeners = {};
      elements.set(id, {
        id, value: '', textContent: '', listeners,
        addEventListener(type, listener) { listeners[type] = listener; },
        click() { return listeners.click?.(); },
      });
    }
    return elements.get(id);
  };
  return { getElementById: element };
}

function fakeVlm(answers = {}) {
  const calls = [];
  const call = (name) => (args) => {
    calls.push({ name, args });
    const answer = answers[name];
    return answer instanceof Error ? Promise.reject(answer.message) : Promise.resolve(answer);
  };
  return {
    calls,
    isRuntime: call('isRuntime'),
    files: { writeTextFile: call('files.writeTextFile'), fileExists: call('files.fileExists') },
    window: { setTitle: call('window.setTitle') },
    app: { close: call('app.close') },
  };
}

test('the page says whether it runs packaged or in preview', async () => {
  for (const [isRuntime, text] of [[true, 'Running as a packaged desktop app.'], [false, 'Running in preview mode.']]) {
    const document = fakeDocument();
    await wire(document, fakeVlm({ isRuntime }));
    assert.equal(document.getElementById('where').textContent, text);
  }
  assert.equal(describeRuntime(true), 'Running as a packaged desktop app.');
});

test('each button makes its one bridge call with the documented argument names', async () => {
  const document = fakeDocument();
  const vlm = fakeVlm({ isRuntime: true, 'files.writeTextFile': true, 'files.fileExists': false, 'window.setTitle': true });
  await wire(document, vlm);
  document.getElementById('note').value = 'Buy milk\nand bread';

  await document.getElementById('save').click();
  assert.equal(document.getElementById('status').textContent, 'Saved notes.txt.');
  await document.getElementById('check').click();
  assert.equal(document.getElementById('status').textContent, 'No notes.txt yet.');
  await document.getElementById('title').click();
  document.getElementById('close').click();

  assert.deepEqual(vlm.calls.map((c) => c.name),
    ['isRuntime', 'files.writeTextFile', 'files.fileExists', 'window.setTitle', 'app.close']);
  assert.deepEqual(vlm.calls[1].args, { filePath: 'notes.txt', contents: 'Buy milk\nand bread' });
  assert.deepEqual(vlm.calls[2].args, { filePath: 'notes.txt' });
  assert.deepEqual(vlm.calls[3].args, { title: 'Hello Vellum - Buy milk' });
});

test('a failure answer is shown, not swallowed', async () => {
  const document = fakeDocument();
  await wire(document, fakeVlm({ isRuntime: true, 'files.writeTextFile': new Error('Missing filePath') }));
  await document.getElementById('save').click();
  assert.equal(document.getElementById('status').textContent, 'Failed: Missing filePath');
});

test('the title comes from the first line of the note', () => {
  assert.equal(titleFromNote(''), 'Hello Vellum');
  assert.equal(titleFromNote('   \nsecond'), 'Hello Vellum');
  assert.equal(titleFromNote('x'.repeat(100)), `Hello Vellum - ${'x'.repeat(60)}`);
});

test('the page shows each answer of its load-time calls beside the call, failures too', async () => {
  const appended = [];
  const document = {
    getElementById: (id) => (id === 'answers' ? { append: (...nodes) => appended.push(...nodes) } : null),
    createElement: (tag) => ({ tag, textContent: '' }),
  };
  const vlm = {
    hello: () => Promise.resolve('2025.10'),
    isRuntime: () => Promise.resolve(true),
    app: { getArgs: () => Promise.resolve(['com.example', 'file:///x.html']) },
    files: { fileExists: (args) => (args.filePath === 'notes.txt' ? Promise.reject('Missing filePath') : null) },
  };
  await showHostAnswers(document, vlm);
  assert.deepEqual(appended.map((node) => [node.tag, node.textContent]), [
    ['dt', 'vlm.hello()'], ['dd', '"2025.10"'],
    ['dt', 'vlm.isRuntime()'], ['dd', 'true'],
    ['dt', 'vlm.app.getArgs()'], ['dd', '["com.example","file:///x.html"]'],
    ['dt', 'vlm.files.fileExists({ filePath: "notes.txt" })'], ['dd', 'failed: Missing filePath'],
  ]);
});
