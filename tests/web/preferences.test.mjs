// The Preferences page in headless Chromium, served by the real Studio server
// (preferences_server: the tray host's routes over an in-memory registry).
//
//   node --test-reporter=spec tests/web/preferences.test.mjs [--server PATH] [--out DIR]
//
// --server defaults to build/native/tests/web/preferences_server, --out (screenshots) to build/web.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { existsSync, mkdirSync } from 'node:fs';
import { dirname, resolve } from 'node:path';
import { createServer } from 'node:http';
import { connect } from 'node:net';
import { createInterface } from 'node:readline';
import { after, before, describe, it } from 'node:test';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const option = (name, fallback) => {
  const at = process.argv.indexOf(name);
  return at > 0 && process.argv[at + 1] ? resolve(process.argv[at + 1]) : fallback;
};
const SERVER = option('--server', resolve(root, 'build/native/tests/web/preferences_server'));
const OUT = option('--out', resolve(root, 'build/web'));
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';

const WM_APP_ENABLED_CHANGED = 0x800c;
const WM_APP_CONFIG_CHANGED = 0x800d;
const WM_APP_OPEN_STUDIO = 0x800e;
const SAVED = 'Saved & applied immediately';

const CHOICES = ['toggleShortcut', 'numeralsMode', 'maxCandidates', 'themeMode', 'uiScale'];
const SWITCHES = ['alsoCtrlSpace', 'periodPurnaBiram', 'numberKeyCommits', 'learnPromotedWords', 'devCorrectionLog',
  'showFloatingPill', 'showCandidatePopup', 'showModeToast', 'startEnabled'];
const CONTROLS = [...CHOICES, ...SWITCHES, 'autostart'];

// Every setting away from its default, the pill somewhere, and a count the list does not offer.
const STORED = {
  toggleShortcut: 'pause_key', alsoCtrlSpace: true, numeralsMode: 'ascii', maxCandidates: 4,
  periodPurnaBiram: false, numberKeyCommits: false, showCandidatePopup: false, showModeToast: true,
  showFloatingPill: false, learnPromotedWords: true, devCorrectionLog: true, startEnabled: true,
  themeMode: 'dark', uiScale: 'large', pillX: 120, pillY: -40,
};

// --- The server ----------------------------------------------------------------------------

class StudioServer {
  static start(args = []) {
    const server = new StudioServer();
    server.process = spawn(SERVER, args, { stdio: ['pipe', 'pipe', 'pipe'] });
    server.events = [];
    server.stderr = '';
    server.process.stderr.on('data', (chunk) => { server.stderr += chunk; });
    return new Promise((resolveStart, rejectStart) => {
      const timer = setTimeout(() => rejectStart(new Error(`preferences_server did not report its port in 10 s\n${server.stderr}`)), 10000);
      server.process.on('error', (error) => { clearTimeout(timer); rejectStart(error); });
      server.process.on('exit', (code) => {
        clearTimeout(timer);
        rejectStart(new Error(`preferences_server ${args.join(' ')} exited with ${code} before listening\n${server.stderr}`));
      });
      createInterface({ input: server.process.stdout }).on('line', (line) => {
        let event;
        try { event = JSON.parse(line); } catch { event = { event: 'unreadable', line }; }
        server.events.push(event);
        if (event.event === 'listening') {
          clearTimeout(timer);
          server.url = event.url;
          server.wordCount = event.wordCount;
          resolveStart(server);
        }
      });
    });
  }

  posts() { return this.events.filter((e) => e.event === 'request' && e.route === 'POST /api/config'); }
  messages(message) { return this.events.filter((e) => e.event === 'host-message' && e.message === message); }

  async waitFor(what, predicate, timeout = 5000) {
    const end = Date.now() + timeout;
    while (!predicate()) {
      if (Date.now() > end) assert.fail(`the server never saw ${what}; it saw:\n${this.events.map((e) => JSON.stringify(e)).join('\n')}`);
      await sleep(20);
    }
  }

  // A request as another client of the host would make it (no browser involved).
  async request(method, path, body) {
    const reply = await fetch(this.url + path.slice(1), { method, body, headers: { 'Content-Type': 'application/json' } });
    assert.equal(reply.status, 200, `${method} ${path} answered ${reply.status}`);
    return reply.json();
  }

