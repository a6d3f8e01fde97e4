// The script as pages load it: read in the page's charset (so ASCII only), and
// free of every API that would turn record text into markup or code.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');

const source = fs.readFileSync(path.resolve(__dirname, '..', '..', 'viewer', 'tervanil-viewer.js'));

test('the viewer script is ASCII only', () => {
    const at = source.findIndex((byte) => byte > 0x7e || (byte < 0x20 && byte !== 0x0a));
    assert.equal(at, -1, 'byte ' + at);
});

test('the viewer script uses no API that parses markup or evaluates code', () => {
    const text = source.toString('latin1');
    const forbidden = [
        /\binnerHTML\b/, /\bouterHTML\b/, /\binsertAdjacentHTML\b/, /\bdocument\.write/,
        /\beval\s*\(/, /\bFunction\s*\(/, /\bsetTimeout\b/, /\bsetInterval\b/,
        /\bcreateContextualFragment\b/, /\bDOMParser\b/, /\bsrcdoc\b/, /\.href\s*=/,
        /\bsetAttribute\s*\(\s*['"](href|src|style|on\w+)['"]/i,
    ];
    for (const pattern of forbidden)
        assert.doesNotMatch(text, pattern);
});
