// The page API's table (resources/api/functions.json) and what scripts/generate-api.mjs makes of
// it: the committed library, declarations, dispatcher rows and reference must be what the table
// gives today, and a table with a slip in it is refused instead of generating wrong files.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { enumNameOf, renderApiFiles, repositoryRoot, staleApiFiles, tablePath, validateTable } from '../../scripts/generate-api.mjs';

const committedTable = () => JSON.parse(fs.readFileSync(path.join(repositoryRoot, tablePath), 'utf8'));

test('every generated file is up to date with the table', () => {
  const rendered = renderApiFiles();
  assert.deepEqual(Object.keys(rendered).sort(),
    ['docs/api.md', 'resources/vlm.d.ts', 'resources/vlm.js', 'src/bridge/function_table.inc']);
  for (const [file, text] of Object.entries(rendered)) {
    const committed = fs.readFileSync(path.join(repositoryRoot, file), 'utf8');
    assert.ok(committed === text, `${file} is out of date: run node scripts/generate-api.mjs`);
  }
  assert.deepEqual(staleApiFiles(), []);
});

test('a change to the table shows in the files that carry it, and only there', () => {
  const table = committedTable();
  const before = renderApiFiles(repositoryRoot, table);
  const fileExists = table.functions.find((fn) => fn.namespace === 'files' && fn.name === 'fileExists');

  fileExists.description = 'Tests whether a file is there.';
  const described = renderApiFiles(repositoryRoot, table);
  const changed = (after) => Object.keys(before).filter((file) => before[file] !== after[file]).sort();
  assert.deepEqual(changed(described), ['docs/api.md', 'resources/vlm.d.ts']);
  assert.match(described['resources/vlm.d.ts'], /Tests whether a file is there\./);

  fileExists.runtimeOnly = true;
  fileExists.previewMessage = 'Calls to vlm.files.fileExists() works only at runtime.';
  const runtimeOnly = renderApiFiles(repositoryRoot, table);
  assert.deepEqual(changed(runtimeOnly), ['docs/api.md', 'resources/vlm.d.ts', 'src/bridge/function_table.inc']);
  assert.match(runtimeOnly['src/bridge/function_table.inc'], /^\{TFunctionId::FilesFileExists, "files\.fileExists", true, true\},$/m);

  fileExists.id = 30009;
  assert.match(renderApiFiles(repositoryRoot, table)['resources/vlm.js'],
    /fileExists: function \(args\) \{ return window\.vlm\.call\(30009, args\); \}/);
});

test('the committed table is consistent and matches the dispatcher rows it generates', () => {
  const table = committedTable();
  assert.doesNotThrow(() => validateTable(table));
  const rows = fs.readFileSync(path.join(repositoryRoot, 'src/bridge/function_table.inc'), 'utf8')
    .split('\n').filter((line) => line.startsWith('{'));
  assert.equal(rows.length, 61);
  const runtimeOnly = table.functions.filter((fn) => fn.runtimeOnly);
  assert.equal(runtimeOnly.length, 24);
  for (const fn of runtimeOnly) {
    // One box names its function by another family, as it always has; the rest name their own.
    const member = fn.namespace === 'files' && fn.name === 'extractFile' ? 'app.extractFile' : `${fn.namespace}.${fn.name}`;
    assert.equal(fn.previewMessage, `Calls to vlm.${member}() works only at runtime.`);
  }
  const never = table.functions.filter((fn) => fn.result === 'never').map((fn) => `${fn.namespace}.${fn.name}`);
  assert.deepEqual(never, ['app.close', 'app.enterFullscreen', 'app.exitFullscreen', 'window.setBorder']);
});

// The enumerators are written out in the header, where code names them; the generated rows name
// them too, so a function missing there fails the build, and a wrong number fails here.
test('the identifiers of TFunctionId are the table\'s', () => {
  const header = fs.readFileSync(path.join(repositoryRoot, 'src/bridge/function_ids.h'), 'utf8');
  const enumBody = header.match(/enum class TFunctionId : std::int32_t \{\n([\s\S]*?)\n\};/);
  assert.ok(enumBody, 'function_ids.h declares TFunctionId');
  const declared = enumBody[1].split('\n').map((line) => line.match(/^ {4}(\w+) = (\d+),$/)).map((match) => match && [match[1], Number(match[2])]);
  assert.ok(declared.every(Boolean), 'one "Name = number," line per enumerator');
  assert.deepEqual(declared, committedTable().functions.map((fn) => [enumNameOf(fn), fn.id]));
});

test('a table with a slip is refused, naming the function', () => {
  const cases = [
    ['a function left out', (table) => table.functions.pop(), /60 functions, expected 61/],
    ['an identifier used twice', (table) => { table.functions[1].id = table.functions[0].id; }, /isRuntime: id 10001 is used twice/],
    ['a member listed twice', (table) => { table.functions[3].name = 'openFile'; table.functions[3].id = 20009; }, /dialogs\.openFile: listed twice/],
    ['a runtime-only function without its box', (table) => { table.functions.find((fn) => fn.name === 'getArgs').previewMessage = null; },
      /app\.getArgs: a preview message belongs to exactly the runtime-only functions/],
    ['a box on a function that runs in preview', (table) => { table.functions[0].previewMessage = 'Calls to vlm.hello() works only at runtime.'; },
      /hello: a preview message/],
    ['a required argument without its failure text', (table) => { table.functions.find((fn) => fn.name === 'navigate').failures = []; },
      /app\.navigate: a required argument without its failure text/],
    ['an optional argument without its default', (table) => { delete table.functions.find((fn) => fn.name === 'setTitle').arguments[0].default; },
      /window\.setTitle\.title: neither required nor defaulted/],
    ['a namespace split in two', (table) => { table.functions.push(table.functions.splice(3, 1)[0]); },
      /dialogs\.saveFile: its namespace's functions are not together/],
    ['an identifier of four digits', (table) => { table.functions[0].id = 1001; }, /hello: the id is no five-digit number/],
  ];
  for (const [what, slip, message] of cases) {
    const table = committedTable();
    slip(table);
    assert.throws(() => renderApiFiles(repositoryRoot, table), message, what);
  }
});
