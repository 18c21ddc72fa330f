#!/usr/bin/env node
// Opens the captured picture page in headless Chromium (DevTools protocol over a pipe, no
// packages needed) and fails on a broken image, a script error, a dialog, injected markup or a
// link that does not name its file. Writes a screenshot.
//   node page-check.js PAGE.htm SCREENSHOT.png [engine]
// Beside the page, expected.json holds {"subject": ..., "pictures": n, "documents": n} and may
// hold "shown": n, the thumbnails shown from copies. With "engine" the page is seen as the embedded
// browser shows it: pictures as stored (no turn by their EXIF tag), and no TIFF or PCX.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');

const [page, screenshot, mode] = process.argv.slice(2);
const engine = mode === 'engine';
const { subject, pictures, documents, shown } = JSON.parse(fs.readFileSync(path.join(path.dirname(page), 'expected.json'), 'utf8'));
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'varo-page-'));
const chromium = spawn('/usr/bin/chromium', [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--user-data-dir=' + profile, '--remote-debugging-pipe', 'about:blank',
], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });

const problems = [];
const pending = new Map();
const listeners = [];
let nextId = 1;
let buffer = Buffer.alloc(0);
chromium.stdio[4].on('data', (chunk) => {
    buffer = Buffer.concat([buffer, chunk]);
    let end;
    while ((end = buffer.indexOf(0)) >= 0) {
        const message = JSON.parse(buffer.subarray(0, end).toString('utf8'));
        buffer = buffer.subarray(end + 1);
        if (message.id && pending.has(message.id)) {
            const { resolve, reject } = pending.get(message.id);
            pending.delete(message.id);
            message.error ? reject(new Error(JSON.stringify(message.error))) : resolve(message.result);
        } else {
            for (const l of listeners) l(message);
        }
    }
});
function send(method, params = {}, sessionId) {
    const id = nextId++;
    chromium.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
}
function waitFor(method, timeoutMs) {
    return new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error('timed out waiting for ' + method)), timeoutMs);
        listeners.push((m) => { if (m.method === method) { clearTimeout(timer); resolve(m.params); } });
    });
}
listeners.push((m) => {
    if (m.method === 'Runtime.exceptionThrown') problems.push('script error: ' + JSON.stringify(m.params.exceptionDetails.text));
    if (m.method === 'Page.javascriptDialogOpening') {
        problems.push('dialog opened: ' + m.params.message);
        send('Page.handleJavaScriptDialog', { accept: false }, m.sessionId).catch(() => {});
    }
    if (m.method === 'Log.entryAdded' && m.params.entry.level === 'error') problems.push('log: ' + m.params.entry.text + ' ' + (m.params.entry.url || ''));
    if (m.method === 'Runtime.consoleAPICalled' && m.params.type === 'error') problems.push('console error');
});

