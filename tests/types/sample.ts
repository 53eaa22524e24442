// A page that uses every function of window.vlm as its declarations (resources/vlm.d.ts) allow,
// checked with `tsc --noEmit --strict` (tests/js/api_types.test.mjs). The exact result type of
// each function is pinned below, and the calls marked @ts-expect-error are mistakes a page author
// makes that the declarations must refuse: should one type-check, the directive is unused and
// the check fails.
import type { Vlm, VlmMenuItem, VlmWindowBounds } from '../../resources/vlm';

export {};

// True only when A and B are the same type (not merely assignable one to the other).
type Equal<A, B> = (<T>() => T extends A ? 1 : 2) extends <T>() => T extends B ? 1 : 2 ? true : false;
type ResultOf<F> = F extends (...args: never[]) => Promise<infer R> ? R : never;

const exactResults: [
  Equal<ResultOf<Vlm['hello']>, string>,
  Equal<ResultOf<Vlm['isRuntime']>, boolean>,
  Equal<ResultOf<Vlm['dialogs']['openFile']>, string>,
  Equal<ResultOf<Vlm['dialogs']['saveFile']>, string>,
  Equal<ResultOf<Vlm['dialogs']['selFolder']>, string>,
  Equal<ResultOf<Vlm['files']['fileExists']>, boolean>,
  Equal<ResultOf<Vlm['files']['deleteFile']>, boolean>,
  Equal<ResultOf<Vlm['files']['writeTextFile']>, true>,
  Equal<ResultOf<Vlm['files']['extractFile']>, true>,
  Equal<ResultOf<Vlm['folders']['dirExists']>, boolean>,
  Equal<ResultOf<Vlm['folders']['createDir']>, boolean>,
  Equal<ResultOf<Vlm['folders']['deleteDir']>, boolean>,
  Equal<ResultOf<Vlm['folders']['listFiles']>, string[]>,
  Equal<ResultOf<Vlm['folders']['getTempDir']>, string>,
  Equal<ResultOf<Vlm['folders']['getUserDocumentsDir']>, string>,
  Equal<ResultOf<Vlm['folders']['getUserDesktopDir']>, string>,
  Equal<ResultOf<Vlm['folders']['getAppExecutableDir']>, string>,
  Equal<ResultOf<Vlm['folders']['getAppDataDir']>, string>,
  Equal<ResultOf<Vlm['app']['close']>, never>,
  Equal<ResultOf<Vlm['app']['inFullscreen']>, boolean>,
  Equal<ResultOf<Vlm['app']['enterFullscreen']>, never>,
  Equal<ResultOf<Vlm['app']['exitFullscreen']>, never>,
  Equal<ResultOf<Vlm['app']['getArgs']>, string[]>,
  Equal<ResultOf<Vlm['app']['navigate']>, true>,
  Equal<ResultOf<Vlm['window']['getStyle']>, 'normal' | 'ontop'>,
  Equal<ResultOf<Vlm['window']['setStyle']>, true>,
  Equal<ResultOf<Vlm['window']['getState']>, 'normal' | 'minimized' | 'maximized'>,
  Equal<ResultOf<Vlm['window']['setState']>, true>,
  Equal<ResultOf<Vlm['window']['getTitle']>, string>,
  Equal<ResultOf<Vlm['window']['setTitle']>, true>,
  Equal<ResultOf<Vlm['window']['getZoom']>, string>,
  Equal<ResultOf<Vlm['window']['setZoom']>, boolean>,
  Equal<ResultOf<Vlm['window']['getSize']>, { top: number; left: number; width: number; height: number }>,
  Equal<ResultOf<Vlm['window']['setSize']>, true>,
  Equal<ResultOf<Vlm['window']['getBorder']>, 'none' | 'single' | 'sizeable' | 'dialog' | 'toolwindow' | 'sizetoolwindow'>,
  Equal<ResultOf<Vlm['window']['setBorder']>, never>,
  Equal<ResultOf<Vlm['shell']['execute']>, true>,
  Equal<ResultOf<Vlm['shell']['explore']>, true>,
  Equal<ResultOf<Vlm['shell']['command']>, string>,
  Equal<ResultOf<Vlm['shell']['windows']>, string[]>,
  Equal<ResultOf<Vlm['themes']['getTheme']>, string>,
  Equal<ResultOf<Vlm['themes']['getThemes']>, string[]>,
  Equal<ResultOf<Vlm['themes']['setTheme']>, boolean>,
  Equal<ResultOf<Vlm['base64']['decodeToFile']>, true>,
  Equal<ResultOf<Vlm['system']['logoff']>, true>,
  Equal<ResultOf<Vlm['system']['reboot']>, true>,
  Equal<ResultOf<Vlm['system']['shutdown']>, true>,
  Equal<ResultOf<Vlm['system']['macAddresses']>, string[]>,
  Equal<ResultOf<Vlm['system']['notification']>, boolean>,
  Equal<ResultOf<Vlm['mainMenu']['setItems']>, true>,
  Equal<ResultOf<Vlm['mainMenu']['updateItem']>, true>,
  Equal<ResultOf<Vlm['registry']['writeValue']>, boolean>,
  Equal<ResultOf<Vlm['registry']['readValue']>, string>,
  Equal<ResultOf<Vlm['registry']['valueExist']>, boolean>,
  Equal<ResultOf<Vlm['registry']['deleteValue']>, boolean>,
  Equal<ResultOf<Vlm['registry']['keyExist']>, boolean>,
  Equal<ResultOf<Vlm['registry']['deleteKey']>, boolean>,
  Equal<ResultOf<Vlm['trayMenu']['showIcon']>, true>,
  Equal<ResultOf<Vlm['trayMenu']['hideIcon']>, true>,
  Equal<ResultOf<Vlm['trayMenu']['setItems']>, true>,
  Equal<ResultOf<Vlm['trayMenu']['updateItem']>, true>,
] = [
  true, true, true, true, true, true, true, true, true, true, true, true, true, true, true, true,
  true, true, true, true, true, true, true, true, true, true, true, true, true, true, true, true,
  true, true, true, true, true, true, true, true, true, true, true, true, true, true, true, true,
  true, true, true, true, true, true, true, true, true, true, true, true, true,
];
// Sixty-one entries: one per function, none left out.
const counted: typeof exactResults['length'] = 61;

