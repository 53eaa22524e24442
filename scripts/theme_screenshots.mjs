// Takes the theme pictures of docs/screenshots/ under Xvfb: the password prompt and a startup
// dialog (the runtime-missing question) in "Windows", a light and a dark theme, and three
// previews of `vellum-pack theme-preview`. Needs both builds and a Wine session
// (source scripts/wine-env.sh && start_wine_session); run with node from the repository.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  appDataDir, createdPrograms, kill, packageRaw, root, start, vellumPack, waitWindow, webviewDouble,
} from '../tests/e2e/wine_app.mjs';

const out = path.join(root, 'docs/screenshots');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellum-shots-'));
fs.mkdirSync(out, { recursive: true });
let counter = 0;

function shoot(selector, file) {
  const window = waitWindow(selector, 20_000);
  if (!window) throw new Error(`no window ${selector} for ${file}`);
  spawnSync('sleep', ['1.5']);  // let it paint
  const [left, top, right, bottom] = window.rect;
  const result = spawnSync('import', ['-window', 'root', '-crop', `${right - left}x${bottom - top}+${left}+${top}`,
    '+repage', path.join(out, file)]);
  if (result.status !== 0) throw new Error(`import failed: ${result.stderr}`);
  console.log(`${file}: ${right - left}x${bottom - top}`);
}

function app(theme, settings, loader) {
  const id = `com.vellum.shots.${process.pid}.${++counter}`;
  const exe = packageRaw(work, `shots${counter}`, {
    'vlm.ini': `[App]\nID=${id}\nName=Vellum Demo\nDirName=app\nTheme=${theme}\n${settings}`,
    'WebView2LoaderWin64.dll': loader, 'app/index.html': '<title>Demo</title>',
  });
  return { exe, id };
}

const themes = [['Windows', 'windows'], ['Tablet Light', 'light'], ['Windows10 Dark', 'dark']];
try {
  for (const [theme, label] of themes) {
    const prompt = app(theme, 'Password=secret\n', fs.readFileSync(webviewDouble));
    start(prompt.exe);
    shoot('class:TRequirePasswordForm', `password-${label}.png`);
    kill(...createdPrograms);
    fs.rmSync(appDataDir(prompt.id), { recursive: true, force: true });

    const dialog = app(theme, '', 'not a loader');
    start(dialog.exe);
    shoot('class:TMessageForm', `startup-dialog-${label}.png`);
    kill(...createdPrograms);
    fs.rmSync(appDataDir(dialog.id), { recursive: true, force: true });
  }
  for (const [theme, file] of [['Amakrits', 'preview-amakrits.png'], ['Sky', 'preview-sky.png'],
    ['Metropolis UI Dark', 'preview-metropolis-ui-dark.png']]) {
    const result = spawnSync(vellumPack, ['theme-preview', theme, '-o', path.join(out, file)], { encoding: 'utf8' });
    if (result.status !== 0) throw new Error(result.stderr);
    console.log(file);
  }
} finally {
  kill(...createdPrograms);
  fs.rmSync(work, { recursive: true, force: true });
}
