// Writes the seed corpora in fuzz/corpus/<target>/ (committed; run again only to change them).
// Archives come from Debian's zip, encrypted ones with the password the archive target uses.
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, rmSync, writeFileSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const corpus = join(dirname(fileURLToPath(import.meta.url)), 'corpus');

// Inputs a fuzzer found and that were added by hand stay beside the seeds.
function seeds(target, entries) {
    const folder = join(corpus, target);
    mkdirSync(folder, { recursive: true });
    for (const [name, bytes] of Object.entries(entries)) writeFileSync(join(folder, name), bytes);
}

// An archive made by zip from files of the given contents, with zip's own options.
function zipOf(files, options = []) {
    const work = mkdtempSync(join(tmpdir(), 'vellum-seed-'));
    try {
        for (const [name, text] of Object.entries(files)) {
            mkdirSync(dirname(join(work, 'in', name)), { recursive: true });
            writeFileSync(join(work, 'in', name), text);
        }
        execFileSync('zip', ['-q', '-X', '-r', ...options, join(work, 'out.zip'), '.'], { cwd: join(work, 'in') });
        return readFileSync(join(work, 'out.zip'));
    } finally {
        rmSync(work, { recursive: true, force: true });
    }
}

// A streamed archive: its entry's sizes follow the data in a data descriptor.
function streamedZip(text) {
    return execFileSync('zip', ['-q', '-X', '-', '-'], { input: text });
}

const page = '<!doctype html><title>Hello</title><script src="app.js"></script>\n';
const script = 'vlm.hello().then(text => document.title = text);\n'.repeat(8);
const app = { 'index.html': page, 'js/app.js': script, 'vlm.ini': '[App]\nID=hello\n' };
const emptyArchive = Buffer.from([0x50, 0x4b, 0x05, 0x06, ...new Array(18).fill(0)]);
seeds('zip_archive', {
    'deflate.zip': zipOf(app),
    'stored.zip': zipOf(app, ['-0']),
    'encrypted-deflate.zip': zipOf(app, ['-P', 'fuzz']),
    'encrypted-stored.zip': zipOf({ 'a.txt': 'stored and encrypted\n' }, ['-0', '-P', 'fuzz']),
    'wrong-password.zip': zipOf({ 'a.txt': 'another password\n' }, ['-P', 'other']),
    'data-descriptor.zip': streamedZip(script),
    'commented.zip': Buffer.concat([zipOf({ 'A.TXT': 'x', 'a.txt': 'y' }).subarray(0, -2), Buffer.from([4, 0]), Buffer.from('note')]),
    'empty.zip': emptyArchive,
});

const ini = '; packaged app\r\n[App]\r\nID=hello\r\nDirName=Hello App\r\nIndexHtml=index.html\r\n' +
    'InstallFormColor=$00FF8000\r\nInstallIndicatorColor=0xFFFFFFFF\r\nInstallIndicatorType=-2\r\n' +
    'WindowBorder=1\r\nAllowContextMenu=true\r\nAllowDebug=0\r\nAllowInstances=FALSE\r\n' +
    'AllowZoom\r\n[app]\r\nAllowZoom=yes\r\nDynamicAppTitle=1\r\nEdgeInstaller=  on  \r\n';
const utf16 = (text, bigEndian) => {
    const bytes = Buffer.from(text, 'utf16le');
    if (bigEndian) bytes.swap16();
    return Buffer.concat([Buffer.from(bigEndian ? [0xfe, 0xff] : [0xff, 0xfe]), bytes]);
};
seeds('app_settings', {
    'plain.ini': ini,
    'utf8-bom.ini': Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), Buffer.from(ini.replace('Hello App', 'Hellö Äpp'))]),
    'utf16le-bom.ini': utf16(ini.replace('Hello App', 'Привет'), false),
    'utf16be-bom.ini': utf16(ini, true),
    'odd-utf16.ini': Buffer.concat([utf16('[App]\nID=x', false), Buffer.from([0x41])]),
    'lf-and-cr.ini': '[App]\nID=a\rDirName=b\n\n[Other]\nID=c\n[App\nWindowBorder=0x7fffffff\n',
});