async function notesPage(): Promise<void> {
  // The library is reachable both ways a page script writes it.
  const same: Vlm = window.vlm;
  const version: string = await vlm.hello();
  const packaged: boolean = await same.isRuntime();
  document.title = `${version} ${packaged ? 'runtime' : 'preview'}`;

  const opened: string = await vlm.dialogs.openFile({ title: 'Open notes', fileTypes: 'Text files|*.txt;All files|*.*' });
  await vlm.dialogs.openFile({});
  const target = await vlm.dialogs.saveFile({ fileName: 'notes.txt', overwritePrompt: true });
  const folder = await vlm.dialogs.selFolder({ title: 'Export to' });

  if (await vlm.files.fileExists({ filePath: opened })) await vlm.files.deleteFile({ filePath: opened });
  await vlm.files.writeTextFile({ filePath: target, contents: 'first\nsecond' });
  await vlm.files.writeTextFile({ filePath: 'out/empty.txt' });
  await vlm.files.extractFile({ sourceFile: '/docs/readme.txt', targetFile: `${folder}readme.txt` });

  if (!(await vlm.folders.dirExists({ dirPath: 'data' }))) await vlm.folders.createDir({ dirPath: 'data' });
  const texts: string[] = await vlm.folders.listFiles({ dirPath: 'data', fileMask: '*.txt', allDirs: true });
  await vlm.folders.listFiles({ dirPath: 'data', fileMask: '*', allDirs: 'false' });
  await vlm.folders.deleteDir({ dirPath: 'data/cache' });
  const places = [
    await vlm.folders.getTempDir(),
    await vlm.folders.getUserDocumentsDir(),
    await vlm.folders.getUserDesktopDir(),
    await vlm.folders.getAppExecutableDir(),
    await vlm.folders.getAppDataDir(),
  ];

  const full: boolean = await vlm.app.inFullscreen();
  if (full) void vlm.app.exitFullscreen();
  else void vlm.app.enterFullscreen();
  const [executable, ...args] = await vlm.app.getArgs();
  await vlm.app.navigate({ url: 'file:///index.html' });

  if ((await vlm.window.getStyle()) === 'normal') await vlm.window.setStyle({ style: 'ontop' });
  await vlm.window.setStyle({});
  if ((await vlm.window.getState()) !== 'maximized') await vlm.window.setState({ state: 'maximized' });
  await vlm.window.setTitle({ title: `${await vlm.window.getTitle()} - ${texts.length} notes` });
  const zoom: string = await vlm.window.getZoom();
  const zoomed: boolean = await vlm.window.setZoom({ factor: zoom === '1' ? 1.25 : '1' });
  const bounds: VlmWindowBounds = await vlm.window.getSize();
  await vlm.window.setSize({ width: bounds.width + 10, height: '480' });
  if ((await vlm.window.getBorder()) !== 'dialog') void vlm.window.setBorder({ border: 'dialog' });

  await vlm.shell.execute({ filePath: 'https://example.org/' });
  await vlm.shell.execute({ filePath: 'notepad.exe', arguments: target });
  await vlm.shell.explore({ filePath: target });
  const listing: string = await vlm.shell.command({ command: 'dir /b', workingDir: folder, showWindow: false });
  const titles: string[] = await vlm.shell.windows();

  const themes = await vlm.themes.getThemes();
  if ((await vlm.themes.getTheme()) !== themes[0]) await vlm.themes.setTheme({ name: themes[0] });

  await vlm.base64.decodeToFile({ filePath: 'out/logo.png', contents: btoa('png') });

  if (titles.length > 100) await vlm.system.logoff();
  if (titles.length > 200) await vlm.system.reboot();
  if (titles.length > 300) await vlm.system.shutdown();
  const addresses: string[] = await vlm.system.macAddresses();
  const shown: boolean = await vlm.system.notification({ name: 'saved', title: 'Notes', body: listing });
  await vlm.system.notification({});

  const fileMenu: VlmMenuItem[] = [
    { id: 1, caption: '&File', items: [{ id: 2, caption: '&Open', image: 'icons/open.png' }, { id: 3, caption: '-' }, { id: '4', caption: 'E&xit', enabled: 'true' }] },
  ];
  await vlm.mainMenu.setItems({ items: JSON.stringify(fileMenu) });
  await vlm.mainMenu.updateItem({ id: 2, enabled: false });
  await vlm.mainMenu.updateItem({ id: '4', caption: 'Quit', image: 'icons/quit.png', enabled: 0 });

  const key = 'Software\\Vellum\\Notes';
  if (await vlm.registry.writeValue({ key, name: 'lastFile', value: opened })) {
    await vlm.registry.writeValue({ key, name: 'count', value: texts.length });
    await vlm.registry.writeValue({ key, name: 'empty' });
  }
  const last: string = await vlm.registry.readValue({ key, name: 'lastFile' });
  if (await vlm.registry.valueExist({ key, name: 'count' })) await vlm.registry.deleteValue({ key, name: 'count' });
  if (await vlm.registry.keyExist({ key })) await vlm.registry.deleteKey({ key });

  await vlm.trayMenu.setItems({ items: JSON.stringify([{ id: 10, caption: 'Show' }, { id: 11, caption: 'Quit' }] satisfies VlmMenuItem[]) });
  await vlm.trayMenu.updateItem({ id: 11, caption: 'Quit Notes' });
  await vlm.trayMenu.showIcon();
  await vlm.trayMenu.hideIcon();

  vlm.events.onCloseQuery = () => void vlm.app.close();
  vlm.events.onMainMenuItemClick = (itemId) => console.log(itemId.padStart(3, '0'));
  vlm.events.onTrayMenuItemClick = (itemId: string) => console.log(itemId);
  vlm.events.onTrayIconClick = () => void vlm.window.setState({ state: 'normal' });
  vlm.events.onNotificationClick = (name) => console.log(name.toUpperCase());

  // Any identifier still goes through the transport, untyped.
  const raw: unknown = await vlm.call(10001, {});
  console.log(executable, args, places, zoomed, addresses, shown, last, raw, exactResults, counted);
}

