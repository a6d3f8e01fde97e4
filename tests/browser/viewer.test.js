// The in-page viewer in headless Chromium, on pages opened from file://: keys,
// buttons and clicks, deep links, variations, trial moves, problem mode, the
// root settings, a Shift-JIS page, and records that are hostile or malformed.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { makePage, launchBrowser, openPage, readBoard, clickPoint, statusText } = require('./harness.js');

const fixtures = path.resolve(__dirname, '..', 'fixtures', 'viewer');
const TWELVE = '(;GM[1]FF[4]SZ[9]GN[Twelve]PB[Aoki]PW[Sato]RE[W+3.5]\n' +
    ';B[ee];W[gc];B[cg];W[cc];B[gg];W[eg];B[ge];W[ec];B[dd];W[fd]\n;B[ff];W[dg])';

let browser;
test.before(async () => {
    browser = await launchBrowser();
});
test.after(async () => {
    await browser.close();
});

// Opens a page for RECORD, runs BODY with it, and checks that nothing reached
// the console on the way.
async function withPage(record, body, { hash = '', viewport, fallback } = {}) {
    const made = makePage(record, { fallback });
    const opened = await openPage(browser, made.url + hash, viewport);
    try {
        await body(opened.page, made);
        assert.deepEqual(opened.problems, []);
    } finally {
        await opened.close();
        fs.rmSync(made.folder, { recursive: true, force: true });
    }
}

function moveOf(status) {
    return Number(/^Move (\d+)/.exec(status)[1]);
}

test('keys and buttons move through the game, and the address follows', async () => {
    await withPage(TWELVE, async (page) => {
        assert.equal(await page.locator('.tervanil-fallback').count(), 0, 'the diagram is replaced');
        assert.equal(await page.locator('.tervanil-viewer .tervanil-source a').getAttribute('href'),
                     '../game.sgf');
        assert.equal(moveOf(await statusText(page)), 0);
        const steps = [
            ['ArrowRight', 1], ['ArrowRight', 2], ['PageDown', 12], ['PageUp', 2], ['ArrowLeft', 1],
            ['End', 12], ['Home', 0], ['ArrowLeft', 0], ['PageDown', 10], ['ArrowRight', 11],
        ];
        for (const [key, move] of steps) {
            await page.keyboard.press(key);
            assert.equal(moveOf(await statusText(page)), move, key);
            assert.equal(Object.keys((await readBoard(page)).stones).length, move, key);
        }
        assert.ok(page.url().endsWith('#11'), page.url());
        const buttons = [
            ['First move (Home)', 0], ['Next move (Right)', 1], ['Ten moves on (Page Down)', 11],
            ['Previous move (Left)', 10], ['Ten moves back (Page Up)', 0], ['Last move (End)', 12],
        ];
        for (const [name, move] of buttons) {
            await page.getByRole('button', { name, exact: true }).click();
            assert.equal(moveOf(await statusText(page)), move, name);
        }
        assert.ok(page.url().endsWith('#12'), page.url());
        const board = await readBoard(page);
        assert.equal(board.stones['4,4'], 'b');
        assert.equal(board.stones['3,6'], 'w');
        assert.deepEqual(board.numbers.map(Number).sort((a, b) => a - b),
                         [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]);
        const card = await page.textContent('.tervanil-viewer .tv-card');
        for (const part of ['Twelve', 'Aoki', 'Sato', 'W+3.5', '12'])
            assert.ok(card.includes(part), card);
    });
});

test('a deep link opens at its move; editing the address moves the board', async () => {
    await withPage(TWELVE, async (page) => {
        assert.equal(moveOf(await statusText(page)), 7);
        assert.equal(Object.keys((await readBoard(page)).stones).length, 7);
        await page.keyboard.press('ArrowRight');
        assert.ok(page.url().endsWith('#8'), page.url());
        await page.evaluate(() => {
            location.hash = '#3';
        });
        await page.waitForFunction(() =>
            document.querySelector('.tervanil-viewer .tv-status').textContent.startsWith('Move 3:'));
        await page.evaluate(() => {
            location.hash = '#99';
        });
        await page.waitForFunction(() =>
            document.querySelector('.tervanil-viewer .tv-status').textContent.startsWith('Move 12:'));
    }, { hash: '#7' });
});

test('variations are offered where the record branches and can be switched', async () => {
    const record = '(;SZ[9];B[ee]C[Two answers.](;W[gc]C[Main.];B[cg])(;W[cg]C[Side.];B[gc];W[gg]))';
    await withPage(record, async (page) => {
        await page.keyboard.press('ArrowRight');
        assert.equal(await page.textContent('.tv-comment'), 'Two answers.');
        const choices = page.locator('.tv-variations button');
        assert.deepEqual(await choices.allTextContents(), ['A G7', 'B C3']);
        assert.equal(await page.locator('.tv-variation-letter').count(), 2);
        await choices.nth(1).click();
        assert.equal(await statusText(page), 'Move 2: White C3. Black to play.');
        assert.equal(await page.textContent('.tv-comment'), 'Side.');
        await page.keyboard.press('End');
        assert.equal(moveOf(await statusText(page)), 4);
        await page.keyboard.press('Home');
        await page.keyboard.press('End');
        assert.equal(moveOf(await statusText(page)), 4, 'the chosen line is kept');
        await page.keyboard.press('PageUp');
        await page.keyboard.press('ArrowRight');
        await page.locator('.tv-variations button').nth(0).click();
        assert.equal(await page.textContent('.tv-comment'), 'Main.');
        await page.keyboard.press('End');
        assert.equal(moveOf(await statusText(page)), 3);
    });
});

