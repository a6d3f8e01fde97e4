// Board logic: captures, suicide, ko, passes and setup, both as a record plays
// them and as the reader's trial moves must obey them.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { parseSgf, Game, Position, BLACK, WHITE, EMPTY } = require('../../viewer/tervanil-viewer.js');

// The position at the end of a record's main line, drawn as rows of . X O.
function finalPosition(text) {
    const game = new Game(parseSgf(text));
    let node = game.root;
    while (node.children.length)
        node = node.children[0];
    return game.position(node);
}

function rows(pos) {
    const out = [];
    for (let y = 0; y < pos.height; y++) {
        let row = '';
        for (let x = 0; x < pos.width; x++)
            row += '.XO'[pos.stones[y * pos.width + x]];
        out.push(row);
    }
    return out;
}

test('a surrounded stone and a surrounded group are captured and counted', () => {
    const single = finalPosition('(;SZ[5];B[ba];W[bb];B[ab];W[dd];B[cb];W[ee];B[bc])');
    assert.deepEqual(rows(single), ['.X...', 'X.X..', '.X...', '...O.', '....O']);
    assert.deepEqual(single.captures.slice(1), [1, 0]);

    const group = finalPosition('(;SZ[5];B[aa];W[ca];B[ba];W[bb];B[dd];W[ab])');
    assert.deepEqual(rows(group), ['..O..', 'OO...', '.....', '...X.', '.....']);
    assert.deepEqual(group.captures.slice(1), [0, 2]);
});

test('a move that captures lives though it had no liberty before the capture', () => {
    // Black ba touches only white stones; it takes aa, which was in atari.
    const pos = finalPosition('(;SZ[5]AW[aa][ca][da][bb]AB[ab];B[ba])');
    assert.deepEqual(rows(pos), ['.XOO.', 'XO...', '.....', '.....', '.....']);
    assert.equal(pos.captures[BLACK], 1);
});

test('a suicide in the record removes its own group and credits the opponent', () => {
    const single = finalPosition('(;SZ[5]AW[ba][ab][cb][bc]AB[bb];B[aa])');
    assert.equal(single.stones[0], EMPTY);
    assert.equal(single.stones[6], BLACK);
    assert.equal(single.captures[WHITE], 1);
    assert.equal(single.moveNumber, 1);

    const group = finalPosition('(;SZ[5]AB[aa]AW[ca][bb][ab];B[ba])');
    assert.equal(group.stones[0], EMPTY);
    assert.equal(group.stones[1], EMPTY);
    assert.equal(group.captures[WHITE], 2);
});

test('strict play refuses an occupied point, suicide and the immediate retaking of a ko', () => {
    //  . X O . .
    //  X O . O .     Black takes the white stone at bb by playing cb.
    //  . X O . .
    const p = new Position(5, 5);
    const at = (x, y) => y * 5 + x;
    for (const [x, y] of [[1, 0], [0, 1], [1, 2]])
        p.stones[at(x, y)] = BLACK;
    for (const [x, y] of [[2, 0], [1, 1], [3, 1], [2, 2]])
        p.stones[at(x, y)] = WHITE;
    assert.deepEqual(p.play(BLACK, at(2, 1), true), { ok: true, captured: 1 });
    assert.equal(p.ko, at(1, 1));
    assert.deepEqual(p.play(WHITE, at(1, 1), true), { ok: false, reason: 'ko' });
    assert.equal(p.stones[at(1, 1)], EMPTY);
    assert.deepEqual(p.play(WHITE, at(2, 1), true), { ok: false, reason: 'occupied' });
    assert.equal(p.moveNumber, 1);
    // After an exchange elsewhere the ko may be taken back.
    assert.equal(p.play(WHITE, at(4, 4), true).ok, true);
    assert.equal(p.play(BLACK, at(0, 4), true).ok, true);
    assert.deepEqual(p.play(WHITE, at(1, 1), true), { ok: true, captured: 1 });
    assert.equal(p.stones[at(2, 1)], EMPTY);
    // Taking two stones is no ko.
    assert.equal(p.ko, at(2, 1));
    const two = finalPosition('(;SZ[5]AW[ba][ca]AB[ab][bb][cb][da];B[aa])');
    assert.equal(two.ko, -1);

    const s = new Position(3, 3);
    s.stones[1] = WHITE;
    s.stones[3] = WHITE;
    assert.deepEqual(s.play(BLACK, 0, true), { ok: false, reason: 'suicide' });
    assert.deepEqual(Array.from(s.stones), [0, 2, 0, 2, 0, 0, 0, 0, 0]);
    assert.equal(s.moveNumber, 0);
});