// Mistakes the declarations refuse.
async function mistakes(): Promise<void> {
  // @ts-expect-error a path is text, not a number
  await vlm.files.fileExists({ filePath: 42 });
  // @ts-expect-error misspelt member
  await vlm.files.fileExist({ filePath: 'a.txt' });
  // @ts-expect-error misspelt argument name (and the required one left out)
  await vlm.files.fileExists({ filepath: 'a.txt' });
  // @ts-expect-error misspelt optional argument name
  await vlm.files.writeTextFile({ filePath: 'a.txt', content: 'x' });
  // @ts-expect-error the required argument left out: the host would answer "Missing filePath"
  await vlm.files.writeTextFile({ contents: 'x' });
  // @ts-expect-error the argument object left out: the host would never answer
  await vlm.dialogs.openFile();
  // @ts-expect-error a function without arguments takes none
  await vlm.hello({});
  // @ts-expect-error an unknown state word changes nothing, so it is refused here
  await vlm.window.setState({ state: 'hidden' });
  // @ts-expect-error the comparison is exact: "OnTop" would make an ordinary window
  await vlm.window.setStyle({ style: 'OnTop' });
  // @ts-expect-error the menu items are sent as JSON text, not as an array
  await vlm.mainMenu.setItems({ items: [{ id: 1, caption: 'File' }] });
  // @ts-expect-error a menu item needs a caption
  const item: VlmMenuItem = { id: 1 };
  // @ts-expect-error the version is text
  const version: number = await vlm.hello();
  // @ts-expect-error the folder list is of strings
  const sizes: number[] = await vlm.folders.listFiles({ dirPath: 'a', fileMask: '*', allDirs: false });
  // @ts-expect-error no member `right` in the window's bounds
  const right: number = (await vlm.window.getSize()).right;
  // @ts-expect-error a menu click reports its id as a string
  vlm.events.onMainMenuItemClick = (itemId: number) => console.log(itemId + 1);
  // @ts-expect-error misspelt namespace
  await vlm.folder.getTempDir();
  console.log(item, version, sizes, right);
}

void notesPage();
void mistakes();