test('alternating trial moves follow the rules and are cleared by navigation', async () => {
    await withPage('(;SZ[9]CL[2];B[ee];W[gc])', async (page) => {
        await page.keyboard.press('End');
        await clickPoint(page, 2, 2);
        await clickPoint(page, 6, 6);
        let board = await readBoard(page);
        assert.equal(board.stones['2,2'], 'b');
        assert.equal(board.stones['6,6'], 'w');
        assert.match(await statusText(page), /\+ 2 trial/);
        await clickPoint(page, 4, 4);
        assert.equal(await page.textContent('.tv-message'), 'That point is taken.');
        await page.keyboard.press('ArrowLeft');
        board = await readBoard(page);
        assert.deepEqual(board.stones, { '4,4': 'b' });
    });
    await withPage('(;SZ[9]CL[1];B[ee])', async (page) => {
        await clickPoint(page, 0, 0);
        await clickPoint(page, 1, 0, ['Shift']);
        await page.getByRole('button', { name: 'Colour of the next trial stone' }).click();
        await clickPoint(page, 2, 0);
        const board = await readBoard(page);
        assert.deepEqual([board.stones['0,0'], board.stones['1,0'], board.stones['2,0']], ['b', 'b', 'b']);
    });
});

test('problem mode: the right move goes on with its answer, a wrong one is marked', async () => {
    const record = '(;SZ[9]QS[1]CL[1]AB[cc][dc]AW[cd][dd]C[Black to live.]' +
        '(;B[ec];W[ed];B[fc]C[Right.])(;B[bc];W[ec]C[Wrong.]))';
    await withPage(record, async (page) => {
        assert.equal(await page.textContent('.tv-comment'), 'Black to live.');
        await clickPoint(page, 8, 8);
        assert.match(await page.textContent('.tv-message'), /^Wrong/);
        assert.equal(await page.locator('.tv-wrong-mark').count(), 1);
        assert.equal(moveOf(await statusText(page)), 0);
        await clickPoint(page, 4, 2);
        assert.equal(moveOf(await statusText(page)), 2);
        assert.equal(await page.locator('.tv-wrong-mark').count(), 0);
        assert.equal((await readBoard(page)).stones['4,3'], 'w');
        await clickPoint(page, 5, 2);
        assert.equal(await page.textContent('.tv-comment'), 'Right.');
    });
});

test('the root settings: final position, hidden numbers, first moves and the startup message',
     async () => {
    const withRoot = (props) => TWELVE.replace('GM[1]', props);
    await withPage(withRoot('GO[3]'), async (page) => {
        assert.equal(moveOf(await statusText(page)), 12);
        assert.deepEqual((await readBoard(page)).numbers, []);
        assert.equal(await page.locator('.tv-last').count(), 1);
    });
    await withPage(withRoot('GO[1]'), async (page) => {
        assert.equal(moveOf(await statusText(page)), 12);
        assert.equal((await readBoard(page)).numbers.length, 12);
    });
    await withPage(withRoot('AS[4,1]C[Black to play]'), async (page) => {
        assert.equal(moveOf(await statusText(page)), 4);
        let board = await readBoard(page);
        assert.equal(Object.keys(board.stones).length, 4);
        assert.deepEqual(board.numbers, []);
        assert.equal(await page.textContent('.tv-comment'), 'Black to play');
        await page.keyboard.press('ArrowRight');
        board = await readBoard(page);
        assert.deepEqual(board.numbers, ['1']);
        assert.equal(await page.textContent('.tv-comment'), '');
        await page.keyboard.press('Home');
        assert.equal(moveOf(await statusText(page)), 4);
    });
    await withPage('(;SZ[9]NE[W]CL[2]AB[ee])', async (page) => {
        assert.match(await statusText(page), /White to play/);
        await clickPoint(page, 0, 0);
        assert.equal((await readBoard(page)).stones['0,0'], 'w');
    });
});

test('the coordinates toggle, and controls under the board on a narrow screen', async () => {
    await withPage(TWELVE, async (page) => {
        const board = await page.locator('.tervanil-viewer svg').boundingBox();
        const controls = await page.locator('.tervanil-viewer .tv-controls').boundingBox();
        assert.ok(controls.x >= board.x + board.width, 'beside the board when wide');
        assert.ok(await page.locator('.tv-coord').count() > 0);
        await page.getByRole('button', { name: 'Show or hide coordinates' }).click();
        assert.equal(await page.locator('.tv-coord').count(), 0);
    });
    await withPage(TWELVE, async (page) => {
        const board = await page.locator('.tervanil-viewer svg').boundingBox();
        const controls = await page.locator('.tervanil-viewer .tv-controls').boundingBox();
        assert.ok(controls.y >= board.y + board.height, 'under the board when narrow');
        assert.ok(board.width <= 380, String(board.width));
    }, { viewport: { width: 380, height: 700 } });
});

