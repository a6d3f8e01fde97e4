// The root settings the page writer adds, and how the reader moves through a
// game: start position, move numbers, variations, deep links, trial moves and
// problem mode.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { parseSgf, readSettings, Game, Replay, BLACK, WHITE, EMPTY } =
    require('../../viewer/tervanil-viewer.js');

function replayOf(text) {
    return new Replay(new Game(parseSgf(text)));
}

const TWELVE = '(;GM[1]SZ[9];B[ee];W[gc];B[cg];W[cc];B[gg];W[eg];B[ge];W[ec];B[dd];W[fd];B[ff];W[dg])';

test('root settings read as the page writer writes them', () => {
    const cases = [
        ['', { numbers: true, openAtEnd: false, click: 0, problem: false, whiteFirst: false, startMoves: 0, startNumber: 1 }],
        ['GO[0]', { numbers: true, openAtEnd: false }],
        ['GO[1]', { numbers: true, openAtEnd: true }],
        ['GO[2]', { numbers: false, openAtEnd: false }],
        ['GO[3]', { numbers: false, openAtEnd: true }],
        ['GO[7]', { numbers: true, openAtEnd: false }],
        ['CL[1]', { click: 1 }],
        ['CL[2]', { click: 2 }],
        ['CL[5]', { click: 0 }],
        ['QS[1]', { problem: true }],
        ['QS[0]', { problem: false }],
        ['NE[W]', { whiteFirst: true }],
        ['NE[B]', { whiteFirst: false }],
        ['AS[4,1]', { startMoves: 4, startNumber: 1 }],
        ['AS[0,21]', { startMoves: 0, startNumber: 21 }],
        ['AS[ 3, 5]', { startMoves: 3, startNumber: 5 }],
        ['AS[x,y]', { startMoves: 0, startNumber: 1 }],
        ['AS[7]', { startMoves: 7, startNumber: 1 }],
    ];
    for (const [props, expected] of cases) {
        const settings = readSettings(parseSgf('(;' + props + 'SZ[9])'));
        for (const key of Object.keys(expected))
            assert.equal(settings[key], expected[key], props + ' ' + key);
    }
});

test('navigation: single steps, tens, both ends, never past either end', () => {
    const r = replayOf(TWELVE);
    assert.equal(r.moveNumber(), 0);
    r.back(1);
    assert.equal(r.moveNumber(), 0);
    r.forward(1);
    assert.equal(r.moveNumber(), 1);
    r.forward(10);
    assert.equal(r.moveNumber(), 11);
    r.forward(10);
    assert.equal(r.moveNumber(), 12);
    r.back(10);
    assert.equal(r.moveNumber(), 2);
    r.end();
    assert.equal(r.moveNumber(), 12);
    r.home();
    assert.equal(r.node, r.game.root);
});

test('AS: the first moves form the start without numbers, the next ones are numbered from k', () => {
    const r = replayOf(TWELVE.replace('GM[1]', 'AS[4,1]'));
    assert.equal(r.moveNumber(), 4);
    const pos = r.shown();
    assert.equal(pos.stones.filter((s) => s !== EMPTY).length, 4);
    assert.deepEqual([1, 4, 5, 6].map((n) => r.game.label(n)), ['', '', '1', '2']);
    r.back(3);
    assert.equal(r.moveNumber(), 4, 'the start is the floor');
    r.goToMove(2);
    assert.equal(r.moveNumber(), 4);
    r.forward(1);
    r.home();
    assert.equal(r.moveNumber(), 4);

    const numbered = replayOf(TWELVE.replace('GM[1]', 'AS[0,21]'));
    assert.equal(numbered.moveNumber(), 0);
    assert.deepEqual([1, 2].map((n) => numbered.game.label(n)), ['21', '22']);
});

