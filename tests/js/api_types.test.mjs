// The page API's declarations (resources/vlm.d.ts) under the TypeScript compiler: the sample page
// tests/types/sample.ts, which calls every function, type-checks with --strict, and its
// @ts-expect-error lines (wrong argument types, misspelt members) are each refused. The compiler
// is the devDependency of tests/types, installed by scripts/setup.sh.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const typesFolder = path.join(root, 'tests/types');
const compiler = path.join(typesFolder, 'node_modules/typescript/bin/tsc');

// The compiler's exit status and what it printed, for the project in `folder`.
function typeCheck(folder) {
  try {
    const output = execFileSync(process.execPath, [compiler, '--noEmit', '--strict', '-p', path.join(folder, 'tsconfig.json')],
      { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
    return { status: 0, output };
  } catch (error) {
    if (error.status === undefined || error.status === null) throw error;
    return { status: error.status, output: `${error.stdout}${error.stderr}` };
  }
}

// The sample and its settings beside a copy of the declarations, laid out as in the repository.
function copyWithDeclarations(declarations) {
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-types-'));
  fs.mkdirSync(path.join(copy, 'resources'));
  fs.mkdirSync(path.join(copy, 'tests/types'), { recursive: true });
  fs.writeFileSync(path.join(copy, 'resources/vlm.d.ts'), declarations);
  for (const file of ['sample.ts', 'tsconfig.json'])
    fs.copyFileSync(path.join(typesFolder, file), path.join(copy, 'tests/types', file));
  return copy;
}

test('the TypeScript compiler is installed', () => {
  assert.ok(fs.existsSync(compiler), `${compiler} is missing: run scripts/setup.sh (npm ci in tests/types)`);
});

test('the sample page type-checks strictly against the declarations', { skip: !fs.existsSync(compiler) }, () => {
  const result = typeCheck(typesFolder);
  assert.equal(result.status, 0, result.output);
});

test('declarations that take any argument object fail the sample', { skip: !fs.existsSync(compiler) }, () => {
  // The declarations as they were before the table: every argument a loose record and every
  // result unknown. Each mistake the sample expects to be refused is then accepted.
  const loose = fs.readFileSync(path.join(root, 'resources/vlm.d.ts'), 'utf8')
    .replace(/\(args: Vlm\w+Args\)/g, '(args: VlmArgs)');
  const copy = copyWithDeclarations(loose);
  try {
    const result = typeCheck(path.join(copy, 'tests/types'));
    assert.notEqual(result.status, 0);
    const unused = result.output.split('\n').filter((line) => line.includes("error TS2578: Unused '@ts-expect-error' directive"));
    // The wrong path type, the misspelt and left-out arguments, the state and style words and the
    // menu items as an array are accepted by a loose record.
    assert.ok(unused.length >= 7, result.output);
  } finally {
    fs.rmSync(copy, { recursive: true, force: true });
  }
});
