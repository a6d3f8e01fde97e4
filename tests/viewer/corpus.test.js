// Every real record of the shared corpus as a page hands it to the viewer:
// converted by tervanil-cli (which joins lines and may break one inside a
// value), taken out of the page's "moves" parameter as a browser decodes it,
// then parsed and replayed node by node. Skipped without the converter or the
// corpus.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { parseSgf, Game, Replay } = require('../../viewer/tervanil-viewer.js');

const cli = process.env.TERVANIL_CLI_PATH;
const corpus = process.env.TERVANIL_CORPUS_DIR;

// The parameter's value as the DOM gives it: line breaks as LF, the four
// references of the page writer resolved, bytes decoded in the page's charset.
function recordOfPage(page) {
    const text = page.toString('latin1');
    const charset = /<META charset="([^"]+)">/i.exec(text);
    const opening = '<PARAM NAME="moves" VALUE="';
    const start = text.indexOf(opening) + opening.length;
    const end = text.indexOf('">\r\n', start);
    assert.ok(start >= opening.length && end > start, 'no moves parameter');
    const bytes = page.subarray(start, end);
    const decoded = new TextDecoder(charset ? charset[1] : 'windows-1252').decode(bytes);
    return decoded.replace(/\r\n?/g, '\n').replace(/&(amp|lt|gt|quot);/g,
        (all, name) => ({ amp: '&', lt: '<', gt: '>', quot: '"' })[name]);
}

test('every corpus record replays from its page without a fault', (t) => {
    if (!cli || !fs.existsSync(cli) || !corpus || !fs.existsSync(corpus)) {
        t.skip('needs TERVANIL_CLI_PATH and TERVANIL_CORPUS_DIR');
        return;
    }
    let records = 0;
    for (const group of fs.readdirSync(corpus)) {
        const source = path.join(corpus, group);
        if (!fs.statSync(source).isDirectory())
            continue;
        const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tervanil-corpus-'));
        try {
            for (const name of fs.readdirSync(source))
                if (name.endsWith('.sgf'))
                    fs.copyFileSync(path.join(source, name), path.join(work, name));
            const run = spawnSync(cli, ['--quiet', '--codepage', 'single-byte'], { cwd: work, encoding: 'utf8' });
            assert.equal(run.status, 0, run.stderr);
            const pages = path.join(work, 'TervanilOB');
            for (const name of fs.readdirSync(pages)) {
                if (!name.endsWith('.htm'))
                    continue;
                const record = recordOfPage(fs.readFileSync(path.join(pages, name)));
                const game = new Game(parseSgf(record));
                const open = [game.root];
                while (open.length) {
                    const node = open.pop();
                    assert.ok(game.position(node).moveNumber >= 0);
                    open.push(...node.children);
                }
                const replay = new Replay(game);
                replay.end();
                assert.equal(replay.node.children.length, 0, group + '/' + name);
                records++;
            }
        } finally {
            fs.rmSync(work, { recursive: true, force: true });
        }
    }
    assert.ok(records > 0, 'no record was converted');
});