  // Bytes no browser would send; gives the whole answer.
  raw(request) {
    const { hostname, port } = new URL(this.url);
    return new Promise((done, fail) => {
      let answer = '';
      const socket = connect(Number(port), hostname, () => socket.write(request));
      socket.setEncoding('utf8');
      socket.on('data', (chunk) => { answer += chunk; });
      socket.on('end', () => done(answer));
      socket.on('error', fail);
    });
  }

  stop() {
    if (this.process.exitCode !== null) return Promise.resolve();
    const exited = new Promise((done) => this.process.once('exit', done));
    this.process.stdin.end();
    return exited;
  }
}

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// --- The browser ---------------------------------------------------------------------------

let browser;

// A server and a page in the Preferences window's size, already showing the first status
// unless told to hold it back.
async function openSession({ args = [], colorScheme = 'light', hold = false } = {}) {
  const server = await StudioServer.start(args);
  const context = await browser.newContext({ locale: 'en-US', colorScheme, viewport: { width: 620, height: 780 } });
  // Every change of the footer text, with its time: a save's confirmation is how the test
  // knows that the page has rendered the reply.
  await context.addInitScript(() => {
    window.toastLog = [];
    document.addEventListener('DOMContentLoaded', () => {
      const toast = document.getElementById('savedToast');
      if (toast) new MutationObserver(() => window.toastLog.push([performance.now(), toast.textContent]))
        .observe(toast, { childList: true, characterData: true, subtree: true });
    });
  });
  const page = await context.newPage();
  const session = { server, context, page, errors: [], requests: [] };
  page.on('pageerror', (error) => session.errors.push(error.message));
  page.on('request', (r) => session.requests.push(`${r.method()} ${new URL(r.url()).pathname}`));
  if (hold) {
    // Keeps the first GET /api/config waiting until release() is called.
    let release;
    const released = new Promise((done) => { release = done; });
    session.release = release;
    await page.route('**/api/config', async (route) => {
      if (route.request().method() === 'GET') await released;
      await route.continue();
    });
  }
  await page.goto(server.url + 'preferences', { waitUntil: hold ? 'domcontentloaded' : 'load' });
  if (!hold) session.status = await waitForStatus(page);
  return session;
}

async function closeSession(session, { allowPageErrors = false } = {}) {
  await session.context.close();
  await session.server.stop();
  if (!allowPageErrors) assert.deepEqual(session.errors, [], 'the page threw');
}

// The page has rendered a status: gives the status it rendered, read back from the server's log.
async function waitForStatus(page) {
  await page.waitForFunction(() => document.getElementById('statusLine').textContent.startsWith('Shortcut: '));
  return page.evaluate(() => fetch('/api/config').then((r) => r.json()));
}

const text = (page, id) => page.locator('#' + id).textContent();

async function controlValues(page) {
  return page.evaluate(([choices, switches]) => {
    const values = {};
    for (const id of choices) values[id] = document.getElementById(id).value;
    for (const id of [...switches, 'autostart']) values[id] = document.getElementById(id).checked;
    return values;
  }, [CHOICES, SWITCHES]);
}

// What the controls must show for a status.
function expectedControls(status) {
  const values = {};
  for (const id of CHOICES) values[id] = String(status.config[id]);
  for (const id of SWITCHES) values[id] = status.config[id];
  values.autostart = status.autostart;
  return values;
}

// Does what the user does to a control, and gives the value the control then holds.
async function changeControl(page, id) {
  if (CHOICES.includes(id)) {
    const { values, current } = await page.evaluate((id) => {
      const list = document.getElementById(id);
      return { values: [...list.options].map((o) => o.value), current: list.value };
    }, id);
    const next = values[(values.indexOf(current) + 1) % values.length];
    await page.selectOption('#' + id, next);
    return id === 'maxCandidates' ? Number(next) : next;
  }
  const before = await page.isChecked('#' + id);
  await page.click(`label.switch:has(#${id})`);
  assert.equal(await page.isChecked('#' + id), !before, `clicking the ${id} switch did not flip it`);
  return !before;
}