test('a pass counts as a move, ends a ko and hands over the turn', () => {
    const game = new Game(parseSgf('(;SZ[9];B[ee];W[];B[tt])'));
    const after = (k) => {
        let node = game.root;
        for (let i = 0; i < k; i++)
            node = node.children[0];
        return game.position(node);
    };
    assert.equal(after(2).moveNumber, 2);
    assert.equal(after(2).last, -2);
    assert.equal(after(2).toMove, BLACK);
    assert.equal(after(3).moveNumber, 3);
    assert.equal(after(3).toMove, WHITE);
    assert.equal(after(3).stones.filter((s) => s !== EMPTY).length, 1);
    const p = new Position(5, 5);
    p.ko = 3;
    p.play(WHITE, null, true);
    assert.equal(p.ko, -1);
});

test('setup stones, erasures and PL shape the position; NE[W] gives White the first move', () => {
    const game = new Game(parseSgf('(;SZ[5]AB[aa:ba][ee]AW[cc];AE[aa]AW[dd]PL[W];B[bb])'));
    const root = game.position(game.root);
    assert.deepEqual(rows(root), ['XX...', '.....', '..O..', '.....', '....X']);
    assert.equal(root.toMove, BLACK);
    const second = game.position(game.root.children[0]);
    assert.deepEqual(rows(second), ['.X...', '.....', '..O..', '...O.', '....X']);
    assert.equal(second.toMove, WHITE);
    assert.equal(second.moveNumber, 0);
    const third = game.position(game.root.children[0].children[0]);
    assert.equal(third.moveNumber, 1);
    assert.equal(third.numbers[6], 1);
    assert.equal(third.toMove, WHITE);

    const white = new Game(parseSgf('(;SZ[5]NE[W]AB[aa];PL[B])'));
    assert.equal(white.position(white.root).toMove, WHITE);
    assert.equal(white.position(white.root.children[0]).toMove, BLACK);
});

test('the record may play over a stone; a move off the board is no move', () => {
    const pos = finalPosition('(;SZ[5];B[aa];W[aa];B[zz])');
    assert.equal(pos.stones[0], WHITE);
    assert.equal(pos.moveNumber, 2);
});

test('board sizes: default 19, rectangles, and sizes the viewer cannot draw', () => {
    assert.deepEqual([new Game(parseSgf('(;GM[1])')).width, new Game(parseSgf('(;GM[1])')).height], [19, 19]);
    const rect = new Game(parseSgf('(;SZ[13:7])'));
    assert.deepEqual([rect.width, rect.height], [13, 7]);
    for (const size of ['1', '53', 'x', '0:9'])
        assert.throws(() => new Game(parseSgf('(;SZ[' + size + '])')), /board size/, size);
});

test('positions replayed from kept ones agree with a straight replay, whatever the order asked', () => {
    // A long game on a small board: stones are captured and points played again.
    const letters = 'abcdefg';
    const moves = [];
    let seed = 7;
    for (let i = 0; i < 400; i++) {
        seed = (seed * 1103515245 + 12345) % 2147483648;
        const point = letters[seed % 7] + letters[(seed >> 8) % 7];
        moves.push((i % 2 ? ';W[' : ';B[') + (i % 37 === 36 ? '' : point) + ']');
    }
    const text = '(;SZ[7]' + moves.join('') + ')';
    const nodes = (game) => {
        const list = [game.root];
        while (list[list.length - 1].children.length)
            list.push(list[list.length - 1].children[0]);
        return list;
    };
    const straight = new Game(parseSgf(text));
    const expected = nodes(straight).map((node) => straight.position(node));
    const scattered = new Game(parseSgf(text));
    const order = nodes(scattered).map((node, i) => [node, i]);
    for (const [node, i] of [order[400], order[33], order[399], order[64], order[1], order[250]]) {
        const pos = scattered.position(node);
        assert.deepEqual(Array.from(pos.stones), Array.from(expected[i].stones), 'node ' + i);
        assert.deepEqual(pos.captures, expected[i].captures, 'node ' + i);
        assert.equal(scattered.moveCount(node), i);
    }
    assert.ok(expected[400].captures[BLACK] + expected[400].captures[WHITE] > 0);
});