test('variations: choosing one goes into it, the end follows it, stepping back remembers it', () => {
    const r = replayOf('(;SZ[9];B[ee](;W[gc];B[cg];W[cc])(;W[cg];B[gc](;W[gg])(;W[cc];B[dd])))');
    r.forward(1);
    assert.equal(r.node.children.length, 2);
    r.choose(1);
    assert.deepEqual(r.node.props.W, ['cg']);
    r.end();
    assert.deepEqual(r.node.props.W, ['gg']);
    assert.equal(r.moveNumber(), 4);
    r.back(1);
    r.choose(1);
    r.end();
    assert.deepEqual(r.node.props.B, ['dd']);
    r.home();
    r.end();
    assert.deepEqual(r.node.props.B, ['dd'], 'the chosen line is kept');
    r.goToMove(2);
    assert.deepEqual(r.node.props.W, ['cg']);
    r.choose(5);
    assert.deepEqual(r.node.props.W, ['cg'], 'no such variation: stay');
});

test('deep links go to move n of the line, clamped to its ends', () => {
    const r = replayOf(TWELVE);
    const cases = [[0, 0], [1, 1], [7, 7], [12, 12], [99, 12]];
    for (const [asked, reached] of cases) {
        r.goToMove(asked);
        assert.equal(r.moveNumber(), reached, String(asked));
    }
    // Nodes without moves (a comment, a setup) do not count as moves.
    const mixed = replayOf('(;SZ[9];B[aa];C[note];W[bb];AB[cc];B[dd])');
    mixed.goToMove(2);
    assert.deepEqual(mixed.node.props.W, ['bb']);
    mixed.goToMove(3);
    assert.deepEqual(mixed.node.props.B, ['dd']);
});

test('alternating trial moves: legal moves only, colours take turns, navigating clears them', () => {
    const r = replayOf('(;SZ[5]CL[2];B[bb];W[cc])');
    r.end();
    assert.equal(r.tryMove(0, WHITE).ok, true);
    assert.equal(r.shown().stones[0], BLACK, 'alternating play ignores the colour asked for');
    assert.equal(r.tryMove(1).ok, true);
    assert.equal(r.shown().stones[1], WHITE);
    assert.deepEqual(r.tryMove(6), { ok: false, reason: 'occupied' });
    assert.equal(r.trial.moves.length, 2);
    assert.equal(r.game.position(r.node).stones[0], EMPTY, 'the record is untouched');
    r.back(1);
    assert.equal(r.trial, null);
    assert.equal(r.shown().stones[0], EMPTY);
    assert.deepEqual(r.tryMove(6), { ok: false, reason: 'occupied' });
    assert.equal(r.trial, null, 'a refused first move leaves no trial');
});

test('free trial moves: any empty point in the colour asked for', () => {
    const r = replayOf('(;SZ[5]CL[1];B[bb])');
    r.end();
    assert.deepEqual(r.tryMove(6, WHITE), { ok: false, reason: 'occupied' });
    assert.equal(r.trial, null, 'a refused first move leaves no trial');
    assert.equal(r.tryMove(0, WHITE).ok, true);
    assert.equal(r.tryMove(1, WHITE).ok, true);
    assert.deepEqual([r.shown().stones[0], r.shown().stones[1]], [WHITE, WHITE]);
    // No colour asked for: the side to move after White's last trial stone.
    assert.equal(r.tryMove(2).ok, true);
    assert.equal(r.shown().stones[2], BLACK);
    assert.deepEqual(r.tryMove(6, WHITE), { ok: false, reason: 'occupied' });
});

test('problem mode: the record move goes on with its answer; any other point is wrong', () => {
    const text = '(;SZ[9]QS[1]AB[cc]AW[dd](;B[ee];W[ff];B[gg])(;B[ce]C[also right];W[ec]))';
    const r = replayOf(text);
    const point = (x, y) => y * 9 + x;
    assert.equal(r.answer(point(0, 0)), false);
    assert.equal(r.node, r.game.root);
    assert.equal(r.answer(point(2, 4)), true);
    assert.deepEqual(r.node.props.W, ['ec'], 'the answer followed');
    assert.equal(r.moveNumber(), 2);
    r.home();
    assert.equal(r.answer(point(4, 4)), true);
    assert.deepEqual(r.node.props.W, ['ff']);
    assert.equal(r.answer(point(6, 6)), true);
    assert.deepEqual(r.node.props.B, ['gg']);
    assert.equal(r.node.children.length, 0);
});