// Runs an action that must make the page POST /api/config once; gives what was sent and answered.
async function saveBy(page, action) {
  const confirmations = () => page.evaluate((saved) => window.toastLog.filter(([, t]) => t === saved).length, SAVED);
  const before = await confirmations();
  const [response] = await Promise.all([
    page.waitForResponse((r) => r.url().endsWith('/api/config') && r.request().method() === 'POST', { timeout: 5000 }),
    action(),
  ]);
  const sent = response.request().postDataJSON();
  const reply = await response.json();
  await page.waitForFunction(([saved, count]) => window.toastLog.filter(([, t]) => t === saved).length > count,
    [SAVED, before], { timeout: 5000 });
  return { sent, reply };
}

// Lets the next `method` request for /api/config reach the server at once but holds its reply
// back from the page until release(): a slow reply, carrying the host's answer from when it was asked.
async function delayNextReply(page, method) {
  let release, answered;
  const released = new Promise((done) => { release = done; });
  const held = new Promise((done) => { answered = done; });
  let taken = false;
  await page.route('**/api/config', async (route) => {
    if (taken || route.request().method() !== method) return route.fallback();
    taken = true;
    const response = await route.fetch();
    answered();
    await released;
    await route.fulfill({ response });
  });
  // Lets the reply through and gives the page the time to render it, were it going to.
  const deliver = async () => {
    const arrived = page.waitForResponse((r) => r.url().endsWith('/api/config') && r.request().method() === method);
    release();
    await arrived;
    await sleep(300);
  };
  return { answered: held, release, deliver };
}

function assertUpdateShape(sent) {
  assert.deepEqual(Object.keys(sent).sort(), ['autostart', 'config', 'enabled'], 'an update carries exactly its three members');
  assert.equal(typeof sent.autostart, 'boolean');
  assert.deepEqual(Object.keys(sent.config).sort(), Object.keys(STORED).sort(), 'the update carries the whole settings record');
}

for (const [path, remedy] of [[SERVER, 'build the target preferences_server first'], [CHROMIUM, 'run scripts/setup']]) {
  if (!existsSync(path)) {
    console.error(`preferences.test.mjs: ${path} is missing; ${remedy}`);
    process.exit(1);
  }
}

before(async () => {
  browser = await chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
});

after(async () => { await browser?.close(); });

// --- The behaviours ------------------------------------------------------------------------

describe('before the first status arrives', () => {
  let session;
  before(async () => { session = await openSession({ args: ['--config', JSON.stringify(STORED), '--autostart'], hold: true }); });
  after(async () => { await closeSession(session); });

  it('shows the loading texts and the markup first choices', async () => {
    const { page } = session;
    assert.equal(await text(page, 'statusLine'), 'Loading...');
    assert.equal(await text(page, 'powerBtn'), 'Enabled');
    assert.ok(await page.locator('#powerBtn').evaluate((b) => b.classList.contains('accent')), 'the power button starts in the accent colours');
    assert.equal(await text(page, 'lexStats'), 'Local settings');
    assert.equal(await text(page, 'savedToast'), '');
    const shown = await controlValues(page);
    assert.deepEqual(shown, {
      toggleShortcut: 'ctrl_alt_space', numeralsMode: 'smart', maxCandidates: '3', themeMode: 'auto', uiScale: 'compact',
      ...Object.fromEntries([...SWITCHES, 'autostart'].map((id) => [id, false])),
    });
  });

  it('saves nothing when a control changes or the power button is clicked', async () => {
    const { page, server } = session;
    await page.selectOption('#numeralsMode', 'devanagari');
    await page.click('label.switch:has(#devCorrectionLog)');
    await page.click('#powerBtn');
    await sleep(400);
    assert.deepEqual(session.requests.filter((r) => r.startsWith('POST')), [], 'the page posted while loading');
    assert.equal(server.posts().length, 0);
    assert.equal(await text(page, 'savedToast'), '');
  });

  it('renders the stored settings once the status arrives', async () => {
    const { page } = session;
    session.release();
    const status = await waitForStatus(page);
    assert.deepEqual(await controlValues(page), expectedControls(status));
    assert.equal(session.server.posts().length, 0, 'rendering the status must not save');
  });
});

