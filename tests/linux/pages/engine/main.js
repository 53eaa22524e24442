(async function () {
  const c = window.checks, eq = c.equal;

  // The page sees its own addresses as file:/// ones, exactly as under WebView2.
  await c.run('document address', () => eq(location.href, 'file:///index.html'));
  await c.run('stylesheet from a folder applied',
    () => eq(getComputedStyle(document.getElementById('styled')).color, 'rgb(1, 2, 3)'));
  await c.run('image with a percent-encoded name', () => new Promise(function (resolve) {
    const image = document.getElementById('pic');
    const done = function () { resolve(eq(image.naturalWidth, 1)); };
    if (image.complete) done(); else { image.onload = done; image.onerror = function () { resolve('error'); }; }
  }));

  await c.run('frame from the archive, page kept', async () => {
    const said = await window.frameSaid;
    return eq(said.text + ' ' + location.href, 'frame body file:///index.html');
  });

  // Served files, as the page loads them.
  await c.run('nested folders', async () => eq(await c.text('docs/nested/deep/note.txt'), 'deep note\n'));
  await c.run('percent-encoded name', async () => eq(await c.text('docs/my%20file.txt'), 'spaced name\n'));
  await c.run('absolute file address', async () => eq(await c.text('file:///docs/nested/deep/note.txt'), 'deep note\n'));
  await c.run('query string and JSON', async () => {
    const response = await fetch('data.json?x=1&y=2');
    return eq((await response.json()).answer, 42);
  });
  await c.run('response address shows file:', async () => eq((await fetch('data.json')).url, 'file:///data.json'));
  await c.run('content types', async () => {
    const expected = [['styles/site.css', 'text/css; charset=utf-8'], ['lib/check.js', 'application/javascript; charset=utf-8'],
      ['index.html', 'text/html; charset=utf-8']];
    const seen = [];
    for (const [url, type] of expected) seen.push(url + ' ' + (await fetch(url)).headers.get('content-type'));
    return eq(seen.join(' | '), expected.map(([url, type]) => url + ' ' + type).join(' | '));
  });
  await c.run('5 MB file arrives whole', async () => {
    const bytes = new Uint8Array(await (await fetch('big.bin')).arrayBuffer());
    if (bytes.length !== 5 * 1024 * 1024) return 'length ' + bytes.length;
    for (let i = 0; i < bytes.length; i += 4093) if (bytes[i] !== i % 251) return 'byte ' + i + ' is ' + bytes[i];
    return true;
  });
  await c.run('stored entry beside deflated ones', async () => eq(await c.text('stored-note.txt'), 'kept without compression\n'));
  await c.run('file beside the executable', async () => eq(await c.text('beside.txt'), 'beside the executable\n'));
  await c.run('missing file fails the fetch', async () => {
    try { const response = await fetch('missing.txt'); return 'answered ' + response.status; } catch (error) { return true; }
  });
  await c.run('XMLHttpRequest', () => new Promise(function (resolve) {
    const request = new XMLHttpRequest();
    request.open('GET', 'docs/nested/deep/note.txt');
    request.onload = function () { resolve(eq(request.responseText + request.responseURL, 'deep note\nfile:///docs/nested/deep/note.txt')); };
    request.onerror = function () { resolve('error'); };
    request.send();
  }));

  // The page library: promise settlement, listener removal, event defaults.
  await c.run('hello resolves', async () => eq(await vlm.hello(), '2025.10'));
  await c.run('isRuntime resolves true', async () => eq(await vlm.isRuntime(), true));
  await c.run('a failure answer rejects with its message', async () => {
    try { await vlm.files.fileExists({}); return 'resolved'; } catch (reason) { return eq(reason, 'Missing filePath'); }
  });
  await c.run('calls in flight get their own answers', async () => {
    const answers = await Promise.all([vlm.files.fileExists({ filePath: 'beside.txt' }),
      vlm.files.fileExists({ filePath: 'nothing-here.txt' }), vlm.hello(), vlm.isRuntime()]);
    return eq(JSON.stringify(answers), '[true,false,"2025.10",true]');
  });
  await c.run('each settled call removes its listener', async () => {
    const webview = window.chrome.webview, add = webview.addEventListener, remove = webview.removeEventListener;
    let added = 0, removed = 0;
    webview.addEventListener = function () { added++; return add.apply(this, arguments); };
    webview.removeEventListener = function () { removed++; return remove.apply(this, arguments); };
    try {
      await Promise.all([vlm.hello(), vlm.isRuntime(), vlm.files.fileExists({}).catch(() => null)]);
    } finally {
      webview.addEventListener = add;
      webview.removeEventListener = remove;
    }
    return eq(added + ' added, ' + removed + ' removed', '3 added, 3 removed');
  });
  await c.run('an answer for no pending call is ignored', async () => {
    let heard = 0;
    const listener = function () { heard++; };
    window.chrome.webview.addEventListener('message', listener);
    const answer = await vlm.hello();
    window.chrome.webview.removeEventListener('message', listener);
    await vlm.hello();
    return eq(answer + ' ' + heard, '2025.10 1');
  });
  await c.run('event defaults do nothing', () => eq(JSON.stringify([vlm.events.onMainMenuItemClick('1'),
    vlm.events.onTrayMenuItemClick('2'), vlm.events.onTrayIconClick(), vlm.events.onNotificationClick('n')]), '[null,null,null,null]'));

  // Host functions on the test host's services.
  await c.run('window title', async () => {
    await vlm.window.setTitle({ title: 'Zwölf "quoted" \\ title' });
    return eq(await vlm.window.getTitle(), 'Zwölf "quoted" \\ title');
  });
  await c.run('zoom reaches the engine', async () => {
    const set = await vlm.window.setZoom({ factor: 1.5 });
    const zoom = await vlm.window.getZoom();
    await vlm.window.setZoom({ factor: 1 });
    return eq(set + ' ' + zoom + ' ' + (await vlm.window.getZoom()), 'true 1.5 1');
  });
  await c.run('registry round trip', async () => {
    await vlm.registry.writeValue({ key: 'Software\\Vellum', name: 'greeting', value: 'hi' });
    return eq(await vlm.registry.readValue({ key: 'Software\\Vellum', name: 'greeting' }), 'hi');
  });
  await c.run('registry failure', async () => {
    try { await vlm.registry.readValue({}); return 'resolved'; } catch (reason) { return eq(reason, 'Missing registry key.'); }
  });
  await c.run('arguments', async () => eq((await vlm.app.getArgs()).indexOf('--from-test') >= 0, true));

  // A new window on an app address becomes a new instance (the trace shows it taken); then the
  // page moves on to a page in a folder, which ends the run.
  window.open('file:///sub/page2.html?from=window');
  console.log('index done');
  location.href = 'sub/page2.html?from=index';
})();