test('a Shift-JIS page shows its Japanese comments and card as Unicode text', async () => {
    const record = fs.readFileSync(path.join(fixtures, 'shift-jis-comments.sgf'));
    await withPage(record, async (page) => {
        assert.equal(await page.textContent('.tv-comment'), '\u9ed2\u756a\uff1a\u751f\u304d\u3066\u304f\u3060\u3055\u3044\u3002');
        const card = await page.textContent('.tv-card');
        assert.ok(card.includes('\u9ed2\u7530'), card);
        assert.ok(card.includes('\u8a70\u7881 \u8868\u793a'), card);
        await page.keyboard.press('ArrowRight');
        // The second byte of these characters is a backslash in Shift-JIS.
        assert.equal(await page.textContent('.tv-comment'), '\u6b63\u89e3 ] \u8868\u793a\u306f\u30bd');
        await page.keyboard.press('ArrowRight');
        assert.equal(moveOf(await statusText(page)), 2);
    });
});

// The record of the page check: markup that tries to leave the attribute and
// the applet, to run scripts and to add elements.
const HOSTILE =
    '(;GM[1]FF[4]SZ[9]PB[<b id="pb">Black</b>]C["><script>alert(1)</script> and &amp; and ' +
    '"></PARAM></APPLET><script>document.title=\'ran\'</script><b id="x">]\r\n' +
    ';B[ee]C[<img src=x onerror="document.title=\'ran\'">];W[gc]LB[cc:<b>])\r\n';

async function assertNothingFromRecord(page, scripts = ['tervanil-viewer.js']) {
    assert.equal(await page.title(), 'game.sgf');
    const found = await page.$$eval('script', (all) => all.map((s) => s.getAttribute('src')));
    assert.deepEqual(found, scripts);
    assert.equal(await page.locator('img').count(), 0);
    assert.equal(await page.locator('b').count(), 0);
    assert.equal(await page.locator('#x, #pb').count(), 0);
}

test('a hostile record: its text stays text with either viewer\'s settings, and when broken',
     async () => {
    const startup = 'C[<script>document.title="ran"</script><img src=x>]';
    const variants = [
        ['Orbanel settings', HOSTILE],
        ['Quillamy settings, problem mode', HOSTILE.replace('GM[1]', 'GO[3]CL[1]QS[1]NE[W]AS[1,5]' + startup + 'GM[1]')],
        ['Quillamy settings, trial moves', HOSTILE.replace('GM[1]', 'GO[2]CL[2]' + startup + 'GM[1]')],
    ];
    for (const [name, record] of variants) {
        await withPage(record, async (page) => {
            assert.equal(await page.locator('.tervanil-viewer').count(), 1, name);
            for (const key of ['Home', 'End', 'ArrowLeft', 'ArrowRight', 'PageUp', 'PageDown'])
                await page.keyboard.press(key);
            assert.equal(await page.textContent('.tv-label'), '<b>', name);
            assert.ok((await page.textContent('.tv-card')).includes('<b id="pb">Black</b>'), name);
            await page.keyboard.press('Home');
            assert.match(await page.textContent('.tv-comment'), /<(script|img)[ >]/, name);
            await clickPoint(page, 0, 0);
            await clickPoint(page, 4, 4);
            await assertNothingFromRecord(page);
        });
    }
    // The page without the viewer: the diagram and the card show the record's
    // text as text, and nothing runs.
    await withPage(HOSTILE, async (page) => {
        assert.equal(await page.locator('svg.tervanil-diagram').count(), 1);
        assert.ok((await page.textContent('.tervanil-card')).includes('<b id="pb">Black</b>'));
        await assertNothingFromRecord(page, []);
    }, { fallback: 'diagram' });
    const broken = HOSTILE.replace(';W[gc]LB[cc:<b>])', ';W[gc]C[<b>never closed');
    await withPage(broken, async (page) => {
        assert.equal(await page.locator('.tervanil-viewer').count(), 0);
        assert.equal(await page.locator('.tervanil-viewer-notice').count(), 1);
        await assertNothingFromRecord(page);
    });
});

test('a malformed record keeps the diagram and says why, with nothing on the console', async () => {
    const cases = [
        ['(;SZ[9];B[ee]C[unclosed', 'a property value is not closed'],
        ['(;SZ[9];B[ee];W[gc]', 'the record ends before its game tree is closed'],
        ['(;SZ[99];B[ee])', 'the board size is not one this viewer can draw'],
        ['no record here', 'no game record found'],
    ];
    for (const [record, reason] of cases) {
        await withPage(record, async (page) => {
            assert.equal(await page.locator('.tervanil-fallback').count(), 1, record);
            assert.equal(await page.textContent('.tervanil-fallback .tervanil-viewer-notice'),
                         'The replay is not available: ' + reason + '.');
            assert.equal(await page.locator('.tervanil-viewer').count(), 0);
        });
    }
});
