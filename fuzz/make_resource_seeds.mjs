// Writes the seed corpora of the icon-file and version-text targets in fuzz/corpus/<target>/
// (committed; run again only to change them).
import { mkdirSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const corpus = join(dirname(fileURLToPath(import.meta.url)), 'corpus');

function seeds(target, entries) {
    const folder = join(corpus, target);
    mkdirSync(folder, { recursive: true });
    for (const [name, bytes] of Object.entries(entries)) writeFileSync(join(folder, name), bytes);
}

// An icon file with one image per size, each image filled with its own marker byte.
function icon(sizes, { count = sizes.length, shift = 0 } = {}) {
    const header = Buffer.alloc(6 + 16 * sizes.length);
    header.writeUInt16LE(1, 2);
    header.writeUInt16LE(count, 4);
    let offset = header.length;
    sizes.forEach((size, i) => {
        const entry = 6 + 16 * i;
        header[entry] = header[entry + 1] = 16 << i;
        header.writeUInt16LE(1, entry + 4);
        header.writeUInt16LE(32, entry + 6);
        header.writeUInt32LE(size, entry + 8);
        header.writeUInt32LE(offset + shift, entry + 12);
        offset += size;
    });
    return Buffer.concat([header, ...sizes.map((size, i) => Buffer.alloc(size, 0x40 + i))]);
}

seeds('icon_file', {
    'three-images.ico': icon([40, 120, 300]),
    'one-past-end.ico': icon([40, 60], { shift: 1 }),
    'count-beyond-entries.ico': icon([40], { count: 9 }),
    'no-images.ico': icon([]),
    'executable.bin': Buffer.concat([Buffer.from('MZ'), icon([40]).subarray(2)]),
});

// One node of a version block: lengths, type, key, value and children, each aligned to 4.
function node(key, { text, binary, children = [] } = {}) {
    const pad = (buffer) => Buffer.concat([buffer, Buffer.alloc((4 - (buffer.length % 4)) % 4)]);
    const head = Buffer.alloc(6);
    const keyBytes = Buffer.from(key + '\0', 'utf16le');
    let value = Buffer.alloc(0);
    let valueLength = 0;
    if (text !== undefined) {
        value = Buffer.from(text + '\0', 'utf16le');
        valueLength = text.length + 1;
        head.writeUInt16LE(1, 4);
    } else if (binary !== undefined) {
        value = binary;
        valueLength = binary.length;
    }
    const body = Buffer.concat([pad(Buffer.concat([head, keyBytes])), pad(value), ...children.map(pad)]);
    body.writeUInt16LE(body.length, 0);
    body.writeUInt16LE(valueLength, 2);
    return body;
}

function block(table, values, translations = [[0x0409, 0x04e4]]) {
    const pairs = Buffer.alloc(4 * translations.length);
    translations.forEach(([language, codePage], i) => {
        pairs.writeUInt16LE(language, 4 * i);
        pairs.writeUInt16LE(codePage, 4 * i + 2);
    });
    const strings = Object.entries(values).map(([key, text]) => node(key, { text }));
    return node('VS_VERSION_INFO', {
        binary: Buffer.alloc(52),
        children: [
            node('StringFileInfo', { children: [node(table, { children: strings })] }),
            node('VarFileInfo', { children: [node('Translation', { binary: pairs })] }),
        ],
    });
}

const blanks = ' '.repeat(40);
// The first byte of each seed is the length of the texts the target writes.
const withLength = (length, bytes) => Buffer.concat([Buffer.from([length]), bytes]);
seeds('version_info', {
    'runtime-like.bin': withLength(8, block('040904E4', {
        CompanyName: blanks, FileDescription: blanks, FileVersion: '1.0.0.0', OriginalFilename: blanks,
        ProgramID: blanks, ProductName: blanks, ProductVersion: '1.0.0.0', Comments: blanks,
    })),
    'cut-to-room.bin': withLength(200, block('040904E4', { CompanyName: blanks, FileVersion: '1.0.0.0' })),
    'two-tables.bin': withLength(3, block('040904B0', { companyname: blanks },
        [[0x0409, 0x04e4], [0x0409, 0x04b0]])),
    'no-translation.bin': withLength(5, node('VS_VERSION_INFO', { binary: Buffer.alloc(52) })),
});