// Runs inside the page: everything a reader relies on.
function inspect(expectedSubject, expectedPictures, expectedDocuments, expectedShown, engine) {
    const found = [];
    const allowed = new Set(['DIV', 'A', 'SPAN', 'IMG', 'H1', 'P', 'UL', 'LI']);
    for (const el of document.body.querySelectorAll('*')) {
        if (!allowed.has(el.tagName)) found.push('unexpected element ' + el.tagName);
        for (const a of el.attributes) if (/^on/i.test(a.name)) found.push('event attribute ' + a.name);
    }
    if (document.scripts.length) found.push(document.scripts.length + ' scripts');
    const h1 = document.querySelector('h1');
    if (!h1 || h1.textContent !== expectedSubject) found.push('heading is ' + (h1 && h1.textContent));
    if (document.title !== expectedSubject) found.push('title is ' + document.title);
    for (const img of document.images)
        if (!img.complete || img.naturalWidth === 0) found.push('broken image ' + img.src);
    const leaf = (url) => decodeURIComponent(new URL(url).pathname.split('/').pop());
    const thumbs = document.querySelectorAll('.thumb > a:not(.original)');
    if (thumbs.length !== expectedPictures) found.push(thumbs.length + ' thumbnails');
    let fromCopies = 0;
    for (const a of thumbs) {
        const caption = a.querySelector('.caption').textContent;
        const img = a.querySelector('img');
        // A picture shown from its copy names the original in its caption and links it beside.
        const original = a.parentNode.querySelector('a.original');
        if (original) {
            ++fromCopies;
            if (leaf(original.href) !== caption) found.push('original ' + original.href + ' does not name ' + caption);
            if (!/\/VaroShow\/[^/]+$/.test(new URL(a.href).pathname)) found.push('copy ' + a.href + ' is not in the copies folder');
            if (img.alt !== caption) found.push('alt ' + img.alt + ' is not ' + caption);
        } else if (leaf(a.href) !== caption) found.push('link ' + a.href + ' does not name ' + caption);
        // Files of the picture types that engine has no decoder for (by name: it is told by the link).
        if (engine && /\.(tiff?|pcx)$/i.test(new URL(img.src).pathname))
            found.push('the embedded browser cannot show ' + img.src);
        if (img.src !== a.href) found.push('thumbnail ' + img.src + ' is not its link');
        const box = img.getBoundingClientRect();
        if (box.width > 180.5 || box.height > 150.5) found.push('thumbnail not scaled ' + box.width + 'x' + box.height);
        const aspect = img.naturalWidth / img.naturalHeight;
        if (Math.abs(box.width / box.height - aspect) > 0.05 * aspect) found.push('thumbnail aspect changed ' + img.src);
    }
    if (expectedShown !== undefined && fromCopies !== expectedShown) found.push(fromCopies + ' thumbnails from copies');
    const files = document.querySelectorAll('ul.files a');
    if (files.length !== expectedDocuments) found.push(files.length + ' documents');
    for (const a of files) {
        const name = a.querySelector('.name').textContent;
        if (leaf(a.href) !== name) found.push('link ' + a.href + ' does not name ' + name);
    }
    if (document.characterSet !== 'UTF-8') found.push('character set ' + document.characterSet);
    return found;
}

(async () => {
    const timer = setTimeout(() => { console.error('page check timed out'); process.exit(2); }, 60000);
    const { targetInfos } = await send('Target.getTargets');
    const target = targetInfos.find((t) => t.type === 'page');
    const { sessionId } = await send('Target.attachToTarget', { targetId: target.targetId, flatten: true });
    for (const domain of ['Page', 'Runtime', 'Log']) await send(domain + '.enable', {}, sessionId);
    await send('Emulation.setDeviceMetricsOverride', { width: 1000, height: 760, deviceScaleFactor: 1, mobile: false }, sessionId);
    const loaded = waitFor('Page.loadEventFired', 30000);
    await send('Page.navigate', { url: pathToFileURL(path.resolve(page)).href }, sessionId);
    await loaded;
    if (engine) {
        // The embedded engine ignores the orientation tag: show every picture as stored.
        const style = "const s = document.createElement('style'); s.textContent = 'img { image-orientation: none }';" +
            'document.head.appendChild(s); new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)))';
        await send('Runtime.evaluate', { expression: style, awaitPromise: true }, sessionId);
    }
    const expression = '(' + inspect.toString() + ')(' + JSON.stringify(subject) + ',' + Number(pictures) + ',' + Number(documents) +
        ',' + (shown === undefined ? 'undefined' : Number(shown)) + ',' + engine + ')';
    const { result } = await send('Runtime.evaluate', { expression, returnByValue: true }, sessionId);
    problems.push(...result.value);
    let shot;
    try {
        shot = await send('Page.captureScreenshot', { format: 'png', captureBeyondViewport: true }, sessionId);
    } catch (e) {
        // A page too tall for one picture (thousands of attachments): its first screen will do.
        shot = await send('Page.captureScreenshot', { format: 'png' }, sessionId);
    }
    fs.writeFileSync(screenshot, Buffer.from(shot.data, 'base64'));
    clearTimeout(timer);
    const exited = new Promise((resolve) => { chromium.on('exit', resolve); setTimeout(resolve, 5000); });
    send('Browser.close').catch(() => {});
    await exited;
    chromium.kill();
    try { fs.rmSync(profile, { recursive: true, force: true }); } catch (e) { /* a late write; the folder is temporary */ }
    if (problems.length) {
        console.error(problems.join('\n'));
        console.log('0 passed, 1 failed');
        process.exit(1);
    }
    console.log('page check: ' + pictures + ' thumbnails loaded, no script, no injected markup; screenshot ' + screenshot);
})().catch((e) => {
    console.error(e.stack || String(e));
    chromium.kill();
    process.exit(1);
});
