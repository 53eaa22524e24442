// The example app's page logic against a stand-in window.vlm that records every call.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { describeRuntime, titleFromNote, wire } from '../../examples/hello/app/app.js';

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