describe('the rendered status', () => {
  let session;
  before(async () => { session = await openSession({ args: ['--config', JSON.stringify(STORED), '--autostart'] }); });
  after(async () => { await closeSession(session); });

  it('is what the host stored', () => {
    const { status } = session;
    assert.deepEqual(status.config, STORED);
    assert.equal(status.autostart, true);
    assert.equal(status.enabled, true);
    assert.equal(status.wordCount, session.server.wordCount, 'the word count is the shipped lexicon');
  });

  it('shows the shortcut line, the power state and the word count with its separators', async () => {
    const { page, status } = session;
    assert.ok(status.wordCount >= 1000, `a word count of ${status.wordCount} shows no separator`);
    assert.equal(await text(page, 'statusLine'), 'Shortcut: Pause / Ctrl+Space');
    assert.equal(await text(page, 'powerBtn'), 'Nepali Active');
    assert.ok(await page.locator('#powerBtn').evaluate((b) => b.classList.contains('accent')));
    const grouped = String(status.wordCount).replace(/\B(?=(\d{3})+$)/g, ',');
    assert.equal(await text(page, 'lexStats'), `${grouped} words \u2022 Saved in HKCU`);
  });

  it('sets every control to its setting', async () => {
    assert.deepEqual(await controlValues(session.page), expectedControls(session.status));
  });

  it('shows every choice of every list whole in the 620-pixel window', async () => {
    const clipped = await session.page.evaluate(() => [...document.querySelectorAll('select')].filter((list) => {
      // Out of its row, a list is as wide as its longest choice asks.
      const free = document.body.appendChild(list.cloneNode(true));
      free.style.position = 'absolute';
      const wanted = free.getBoundingClientRect().width;
      free.remove();
      return list.getBoundingClientRect().width < wanted - 0.5;
    }).map((list) => list.id));
    assert.deepEqual(clipped, []);
  });

  it('shows the title and the logo', async () => {
    const { page } = session;
    assert.equal(await page.title(), 'Tarovik Preferences & Shortcuts');
    const logo = await page.locator('header img').evaluate((img) => ({
      natural: img.naturalWidth, width: img.width, height: img.height, alt: img.alt }));
    assert.deepEqual(logo, { natural: 256, width: 42, height: 42, alt: 'Tarovik' });
  });
});

describe('changing a control', () => {
  let session;
  before(async () => { session = await openSession({ args: ['--config', JSON.stringify(STORED), '--autostart'] }); });
  after(async () => { await closeSession(session); });

  it('posts the last status with that one setting changed, for each of the fifteen controls', async () => {
    const { page, server } = session;
    let last = session.status;
    for (const id of CONTROLS) {
      const postsBefore = server.posts().length;
      let value;
      const { sent, reply } = await saveBy(page, async () => { value = await changeControl(page, id); });
      assertUpdateShape(sent);
      assert.equal(sent.enabled, null, `${id}: a settings change leaves "enabled" to the host`);
      const config = { ...last.config };
      if (id !== 'autostart') config[id] = value;
      assert.deepEqual(sent.config, config, `${id}: the config sent is the last one received with ${id} changed`);
      assert.equal(sent.autostart, id === 'autostart' ? value : last.autostart, `${id}: autostart as the switch shows it`);

      await server.waitFor(`the POST for ${id}`, () => server.posts().length === postsBefore + 1);
      assert.deepEqual(JSON.parse(server.posts().at(-1).body), sent, `${id}: the server received what the page sent`);
      assert.equal(reply.enabled, last.enabled);
      if (id === 'autostart') assert.equal(reply.autostart, value);
      else assert.equal(reply.config[id], value, `${id}: the host stored the new value`);
      assert.deepEqual(await controlValues(page), expectedControls(reply), `${id}: the page shows the reply`);
      last = reply;
    }
    assert.equal(server.posts().length, CONTROLS.length, 'one request per change');
    assert.deepEqual([last.config.pillX, last.config.pillY], [STORED.pillX, STORED.pillY], 'the pill stays where it was');
    assert.equal(server.messages(WM_APP_CONFIG_CHANGED).length, CONTROLS.length);
    assert.equal(server.messages(WM_APP_ENABLED_CHANGED).length, 0, 'no settings change switches the input method');
  });

  it('updates the shortcut line from the reply', async () => {
    const { page } = session;
    await saveBy(page, () => page.selectOption('#toggleShortcut', 'alt_grave'));
    if (!(await page.isChecked('#alsoCtrlSpace'))) await saveBy(page, () => page.click('label.switch:has(#alsoCtrlSpace)'));
    assert.equal(await text(page, 'statusLine'), 'Shortcut: Alt+` / Ctrl+Space');
    await saveBy(page, () => page.click('label.switch:has(#alsoCtrlSpace)'));
    assert.equal(await text(page, 'statusLine'), 'Shortcut: Alt+`');
    await saveBy(page, () => page.selectOption('#toggleShortcut', 'ctrl_space'));
    await saveBy(page, () => page.click('label.switch:has(#alsoCtrlSpace)'));
    assert.equal(await text(page, 'statusLine'), 'Shortcut: Ctrl+Space');
  });
});

