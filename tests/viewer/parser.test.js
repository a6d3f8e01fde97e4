// The record parser: the text of the "moves" parameter as the browser hands it
// over, with SGF escapes, variations, and the leftovers of the page writer.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { parseSgf, parsePoint, parsePointList, SgfError } = require('../../viewer/tervanil-viewer.js');

test('property values resolve escapes and soft line breaks', () => {
    const cases = [
        ['plain', 'plain'],
        ['a\\]b', 'a]b'],
        ['back\\\\slash', 'back\\slash'],
        ['colon\\:kept', 'colon:kept'],
        ['soft\\\nbreak', 'softbreak'],
        ['soft\\\r\nbreak', 'softbreak'],
        ['hard\nbreak', 'hard\nbreak'],
        ['ends with \\\\', 'ends with \\'],
        ['', ''],
    ];
    for (const [raw, value] of cases) {
        const root = parseSgf('(;C[' + raw + '])');
        assert.deepEqual(root.props.C, [value], raw);
    }
});

test('variations hang under the node they branch from, the first being the main line', () => {
    const root = parseSgf('(;SZ[9];B[aa](;W[bb];B[cc](;W[dd])(;W[ee]))(;W[cc]))');
    const first = root.children[0];
    assert.deepEqual(first.props.B, ['aa']);
    assert.equal(first.children.length, 2);
    assert.deepEqual(first.children[0].props.W, ['bb']);
    assert.deepEqual(first.children[1].props.W, ['cc']);
    const deep = first.children[0].children[0];
    assert.deepEqual(deep.children.map((n) => n.props.W[0]), ['dd', 'ee']);
    assert.equal(deep.children[1].parent, deep);
});

test('text around the first game tree is ignored; white space is allowed everywhere', () => {
    const root = parseSgf('prose (with parentheses)\n( ;GN [x] AB [aa]\n [bb] ;B[cc])(;GN[second])');
    assert.deepEqual(root.props.GN, ['x']);
    assert.deepEqual(root.props.AB, ['aa', 'bb']);
    assert.equal(root.children.length, 1);
});

test('old identifiers lose their small letters; a repeated property keeps every value', () => {
    const root = parseSgf('(;AddBlack[aa][bb]C[startup]GM[1]C[comment])');
    assert.deepEqual(root.props.AB, ['aa', 'bb']);
    assert.deepEqual(root.props.C, ['startup', 'comment']);
});

test('a malformed record throws an SgfError naming the fault', () => {
    const cases = [
        ['no tree at all', 'no game record found'],
        ['(;C[never closed', 'a property value is not closed'],
        ['(;C[ends in an escape\\', 'a property value is not closed'],
        ['(;B[aa];W[bb]', 'the record ends before its game tree is closed'],
        ['(;B[aa]#)', 'unexpected character in the record'],
        ['(;B;W[aa])', 'a property has no value'],
        ['(;B[aa](W[bb]))', 'a property stands outside a node'],
    ];
    for (const [text, message] of cases) {
        assert.throws(() => parseSgf(text), (e) => e instanceof SgfError && e.message === message, text);
    }
});

test('a point value survives a line break put into it, and passes are recognised', () => {
    const cases = [
        ['aa', 19, 19, 0],
        ['sa', 19, 19, 18],
        ['as', 19, 19, 18 * 19],
        ['c\nd', 9, 9, 3 * 9 + 2],
        [' cd ', 9, 9, 3 * 9 + 2],
        ['', 19, 19, null],
        ['tt', 19, 19, null],
        ['tt', 21, 21, 19 * 21 + 19],
        ['Aa', 30, 30, 26],
        ['jj', 9, 9, undefined],
        ['abc', 9, 9, undefined],
        ['a1', 9, 9, undefined],
    ];
    for (const [value, w, h, point] of cases)
        assert.equal(parsePoint(value, w, h), point, JSON.stringify(value));
});

test('point lists take single points and compressed rectangles, skipping bad values', () => {
    assert.deepEqual(parsePointList(['aa', 'bb:cc', 'zz', 'c\nc'], 5, 5).sort((a, b) => a - b),
                     [0, 6, 7, 11, 12, 12]);
    assert.deepEqual(parsePointList(['cc:bb'], 5, 5).sort((a, b) => a - b), [6, 7, 11, 12]);
});

test('a long record with deep nesting parses without recursion', () => {
    const moves = [];
    for (let i = 0; i < 20000; i++)
        moves.push('(;B[' + 'abcdefghi'[i % 9] + 'a]');
    const text = moves.join('') + ')'.repeat(20000);
    let node = parseSgf(text);
    let depth = 0;
    while (node.children.length) {
        node = node.children[0];
        depth++;
    }
    assert.equal(depth, 19999);
});