// A program image's headers: the DOS header pointing at "PE\0\0", a file header, an optional
// header of the given size and the section table (raw size, raw offset per section).
function peHeaders(sections, optionalSize = 0xf0, peOffset = 0x80) {
    const table = peOffset + 24 + optionalSize;
    const bytes = Buffer.alloc(table + 40 * sections.length);
    bytes.write('MZ', 0, 'latin1');
    bytes.writeUInt32LE(peOffset, 0x3c);
    bytes.write('PE\0\0', peOffset, 'latin1');
    bytes.writeUInt16LE(0x8664, peOffset + 4);
    bytes.writeUInt16LE(sections.length, peOffset + 6);
    bytes.writeUInt16LE(optionalSize, peOffset + 20);
    bytes.writeUInt16LE(optionalSize === 0xf0 ? 0x20b : 0x10b, peOffset + 24);
    sections.forEach(([rawSize, rawOffset], index) => {
        const entry = table + 40 * index;
        bytes.write(`.s${index}`, entry, 'latin1');
        bytes.writeUInt32LE(rawSize, entry + 16);
        bytes.writeUInt32LE(rawOffset, entry + 20);
    });
    return bytes;
}
const threeSections = peHeaders([[0x1000, 0x400], [0x200, 0x1400], [0x600, 0x1600]]);
seeds('pe_image', {
    'pe32plus.bin': threeSections,
    'pe32.bin': peHeaders([[0x800, 0x200]], 0xe0, 0x40),
    'no-sections.bin': peHeaders([]),
    'wrapping-end.bin': peHeaders([[0x20, 0xfffffff0]]),
    'truncated-table.bin': threeSections.subarray(0, threeSections.length - 20),
});

// ELF files as a linker lays them out: header, program header table, data, section header
// table (with its null section 0) last.
function elfFile({ is64 = true, bigEndian = false, segments = [], sections = [] }) {
    const header = is64 ? 64 : 52, phEntry = is64 ? 56 : 32, shEntry = is64 ? 64 : 40, word = is64 ? 8 : 4;
    let dataEnd = header + phEntry * segments.length;
    for (const [offset, size] of segments) dataEnd = Math.max(dataEnd, offset + size);
    for (const [type, offset, size] of sections) if (type !== 8) dataEnd = Math.max(dataEnd, offset + size);
    const table = sections.length ? Math.ceil(dataEnd / 8) * 8 : 0;
    const bytes = Buffer.alloc(sections.length ? table + shEntry * (sections.length + 1) : dataEnd, 0x5a);
    const put = (offset, value, size) => {
        for (let i = 0; i < size; ++i) {
            const shift = 8 * (bigEndian ? size - 1 - i : i);
            bytes[offset + i] = Number((BigInt(value) >> BigInt(shift)) & 0xffn);
        }
    };
    bytes.fill(0, 0, header);
    bytes.write('\x7fELF', 0, 'latin1');
    bytes[4] = is64 ? 2 : 1;
    bytes[5] = bigEndian ? 2 : 1;
    bytes[6] = 1;
    put(16, 2, 2);
    put(20, 1, 4);
    put(24 + word, segments.length ? header : 0, word);
    put(24 + 2 * word, table, word);
    put(28 + 3 * word, header, 2);
    put(30 + 3 * word, phEntry, 2);
    put(32 + 3 * word, segments.length, 2);
    put(34 + 3 * word, shEntry, 2);
    put(36 + 3 * word, sections.length ? sections.length + 1 : 0, 2);
    segments.forEach(([offset, size], index) => {
        const entry = header + index * phEntry;
        put(entry, 1, 4);
        put(entry + (is64 ? 8 : 4), offset, word);
        put(entry + (is64 ? 32 : 16), size, word);
    });
    if (sections.length) bytes.fill(0, table, table + shEntry);
    sections.forEach(([type, offset, size], index) => {
        const entry = table + (index + 1) * shEntry;
        bytes.fill(0, entry, entry + shEntry);
        put(entry + 4, type, 4);
        put(entry + (is64 ? 24 : 16), offset, word);
        put(entry + (is64 ? 32 : 20), size, word);
    });
    return bytes;
}
const linked = elfFile({ segments: [[0, 0x200], [0x200, 0x80]], sections: [[1, 0x100, 0x100], [8, 0x280, 0x1000], [1, 0x200, 0x90]] });
seeds('elf_image', {
    'elf64-le.bin': linked,
    'elf32-be.bin': elfFile({ is64: false, bigEndian: true, segments: [[0, 0x100]], sections: [[1, 0x100, 0x20]] }),
    'header-only.bin': elfFile({}),
    'packaged.bin': Buffer.concat([linked, zipOf({ 'vlm.ini': '[App]\nID=a\n' })]),
    'cut-in-section-table.bin': linked.subarray(0, linked.length - 30),
});