describe('the power button', () => {
  let session;
  before(async () => { session = await openSession({ args: ['--config', JSON.stringify(STORED), '--autostart'] }); });
  after(async () => { await closeSession(session); });

  it('switches the input method off and on again, sending the settings unchanged', async () => {
    const { page, server, status } = session;
    for (const enabled of [false, true]) {
      const { sent, reply } = await saveBy(page, () => page.click('#powerBtn'));
      assertUpdateShape(sent);
      assert.equal(sent.enabled, enabled);
      assert.equal(sent.autostart, status.autostart);
      assert.deepEqual(sent.config, status.config);
      assert.equal(reply.enabled, enabled);
      assert.equal(await text(page, 'powerBtn'), enabled ? 'Nepali Active' : 'Paused (EN)');
      assert.equal(await page.locator('#powerBtn').evaluate((b) => b.classList.contains('accent')), enabled,
        'the accent colours exactly when enabled');
      await server.waitFor('the enabled message', () => server.messages(WM_APP_ENABLED_CHANGED).length === (enabled ? 2 : 1));
      assert.equal(server.messages(WM_APP_ENABLED_CHANGED).at(-1).wparam, enabled ? 1 : 0);
    }
    assert.deepEqual((await server.request('GET', '/api/config')).config, STORED, 'the settings came through unchanged');
  });

  it('a settings change on a page opened before a hot-key toggle keeps the host off', async () => {
    const { page, server } = session;
    assert.equal(await text(page, 'powerBtn'), 'Nepali Active');
    await server.request('POST', '/api/config', JSON.stringify({ enabled: false }));
    const { sent, reply } = await saveBy(page, () => page.click('label.switch:has(#showModeToast)'));
    assert.equal(sent.enabled, null);
    assert.equal(reply.enabled, false, 'the change switched the input method back on');
    assert.equal(await text(page, 'powerBtn'), 'Paused (EN)');
  });
});

describe('coming back to a page left open', () => {
  it('reads the status again, so its next save keeps what changed elsewhere', async () => {
    const session = await openSession({ args: ['--config', JSON.stringify(STORED)] });
    try {
      const { page, server } = session;
      const comebacks = [
        ['focus', () => window.dispatchEvent(new Event('focus'))],
        ['visibility', () => document.dispatchEvent(new Event('visibilitychange'))],
      ];
      for (const [name, comeBack] of comebacks) {
        // The tray flips Ctrl+Space, the pill and start with Windows; the pill is dragged.
        const before = await server.request('GET', '/api/config');
        const config = { ...before.config, alsoCtrlSpace: !before.config.alsoCtrlSpace,
          showFloatingPill: !before.config.showFloatingPill, pillX: before.config.pillX + 10, pillY: 7 };
        const elsewhere = await server.request('POST', '/api/config', JSON.stringify({ autostart: !before.autostart, config }));
        await Promise.all([
          page.waitForResponse((r) => r.url().endsWith('/api/config') && r.request().method() === 'GET'),
          page.evaluate(comeBack),
        ]);
        await page.waitForFunction(() => !document.getElementById('powerBtn').disabled);
        assert.deepEqual(await controlValues(page), expectedControls(elsewhere), `${name}: the page shows the new status`);

        const { sent, reply } = await saveBy(page, () => page.click('label.switch:has(#showModeToast)'));
        assert.equal(sent.enabled, null, `${name}: a settings change leaves "enabled" to the host`);
        assert.equal(sent.autostart, elsewhere.autostart, `${name}: start with Windows was sent back stale`);
        assert.deepEqual(sent.config, { ...elsewhere.config, showModeToast: !elsewhere.config.showModeToast },
          `${name}: the save undid a change made elsewhere`);
        assert.equal(reply.config.pillX, config.pillX);
      }
    } finally {
      await closeSession(session);
    }
  });

  it('keeps its controls usable while the status is slow to come, and a control changed meanwhile keeps its value', async () => {
    const session = await openSession({ args: ['--config', JSON.stringify(STORED)] });
    try {
      const { page, server, status } = session;
      const elsewhere = await server.request('POST', '/api/config', JSON.stringify({ autostart: !status.autostart,
        config: { ...status.config, alsoCtrlSpace: !status.config.alsoCtrlSpace, showFloatingPill: !status.config.showFloatingPill } }));
      const reread = await delayNextReply(page, 'GET');
      await page.evaluate(() => window.dispatchEvent(new Event('focus')));
      await reread.answered;
      const save = await delayNextReply(page, 'POST');
      let clicked;
      const { sent, reply } = await saveBy(page, async () => {
        clicked = await changeControl(page, 'showModeToast');
        await save.answered;
        reread.release();
        await page.waitForFunction((want) => document.getElementById('alsoCtrlSpace').checked === want,
          elsewhere.config.alsoCtrlSpace, { timeout: 5000 });
        assert.deepEqual(await controlValues(page), { ...expectedControls(elsewhere), showModeToast: clicked },
          'the fresh status, but the switch the user flipped keeps the user\'s value');
        save.release();
      });
      assert.equal(sent.config.showModeToast, clicked, 'the save carried the click');
      assert.deepEqual(await controlValues(page), expectedControls(reply), 'the page shows the save\'s reply');
    } finally {
      await closeSession(session);
    }
  });
});

