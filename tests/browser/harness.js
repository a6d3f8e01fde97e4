// What the browser tests share: pages with the viewer in a temporary folder,
// one headless Chromium, and reading and clicking the board the viewer draws.
'use strict';

const fs = require('node:fs');
const { spawnSync } = require('node:child_process');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');

const projectDir = path.resolve(__dirname, '..', '..');
const viewerScript = path.join(projectDir, 'viewer', 'tervanil-viewer.js');
const browserPath = process.env.TERVANIL_BROWSER || '/usr/bin/chromium';

function escapeHtml(bytes) {
    const references = { 0x26: '&amp;', 0x3c: '&lt;', 0x3e: '&gt;', 0x22: '&quot;' };
    const parts = [];
    let from = 0;
    for (let i = 0; i < bytes.length; i++) {
        const reference = references[bytes[i]];
        if (!reference)
            continue;
        parts.push(bytes.subarray(from, i), Buffer.from(reference, 'latin1'));
        from = i + 1;
    }
    parts.push(bytes.subarray(from));
    return Buffer.concat(parts);
}

function withCrLf(bytes) {
    return Buffer.from(bytes.toString('latin1').replace(/\r\n|\r|\n/g, '\r\n'), 'latin1');
}

// The page's charset as the page writer chooses it: the one the record names,
// else UTF-8 where its bytes are valid UTF-8.
function charsetOf(bytes) {
    const named = /CA\[([^\]]*)\]/.exec(bytes.toString('latin1'));
    if (named && /^\s*(shift_jis|shift-jis|sjis|cp932)\s*$/i.test(named[1]))
        return 'Shift_JIS';
    try {
        new TextDecoder('utf-8', { fatal: true }).decode(bytes);
        return 'UTF-8';
    } catch (e) {
        return null;
    }
}

// A page written here line for line in the layout of the run's fallback pages,
// the record embedded as given: its root settings are the test's own.
function writePage(record, options) {
    const name = options.name || 'game';
    const bytes = Buffer.isBuffer(record) ? record : Buffer.from(record, 'utf8');
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tervanil-viewer-'));
    const pages = path.join(folder, 'TervanilQM');
    fs.mkdirSync(pages);
    fs.writeFileSync(path.join(folder, name + '.sgf'), bytes);
    fs.copyFileSync(viewerScript, path.join(pages, 'tervanil-viewer.js'));

    const charset = charsetOf(bytes);
    const line = (text) => Buffer.from(text + '\r\n', 'latin1');
    const page = [
        line('<HTML>'),
        line('<HEAD>'),
        charset ? line('<META charset="' + charset + '">') : Buffer.alloc(0),
        line('<META name="viewport" content="width=device-width, initial-scale=1">'),
        line('<TITLE>' + name + '.sgf</TITLE>'),
        line('</HEAD>'),
        line('<BODY BGCOLOR="#f8e0e0">'),
        line('<APPLET CODEBASE="Dunmeris" CODE="Quillamy.Quillamy.class"WIDTH=399 HEIGHT=492>'),
        line('<PARAM NAME="moves" VALUE="'),
        escapeHtml(withCrLf(bytes)),
        line(''),
        line('">'),
        line('<DIV CLASS="tervanil-fallback">'),
        line('<P CLASS="tervanil-notice">The diagram of this record.</P>'),
        line('<P CLASS="tervanil-source"><A HREF="../' + encodeURIComponent(name) + '.sgf">' +
             name + '.sgf</A></P>'),
        line('</DIV>'),
        line('<SCRIPT SRC="tervanil-viewer.js"></SCRIPT>'),
        line('</APPLET>'),
        line('</BODY>'),
        line('</HTML>'),
    ];
    const file = path.join(pages, name + '.htm');
    fs.writeFileSync(file, Buffer.concat(page));
    return { url: pathToFileURL(file).href, folder, file };
}

// Whether the command-line converter can write pages with the viewer.
let cliWritesViewer;
function cliPath() {
    if (cliWritesViewer === undefined) {
        const cli = process.env.TERVANIL_CLI_PATH;
        cliWritesViewer = false;
        if (cli && fs.existsSync(cli)) {
            const help = spawnSync(cli, ['--help'], { encoding: 'utf8' });
            cliWritesViewer = /--fallback/.test((help.stdout || '') + (help.stderr || ''));
        }
    }
    return cliWritesViewer ? process.env.TERVANIL_CLI_PATH : null;
}

