// One table of page requests and the answers the host must give, played through both backends:
// the Windows runtime under Wine with the WebView2 test double (tests/e2e/answer_table.test.mjs)
// and the Linux runtime in WebKitGTK (tests/linux/answer_table.test.mjs). Requests are answered in
// the order the page sent them, so a case may rely on the ones before it. In `data`, "{dir}" is a
// scratch folder of the run and "{sep}" the platform's path delimiter; `key` is a registry key of
// the run's own. The cases are the ones whose answers do not depend on the machine or on a user.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');

// "Windows" and the 39 styles the runtime carries, sorted without regard to case.
function themeNames() {
  const rows = fs.readFileSync(path.join(root, 'resources/themes/themes.csv'), 'utf8').split('\n')
    .filter((line) => line && !line.startsWith('#')).slice(1);
  return ['Windows', ...rows.map((row) => row.split(',')[0])]
    .sort((a, b) => (a.toLowerCase() < b.toLowerCase() ? -1 : a.toLowerCase() > b.toLowerCase() ? 1 : 0));
}

const ok = (result) => [true, result];
const fails = (text) => [false, text];

export const answerCases = [
  ['hello', 10001, {}, ok('2025.10')],
  ['isRuntime', 10002, {}, ok(true)],

  ['fileExists without a path', 30001, {}, fails('Missing filePath')],
  ['fileExists of nothing', 30001, { filePath: '{dir}{sep}nothing.txt' }, ok(false)],
  ['writeTextFile', 30003, { filePath: '{dir}{sep}note.txt', contents: 'Zwölf 😀' }, ok(true)],
  ['fileExists of the written file', 30001, { filePath: '{dir}{sep}note.txt' }, ok(true)],
  ['fileExists of a folder', 30001, { filePath: '{dir}' }, ok(false)],
  ['deleteFile', 30002, { filePath: '{dir}{sep}note.txt' }, ok(true)],
  ['deleteFile again', 30002, { filePath: '{dir}{sep}note.txt' }, ok(false)],
  ['extractFile without a source', 30004, { targetFile: '{dir}{sep}x' }, fails('Missing sourceFile')],
  ['extractFile without a target', 30004, { sourceFile: 'index.html' }, fails('Missing targetFile')],
  ['extractFile of no entry', 30004, { sourceFile: 'no/such/entry.txt', targetFile: '{dir}{sep}x' }, fails('File not found')],
  ['base64.decodeToFile without a path', 90001, { contents: 'aGk=' }, fails('Missing filePath')],
  ['base64.decodeToFile', 90001, { filePath: '{dir}{sep}hi.bin', contents: 'aGk=' }, ok(true)],

  ['dirExists without a path', 40001, {}, fails('Missing dirPath')],
  ['dirExists', 40001, { dirPath: '{dir}' }, ok(true)],
  ['createDir with a missing parent', 40002, { dirPath: '{dir}{sep}none{sep}deeper' }, ok(false)],
  ['createDir', 40002, { dirPath: '{dir}{sep}made' }, ok(true)],
  ['createDir of an existing folder', 40002, { dirPath: '{dir}{sep}made' }, ok(true)],
  ['listFiles of a missing folder', 40004, { dirPath: '{dir}{sep}none', fileMask: '*', allDirs: false },
    fails('The specified folder does not exist.')],
  ['listFiles without a mask', 40004, { dirPath: '{dir}' }, fails('Missing fileMask')],
  ['deleteDir', 40003, { dirPath: '{dir}{sep}made' }, ok(true)],
  ['dirExists after deleteDir', 40001, { dirPath: '{dir}{sep}made' }, ok(false)],

  ['navigate without an address', 50006, {}, fails('Missing url')],
  ['inFullscreen', 50002, {}, ok(false)],
  ['setTitle', 60006, { title: 'Zwölf "quoted" \\ title' }, ok(true)],
  ['getTitle', 60005, {}, ok('Zwölf "quoted" \\ title')],
  ['getStyle', 60001, {}, ok('normal')],
  ['getState', 60003, {}, ok('normal')],
  ['setZoom', 60008, { factor: 1.5 }, ok(true)],
  ['getZoom', 60007, {}, ok('1.5')],
  ['setZoom with no number', 60008, { factor: 'big' }, ok(false)],
  ['setZoom back', 60008, { factor: 1 }, ok(true)],

  ['shell.execute without a path', 70001, {}, fails('Missing filePath')],
  ['shell.explore without a path', 70002, {}, fails('Missing filePath')],
  ['shell.command without a command', 70003, {}, fails('Missing command')],

  ['registry.readValue without a key', 13002, {}, fails('Missing registry key.')],
  ['registry.readValue without a name', 13002, { key: '{key}' }, fails('Missing value name.')],
  ['registry.keyExist before writing', 13005, { key: '{key}' }, ok(false)],
  ['registry.writeValue', 13001, { key: '{key}', name: 'greeting', value: 'hi, Zwölf' }, ok(true)],
  ['registry.readValue', 13002, { key: '{key}', name: 'greeting' }, ok('hi, Zwölf')],
  ['registry.readValue of no value', 13002, { key: '{key}', name: 'nothing' }, ok('')],
  ['registry.valueExist', 13003, { key: '{key}', name: 'greeting' }, ok(true)],
  ['registry.deleteValue', 13004, { key: '{key}', name: 'greeting' }, ok(true)],
  ['registry.valueExist after deleting', 13003, { key: '{key}', name: 'greeting' }, ok(false)],
  ['registry.keyExist', 13005, { key: '{key}' }, ok(true)],
  ['registry.deleteKey', 13006, { key: '{key}' }, ok(true)],
  ['registry.keyExist after deleting', 13005, { key: '{key}' }, ok(false)],

  ['mainMenu.updateItem before any items', 12002, { id: 1 }, fails('No menu items')],
  ['mainMenu.setItems without items', 12001, {}, fails('Missing menu items')],
  ['mainMenu.setItems with no JSON', 12001, { items: '[{' }, fails('Wrong menu items JSON')],
  ['mainMenu.setItems', 12001, { items: '[{"id":1,"caption":"&File","items":[{"id":2,"caption":"&Open"}]}]' }, ok(true)],
  ['mainMenu.updateItem without an id', 12002, { caption: 'x' }, fails('Missing item ID')],
  ['mainMenu.updateItem with a wrong id', 12002, { id: 'x' }, fails('Wrong item ID')],
  ['mainMenu.updateItem', 12002, { id: 2, caption: '&Open…' }, ok(true)],
  ['trayMenu.setItems', 14003, { items: '[{"id":10,"caption":"Show"}]' }, ok(true)],
  ['trayMenu.showIcon', 14001, {}, ok(true)],
  ['trayMenu.hideIcon', 14002, {}, ok(true)],

  ['themes.getTheme', 80001, {}, ok('Windows')],
  ['themes.getThemes', 80002, {}, ok(themeNames())],
  ['themes.setTheme to no theme', 80003, { name: 'No Such Theme' }, ok(false)],
  ['themes.setTheme in another case', 80003, { name: 'sky' }, ok(false)],
  ['themes.getTheme after a case-blind choice', 80001, {}, ok('Sky')],
  ['themes.setTheme', 80003, { name: 'Windows' }, ok(true)],
].map(([name, id, data, answer], index) => ({ name, id, data, answer, uuid: `case-${index}` }));

// The data of a case with its placeholders filled in.
export function caseData(data, { dir, sep, key }) {
  const fill = (text) => text.replaceAll('{dir}', dir).replaceAll('{sep}', sep).replaceAll('{key}', key);
  return Object.fromEntries(Object.entries(data).map(([name, value]) => [name, typeof value === 'string' ? fill(value) : value]));
}

// The cases whose answer (a map from uuid to the answer object the host posted) differs from the
// table, with what came instead; empty when every answer is as the table gives it.
export function mismatches(got) {
  const seen = (c) => (got.has(c.uuid) ? [got.get(c.uuid).success, got.get(c.uuid).result] : 'no answer');
  return answerCases.filter((c) => JSON.stringify(seen(c)) !== JSON.stringify(c.answer))
    .map((c) => ({ case: c.name, expected: c.answer, got: seen(c) }));
}