describe('replies that come back out of order', () => {
  let session;
  before(async () => { session = await openSession({ args: ['--config', JSON.stringify(STORED)] }); });
  after(async () => { await closeSession(session); });

  // The power button, which no reply leaves alone, shows which reply was rendered last.
  it('drop a status read again before a save and answered after it', async () => {
    const { page } = session;
    const reread = await delayNextReply(page, 'GET');
    await page.evaluate(() => window.dispatchEvent(new Event('focus')));
    await reread.answered;
    const { reply } = await saveBy(page, () => page.click('#powerBtn'));
    assert.equal(reply.enabled, false);
    await reread.deliver();
    assert.equal(await text(page, 'powerBtn'), 'Paused (EN)', 'the older status was rendered over the save');
    assert.deepEqual(await controlValues(page), expectedControls(reply));
  });

  it('of two quick saves, leave the later reply on the page', async () => {
    const { page } = session;
    const first = await delayNextReply(page, 'POST');
    const period = await changeControl(page, 'periodPurnaBiram');
    await first.answered;
    const { reply } = await saveBy(page, () => page.click('#powerBtn'));
    assert.deepEqual([reply.enabled, reply.config.periodPurnaBiram], [true, period]);
    await first.deliver();
    assert.equal(await text(page, 'powerBtn'), 'Nepali Active', 'the first save\'s reply was rendered over the second');
    assert.deepEqual(await controlValues(page), expectedControls(reply));
  });
});

describe('framing', () => {
  it('lets only the server itself frame the Preferences page', async () => {
    const session = await openSession();
    // Another local site, a real server on its own port, whose page frames the Preferences page.
    const parentPage = `<iframe src="${session.server.url}preferences" onload="document.body.dataset.loaded = 1"></iframe>`;
    const other = createServer((request, reply) => reply.writeHead(200, { 'Content-Type': 'text/html' }).end(parentPage));
    await new Promise((listening) => other.listen(0, '127.0.0.1', listening));
    try {
      const { page, server } = session;
      const statusReads = () => server.events.filter((e) => e.route === 'GET /api/config').length;
      const own = new URL(server.url).origin;
      await page.route(`${own}/framing-test`, (route) => route.fulfill({ contentType: 'text/html', body: parentPage }));
      const port = other.address().port;
      for (const [origin, framed] of [[own, true], [`http://127.0.0.1:${port}`, false], [`http://localhost:${port}`, false]]) {
        const reads = statusReads();
        await page.goto(`${origin}/framing-test`);
        await page.waitForFunction(() => document.body.dataset.loaded === '1');
        if (framed) await server.waitFor('the framed page reading the status', () => statusReads() === reads + 1);
        else await sleep(300);
        assert.equal(statusReads(), reads + (framed ? 1 : 0), `framed from ${origin}`);
      }
    } finally {
      other.close();
      await closeSession(session);
    }
  });
});