// Writes RECORD (a string or bytes) as NAME.sgf into a new temporary folder and
// the page for it below, with the viewer script beside the page; returns the
// page's file URL, the folder and the page file. The converter writes the page
// (with its default options, which keep the record's own root settings) where
// it offers the viewer fallback; until then the page is written here.
function makePage(record, options = {}) {
    const cli = cliPath();
    if (!cli)
        return writePage(record, options);
    const name = options.name || 'game';
    const bytes = Buffer.isBuffer(record) ? record : Buffer.from(record, 'utf8');
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tervanil-viewer-'));
    fs.writeFileSync(path.join(folder, name + '.sgf'), bytes);
    const run = spawnSync(cli, ['--quiet', '--fallback', 'viewer', ...(options.cliArgs || [])],
                          { cwd: folder, encoding: 'utf8' });
    if (run.status !== 0)
        throw new Error('tervanil-cli failed (' + run.status + '): ' + run.stderr);
    const pages = ['TervanilOB', 'TervanilQM'].map((sub) => path.join(folder, sub))
        .find((sub) => fs.existsSync(sub));
    const file = path.join(pages, name + '.htm');
    return { url: pathToFileURL(file).href, folder, file };
}

async function launchBrowser() {
    return chromium.launch({
        executablePath: browserPath,
        headless: true,
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
}

// A fresh page that records every console error and uncaught exception.
async function openPage(browser, url, viewport = { width: 1000, height: 800 }) {
    const context = await browser.newContext({ viewport });
    const page = await context.newPage();
    const problems = [];
    page.on('console', (message) => {
        if (message.type() === 'error' || message.type() === 'warning')
            problems.push(message.type() + ': ' + message.text());
    });
    page.on('pageerror', (error) => problems.push('exception: ' + error.message));
    await page.goto(url);
    return { page, problems, close: () => context.close() };
}

// The board as the viewer draws it: { size, origin, cell, stones: {"x,y": "b"|"w"} }.
async function readBoard(page) {
    return page.evaluate(() => {
        const svg = document.querySelector('.tervanil-viewer svg');
        const lines = svg.querySelectorAll('.tv-grid line');
        const origin = +lines[0].getAttribute('x1');
        const cell = +lines[1].getAttribute('x1') - origin;
        const stones = {};
        for (const circle of svg.querySelectorAll('.tv-stone')) {
            const x = Math.round((+circle.getAttribute('cx') - origin) / cell);
            const y = Math.round((+circle.getAttribute('cy') - origin) / cell);
            stones[x + ',' + y] = circle.classList.contains('tv-black') ? 'b' : 'w';
        }
        const numbers = [...svg.querySelectorAll('.tv-number')].map((t) => t.textContent);
        return { origin, cell, stones, numbers };
    });
}

async function clickPoint(page, x, y, modifiers = []) {
    const at = await page.evaluate(([x, y]) => {
        const svg = document.querySelector('.tervanil-viewer svg');
        const lines = svg.querySelectorAll('.tv-grid line');
        const origin = +lines[0].getAttribute('x1');
        const cell = +lines[1].getAttribute('x1') - origin;
        const box = svg.viewBox.baseVal;
        const rect = svg.getBoundingClientRect();
        return {
            x: rect.left + (origin + x * cell) * rect.width / box.width,
            y: rect.top + (origin + y * cell) * rect.height / box.height,
        };
    }, [x, y]);
    for (const key of modifiers)
        await page.keyboard.down(key);
    await page.mouse.click(at.x, at.y);
    for (const key of modifiers)
        await page.keyboard.up(key);
}

async function statusText(page) {
    return page.textContent('.tervanil-viewer .tv-status');
}

// Who writes the test pages, for the test log.
function pageWriter() {
    return cliPath() ? 'tervanil-cli --fallback viewer' : 'the test harness (the converter has no viewer fallback yet)';
}

module.exports = { makePage, pageWriter, launchBrowser, openPage, readBoard, clickPoint, statusText };
