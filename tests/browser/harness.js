// What the browser tests share: pages with the viewer in a temporary folder,
// one headless Chromium, and reading and clicking the board the viewer draws.
'use strict';

const fs = require('node:fs');
const { spawnSync } = require('node:child_process');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');

const browserPath = process.env.TERVANIL_BROWSER || '/usr/bin/chromium';

// The converter the tests run, built beside them.
function cliPath() {
    const cli = process.env.TERVANIL_CLI_PATH;
    if (!cli || !fs.existsSync(cli))
        throw new Error('TERVANIL_CLI_PATH names no tervanil-cli: ' + cli);
    return cli;
}

// Writes RECORD (a string or bytes) as NAME.sgf into a new temporary folder and
// has tervanil-cli write its page below, with the viewer script beside it (the
// default options keep the record's own root settings; `fallback` 'diagram'
// writes the page without the viewer); returns the page's file URL, the folder
// and the page file.
function makePage(record, options = {}) {
    const cli = cliPath();
    const name = options.name || 'game';
    const bytes = Buffer.isBuffer(record) ? record : Buffer.from(record, 'utf8');
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tervanil-viewer-'));
    fs.writeFileSync(path.join(folder, name + '.sgf'), bytes);
    const fallback = options.fallback || 'viewer';
    const run = spawnSync(cli, ['--quiet', '--fallback', fallback, ...(options.cliArgs || [])],
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
module.exports = { makePage, launchBrowser, openPage, readBoard, clickPoint, statusText };