seeds('bridge_arguments', {
    'scalars.json': '{"text":"a\\u00e9\\ud83d\\ude00","number":-12.5e3,"int":7,"big":18446744073709551615,"yes":true,"no":false,"nil":null}',
    'bool-texts.json': '{"a":"TRUE","b":"False","c":"0","d":"-3","e":"","f":"yes","g":2.0,"h":0.5}',
    'nested.json': '{"id":10001,"uuid":"u","data":{"list":[1,2,{"x":"y"}],"object":{}}}',
    'not-object.json': '[1,"two",true]',
});

// A page's menu items, as the text setItems parses.
seeds('menu_items', {
    'file-menu.json': '[{"id":1,"caption":"&File","items":[{"id":"2","caption":"Open","image":"open.png"},{"id":3,"caption":"-"},{"id":4,"caption":"Quit","enabled":"FALSE"}]}]',
    'presence.json': '[{"id":null,"caption":null},{"id":7.5,"caption":{"a":1}},{"id":"x","caption":1,"enabled":0,"image":["a"]}]',
    'wrong-items.json': '[{"id":1,"caption":"a","items":{"id":2}},{"id":1,"caption":"b","items":[]}]',
    'bad-enabled.json': '[{"id":1,"caption":"a"},{"id":2,"caption":"b","items":[{"id":3,"caption":"c","enabled":"maybe"}]}]',
    'deep.json': '[{"id":1,"caption":"d","items":'.repeat(70) + '[]' + '}]'.repeat(70),
    'ids.json': '[{"id":"$7fffffff","caption":"a"},{"id":"-2147483648","caption":"b"},{"id":"2147483648","caption":"c"},{"id":" 0x1F","caption":"d"}]',
});

// Requests as the page posts them. The first byte steers the target: an odd byte for runtime
// mode, bit 1 for a message that came as a plain string too ('{' sets both; blanks vary them).
const request = (lead, id, data = '{}', uuid = '"u"') => `${lead}{"id":${id},"uuid":${uuid},"data":${data}}`;
seeds('bridge_dispatcher', {
    'hello.json': request('{', 10001),
    'is-runtime-preview.json': request(' ', '"10002"'),
    'get-args.json': request('\t', 50005),
    'navigate.json': request('\t', 50006, '{"url":"https://example.org/?a=1&b=2"}'),
    'fullscreen.json': request('\r', 50003, '{}', 7),
    'in-fullscreen.json': request('\t', 50002),
    'close.json': request('\t', 50001),
    'window-get-style.json': request('\t', 60001),
    'window-set-style.json': request('\t', 60002, '{"style":"ontop"}'),
    'window-get-state.json': request('\t', 60003),
    'window-set-state.json': request('\t', 60004, '{"state":"minimized"}'),
    'window-get-title.json': request('\t', 60005),
    'window-set-title.json': request('\t', 60006, '{"title":"Fenster \\u00fc \\ud800"}'),
    'window-get-zoom.json': request('\t', 60007),
    'window-set-zoom.json': request('\t', 60008, '{"factor":"1.5e0"}'),
    'window-get-size.json': request('\t', 60009),
    'window-set-size.json': request('\t', 60010, '{"top":-5,"left":"12.7","width":"800","height":600.0}'),
    'window-get-border.json': request('\t', 60011),
    'window-set-border.json': request('\t', 60012, '{"border":"toolwindow"}'),
    'runtime-only-in-preview.json': request(' ', 50003),
    'missing-data.json': '\t{"id":10001,"uuid":"u"}',
    'data-not-object.json': request('\t', 10001, '[1]'),
    'preview-click.txt': 'vlm-webbrowser-clicked',
});

seeds('str_utils', {
    'resolution.txt': 'screen 1920x1080 then 640x480',
    'resolution-too-big.txt': '99999999999x1',
    'digits-no-x.txt': '1234567890'.repeat(20) + 'x',
    'url.txt': 'file:///index.html?name=J%C3%BCrgen+M&flag&empty=&%zz=%4#frag?x=1',
    'url-no-query.txt': 'https://example.org/path#only?fragment',
});

// Base64 contents and wildcard masks: a mask, a zero byte, then the name it is matched against.
seeds('file_texts', {
    'base64.txt': 'SGVsbG8sIFdvcmxkIQ==',
    'data-url.txt': 'data:text/plain;base64,SGVs\r\nbG8=',
    'mask.bin': '*.txt\0readme.TXT',
    'mask-stars.bin': 'a*b?c*.*\0axxbyc',
    'mask-backtrack.bin': `*a*a*a*a*a*a*b\0${'a'.repeat(200)}`,
});