describe('a request naming two Origins', () => {
  it('is refused though one is the server\'s own, and the settings stay as they were', async () => {
    const server = await StudioServer.start(['--config', JSON.stringify(STORED)]);
    try {
      const { host, origin } = new URL(server.url);
      const body = JSON.stringify({ enabled: false, autostart: true, config: { ...STORED, themeMode: 'light' } });
      const answer = await server.raw(`POST /api/config HTTP/1.1\r\nHost: ${host}\r\nOrigin: http://evil.example\r\n` +
        `Origin: ${origin}\r\nContent-Type: application/json\r\nContent-Length: ${body.length}\r\n\r\n${body}`);
      assert.match(answer, /^HTTP\/1\.1 400 Bad Request\r\n/);
      assert.equal(server.posts().length, 0, 'the request reached the settings');
      const status = await server.request('GET', '/api/config');
      assert.deepEqual([status.enabled, status.autostart, status.config], [true, false, STORED]);
    } finally {
      await server.stop();
    }
  });
});

describe('the saved confirmation', () => {
  let session;
  before(async () => { session = await openSession({ args: ['--config', JSON.stringify(STORED)] }); });
  after(async () => { await closeSession(session); });

  const toastLog = () => session.page.evaluate(() => window.toastLog.splice(0));

  it('appears after a save and clears 1,800 ms later', async () => {
    const { page } = session;
    await saveBy(page, () => page.click('label.switch:has(#periodPurnaBiram)'));
    await page.waitForFunction(() => document.getElementById('savedToast').textContent === '', null, { timeout: 4000 });
    const log = await toastLog();
    assert.deepEqual(log.map(([, t]) => t), [SAVED, '']);
    const shown = log[1][0] - log[0][0];
    assert.ok(shown >= 1780 && shown < 2100, `the confirmation stayed ${Math.round(shown)} ms`);
  });

  it('restarts its 1,800 ms with a new save', async () => {
    const { page } = session;
    await saveBy(page, () => page.click('label.switch:has(#periodPurnaBiram)'));
    await sleep(900);
    await saveBy(page, () => page.selectOption('#uiScale', 'compact'));
    await page.waitForFunction(() => document.getElementById('savedToast').textContent === '', null, { timeout: 4000 });
    const log = await toastLog();
    assert.deepEqual(log.map(([, t]) => t), [SAVED, SAVED, ''], 'the first timer cleared the second confirmation');
    const afterSecond = log[2][0] - log[1][0];
    assert.ok(afterSecond >= 1780 && afterSecond < 2100, `cleared ${Math.round(afterSecond)} ms after the second save`);
  });
});

describe('a stored count the list does not offer', () => {
  for (const count of [4, 6]) {
    it(`keeps ${count} through a save of another setting`, async () => {
      const session = await openSession({ args: ['--config', JSON.stringify({ ...STORED, maxCandidates: count })] });
      try {
        const { page, server } = session;
        const options = await page.locator('#maxCandidates option').evaluateAll((os) => os.map((o) => [o.value, o.text]));
        const offered = [3, 5, 7, count].sort((a, b) => a - b).map((n) => [String(n), `${n} candidates`]);
        assert.deepEqual(options, offered, 'the stored count gets a choice of its own, in order');
        assert.equal(await page.inputValue('#maxCandidates'), String(count));

        const { sent, reply } = await saveBy(page, () => page.selectOption('#numeralsMode', 'smart'));
        assert.equal(sent.config.maxCandidates, count, 'the save sent another count');
        assert.equal(reply.config.maxCandidates, count);
        assert.equal((await server.request('GET', '/api/config')).config.maxCandidates, count, 'the host stored another count');
        assert.equal(await page.inputValue('#maxCandidates'), String(count));

        const chosen = await saveBy(page, () => page.selectOption('#maxCandidates', '7'));
        assert.equal(chosen.sent.config.maxCandidates, 7);
        assert.equal(await page.inputValue('#maxCandidates'), '7');
        assert.equal((await page.locator('#maxCandidates option').count()), 4, 'the list gained or lost a choice');
      } finally {
        await closeSession(session);
      }
    });
  }
});

