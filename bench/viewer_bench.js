#!/usr/bin/env node
// The in-page viewer's parser and replay on one long synthetic record, as a
// page would hand it over: prints the time to parse it, to step to its end and
// to jump back to its middle, and the heap in use after each step.
// Usage: node bench/viewer_bench.js [MOVES] (default 100000)
'use strict';

const { parseSgf, Game, Replay } = require('../viewer/tervanil-viewer.js');

const moves = Number(process.argv[2] || 100000);
const letters = 'abcdefghijklmnopqrs';
const nodes = [];
let seed = 1;
for (let i = 0; i < moves; i++) {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    const point = letters[seed % 19] + letters[(seed >> 8) % 19];
    nodes.push((i % 2 ? ';W[' : ';B[') + point + ']' + (i % 10 === 9 ? '\n' : ''));
}
const record = '(;GM[1]FF[4]SZ[19]C[A long synthetic game]\n' + nodes.join('') + ')\n';

function heapMb() {
    if (global.gc)
        global.gc();
    return (process.memoryUsage().heapUsed / 1048576).toFixed(1);
}

function timed(label, step) {
    const start = process.hrtime.bigint();
    const result = step();
    const ms = Number(process.hrtime.bigint() - start) / 1e6;
    console.log(label.padEnd(28) + ms.toFixed(1).padStart(9) + ' ms   heap ' + heapMb() + ' MB');
    return result;
}

console.log('record: ' + moves + ' moves, ' + (record.length / 1048576).toFixed(2) + ' MB');
const root = timed('parse', () => parseSgf(record));
const replay = new Replay(new Game(root));
timed('step to the end', () => {
    replay.end();
    return replay.shown();
});
timed('jump to the middle', () => {
    replay.goToMove(moves / 2);
    return replay.shown();
});
timed('forward 10 moves', () => {
    replay.forward(10);
    return replay.shown();
});
