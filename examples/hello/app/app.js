// The example page: every button is one call through window.vlm, and every answer or failure
// is shown in the status line.
const NOTE_FILE = 'notes.txt';

export function describeRuntime(isRuntime) {
  return isRuntime ? 'Running as a packaged desktop app.' : 'Running in preview mode.';
}

export function titleFromNote(note) {
  const firstLine = note.split(/\r?\n/, 1)[0].trim();
  return firstLine === '' ? 'Hello Vellum' : `Hello Vellum - ${firstLine.slice(0, 60)}`;
}

export function wire(document, vlm) {
  const $ = (id) => document.getElementById(id);
  const show = (text) => { $('status').textContent = text; };
  const report = (promise, describe) =>
    promise.then((result) => show(describe(result)), (error) => show(`Failed: ${error}`));

  const ready = report(vlm.isRuntime(), (isRuntime) => {
    $('where').textContent = describeRuntime(isRuntime);
    return '';
  });
  $('save').addEventListener('click', () =>
    report(vlm.files.writeTextFile({ filePath: NOTE_FILE, contents: $('note').value }), () => `Saved ${NOTE_FILE}.`));
  $('check').addEventListener('click', () =>
    report(vlm.files.fileExists({ filePath: NOTE_FILE }), (exists) => (exists ? `${NOTE_FILE} exists.` : `No ${NOTE_FILE} yet.`)));
  $('title').addEventListener('click', () =>
    report(vlm.window.setTitle({ title: titleFromNote($('note').value) }), () => 'Title changed.'));
  $('close').addEventListener('click', () => vlm.app.close());
  return ready;
}

// The calls the page makes on its own when it loads, each shown beside the answer it got, so
// that a glance (or a screenshot) shows the page talking to its host.
export const LOAD_CALLS = [
  ['vlm.hello()', (vlm) => vlm.hello()],
  ['vlm.isRuntime()', (vlm) => vlm.isRuntime()],
  ['vlm.app.getArgs()', (vlm) => vlm.app.getArgs()],
  ['vlm.files.fileExists({ filePath: "notes.txt" })', (vlm) => vlm.files.fileExists({ filePath: NOTE_FILE })],
];

export function showHostAnswers(document, vlm) {
  const list = document.getElementById('answers');
  return Promise.all(LOAD_CALLS.map(([call, make]) => {
    const term = document.createElement('dt');
    term.textContent = call;
    const answer = document.createElement('dd');
    answer.textContent = 'waiting…';
    list.append(term, answer);
    return make(vlm).then(
      (result) => { answer.textContent = JSON.stringify(result); },
      (error) => { answer.textContent = `failed: ${error}`; });
  }));
}

if (typeof window !== 'undefined' && window.vlm) {
  wire(window.document, window.vlm);
  showHostAnswers(window.document, window.vlm);
}