describe('the Writing Studio button', () => {
  it('asks the host to open the Writing Studio and changes nothing on the page', async () => {
    const session = await openSession();
    try {
      const { page, server } = session;
      const before = await controlValues(page);
      await page.click('#studioBtn');
      await server.waitFor('POST /api/open-studio', () => server.messages(WM_APP_OPEN_STUDIO).length === 1);
      assert.equal(server.events.filter((e) => e.route === 'POST /api/open-studio').length, 1);
      assert.equal(server.posts().length, 0);
      assert.deepEqual(await controlValues(page), before);
      assert.equal(await text(page, 'savedToast'), '');
    } finally {
      await closeSession(session);
    }
  });
});

describe('a save the host refuses', () => {
  it('renders nothing and shows no confirmation', async () => {
    const session = await openSession({ args: ['--config', JSON.stringify(STORED)] });
    try {
      const { page, server } = session;
      await page.route('**/api/config', (route) => (route.request().method() === 'POST'
        ? route.fulfill({ status: 400, contentType: 'text/plain', body: 'Invalid JSON payload' })
        : route.continue()));
      const before = await controlValues(page);
      const refused = page.waitForResponse((r) => r.url().endsWith('/api/config') && r.request().method() === 'POST');
      await page.click('#powerBtn');
      await refused;
      await sleep(300);
      assert.equal(await text(page, 'savedToast'), '');
      assert.equal(await text(page, 'powerBtn'), 'Nepali Active');
      assert.deepEqual(await controlValues(page), before);
      assert.equal(server.posts().length, 0);
      assert.equal((await server.request('GET', '/api/config')).enabled, true);
    } finally {
      // The unread reply surfaces as an uncaught error in the page; that is the page's way.
      await closeSession(session, { allowPageErrors: true });
    }
  });
});

describe('before the host has built its state', () => {
  it('shows the stored start state, and the power button changes nothing on the host', async () => {
    const stored = { ...STORED, startEnabled: false };
    const session = await openSession({ args: ['--before-warm-up', '--config', JSON.stringify(stored)] });
    try {
      const { page, server, status } = session;
      assert.equal(status.enabled, false);
      assert.equal(status.wordCount, server.wordCount);
      assert.equal(await text(page, 'powerBtn'), 'Paused (EN)');
      const { sent, reply } = await saveBy(page, () => page.click('#powerBtn'));
      assert.equal(sent.enabled, true);
      assert.equal(reply.enabled, false);
      assert.equal(await text(page, 'powerBtn'), 'Paused (EN)');
      assert.equal(server.messages(WM_APP_ENABLED_CHANGED).length, 0);
    } finally {
      await closeSession(session);
    }
  });
});

describe('colour schemes', () => {
  const palettes = {
    light: { page: 'rgb(245, 245, 245)', card: 'rgb(255, 255, 255)', text: 'rgb(0, 0, 0)', accent: 'rgb(0, 0, 0)', onAccent: 'rgb(255, 255, 255)' },
    dark: { page: 'rgb(10, 10, 10)', card: 'rgb(18, 18, 18)', text: 'rgb(255, 255, 255)', accent: 'rgb(255, 255, 255)', onAccent: 'rgb(0, 0, 0)' },
  };
  for (const [scheme, palette] of Object.entries(palettes)) {
    it(`follows the browser's ${scheme} preference, whatever the theme setting`, async () => {
      // The stored theme is the opposite one: the page must not follow it.
      const themeMode = scheme === 'dark' ? 'light' : 'dark';
      const session = await openSession({ colorScheme: scheme, args: ['--config', JSON.stringify({ ...STORED, themeMode }), '--autostart'] });
      try {
        const { page } = session;
        const seen = await page.evaluate(() => {
          const style = (selector) => getComputedStyle(document.querySelector(selector));
          return {
            page: style('body').backgroundColor, card: style('.card').backgroundColor, text: style('body').color,
            accent: style('#powerBtn').backgroundColor, onAccent: style('#powerBtn').color,
          };
        });
        assert.deepEqual(seen, palette);
        mkdirSync(OUT, { recursive: true });
        const path = resolve(OUT, `preferences-${scheme}.png`);
        await page.screenshot({ path, fullPage: true });
        console.log(`screenshot: ${path}`);
      } finally {
        await closeSession(session);
      }
    });
  }
});
