// The live page in a real headless chromium: opened on a running `korvale --record --serve` on
// the simulated units, and on the fixture that serves a full record set of 4 x 88000 samples.
//   node page_test.mjs            with KORVALE_PROGRAM and SERVE_FIXTURE set (ctest sets both);
//   KORVALE_SCREENSHOT_DIR=docs   also writes the README's pictures there.
import assert from 'node:assert/strict';
import { after, before, describe, it } from 'node:test';
import path from 'node:path';

import {
  CuttableRelay, Program, freePort, launchBrowser, programEnv, removeDir, runToEnd, tempDir, waitForHttp, writeFile,
} from './harness.mjs';

const KORVALE = process.env.KORVALE_PROGRAM;
const FIXTURE = process.env.SERVE_FIXTURE;
assert.ok(KORVALE, 'KORVALE_PROGRAM names the program under test');
assert.ok(FIXTURE, 'SERVE_FIXTURE names the full-run fixture');

const PHONE = { width: 412, height: 915 };
const DESKTOP = { width: 1280, height: 800 };

const cardTexts = (page) => page.$$eval('#cards .card', (cards) => cards.map((c) => ({
  name: c.querySelector('.name').textContent,
  value: c.querySelector('.value').textContent,
  alarm: c.querySelector('.alarm').textContent,
  alarmed: c.classList.contains('alarmed'),
  background: getComputedStyle(c).backgroundColor,
})));
const text = (page, selector) => page.$eval(selector, (el) => el.textContent);
const pointCount = (page) => page.evaluate(() => window.korvale.xs.length);
const numberIn = (s) => Number(s.replace(/[^0-9]/g, ''));
const seconds = (s) => {
  const [h, m, sec] = s.match(/(\d+):(\d+):(\d+)/).slice(1).map(Number);
  return h * 3600 + m * 60 + sec;
};

describe('the page of a running recording', () => {
  let dir;
  let recorder;
  let context;
  let page;
  let relay;

  before(async () => {
    dir = tempDir('record');
    const settings = writeFile(dir, 'settings.ini',
      '[MeasInfo]\nMflagID0=True\nMflagID1=True\nConnectID1=4\nTimerType=False\n' +
      'IntervalTM=10\nMeasKind=False\nDataAverage=False\n[Channels]\nName0=炉内\nName1=外壁\n');
    const port = await freePort();
    recorder = new Program(KORVALE, ['--record', path.join(dir, 'records'), '--settings', settings,
      '--serve', `127.0.0.1:${port}`], programEnv(dir));
    await waitForHttp(`http://127.0.0.1:${port}/api/state`, recorder, 60000);
    // The page is opened through a relay whose connections the test can cut.
    relay = new CuttableRelay(port);
    const url = `http://127.0.0.1:${await relay.listen()}/`;
    context = await launchBrowser(path.join(dir, 'profile'));
    page = await context.newPage();
    await page.setViewportSize(DESKTOP);
    await page.goto(url);
    await page.waitForFunction(() => window.korvaleDrawnMs !== undefined, null, { timeout: 20000 });
  });

  after(async () => {
    if (context) await context.close();
    if (relay) relay.close();
    if (recorder) await recorder.stop();
    if (dir) removeDir(dir);
  });

  it('shows each used unit by its label and name, with values that change', async () => {
    const first = await cardTexts(page);
    assert.deepEqual(first.map((c) => c.name), ['ID0 炉内', 'ID1 外壁']);
    for (const c of first) assert.match(c.value, /^-?\d+\.\d ℃$/);
    await page.waitForFunction((before) => {
      const now = [...document.querySelectorAll('#cards .value')].map((el) => el.textContent);
      return now.some((v, i) => v !== before[i]);
    }, first.map((c) => c.value), { timeout: 20000 });
  });

  it('grows the graph, the count and the elapsed time as rows are pushed', async () => {
    const points = await pointCount(page);
    const count = numberIn(await text(page, '#sample-count'));
    const elapsed = seconds(await text(page, '#elapsed'));
    await page.waitForFunction(
      ([p, e]) => window.korvale.xs.length > p + 100 &&
        document.getElementById('elapsed').textContent.match(/(\d+):(\d+):(\d+)/)
          .slice(1).reduce((s, v) => s * 60 + Number(v), 0) >= e + 2,
      [points, elapsed], { timeout: 15000 });
    assert.ok(numberIn(await text(page, '#sample-count')) > count + 100);
    assert.match(await text(page, '#run-state'), /測定中/);
  });

  it('lists a mark made by korvale --mark and one made with the page\'s button', async () => {
    const marked = await runToEnd(KORVALE, ['--mark', path.join(dir, 'records'), '扉を開けた'],
      programEnv(dir));
    assert.equal(marked.code, 0, marked.stderr);
    await page.waitForFunction(() => document.getElementById('marks').textContent.includes('扉を開けた'),
      null, { timeout: 15000 });
    await page.fill('#mark-text', '温度計を確認');
    await page.click('#mark-form button');
    await page.waitForFunction(() => document.getElementById('marks').textContent.includes('温度計を確認'),
      null, { timeout: 15000 });
    const rows = await page.$$eval('#marks tr', (trs) => trs.map((tr) => tr.cells[0].textContent));
    assert.deepEqual(rows, ['1', '2']);
  });

  it('fills in every row it missed while its connection was cut', async () => {
    await relay.cut(2000);
    await page.waitForFunction(() => document.getElementById('connection').textContent.includes('再接続中'),
      null, { timeout: 15000 });
    const newest = await page.evaluate(() => window.korvale.state.newest);
    await page.waitForFunction((n) => window.korvale.dataNewest > n + 300 &&
      document.getElementById('connection').textContent === '接続中', newest, { timeout: 20000 });
    // Every row is in the graph at this length (no thinning yet): no step wider than a few samples.
    const widest = await page.evaluate(() => {
      const xs = window.korvale.xs;
      let widest = 0;
      for (let i = 1; i < xs.length; i++) widest = Math.max(widest, xs[i] - xs[i - 1]);
      return widest;
    });
    assert.ok(widest < 0.2, `a gap of ${widest} s in the graph`);
  });

  it('says so when the program has gone', async () => {
    await recorder.stop();
    await page.waitForFunction(() => document.getElementById('connection').textContent.includes('再接続中'),
      null, { timeout: 20000 });
  });
});

describe('the page of a full record set', () => {
  const ROWS = 88000;
  let dir;
  let fixture;
  let context;
  let url;

  before(async () => {
    dir = tempDir('full');
    const port = await freePort();
    url = `http://127.0.0.1:${port}/`;
    // A poll of 30 rows every 20 ms: the page's columns pile up fast enough to be thinned again.
    fixture = new Program(FIXTURE, [String(port), String(ROWS), '20'], process.env);
    await fixture.waitForOutput('ready', 60000);
    context = await launchBrowser(path.join(dir, 'profile'));
  });

  after(async () => {
    if (context) await context.close();
    if (fixture) await fixture.stop();
    if (dir) removeDir(dir);
  });

  it('draws every unit\'s curve of 4 x 88000 samples, thinned, within a sanity bound', async () => {
    const page = await context.newPage();
    await page.setViewportSize(DESKTOP);
    await page.goto(url);
    await page.waitForFunction(() => window.korvaleDrawnMs !== undefined, null, { timeout: 20000 });
    const { drawnMs, viewMs } = await page.evaluate(() => ({
      drawnMs: window.korvaleDrawnMs,
      viewMs: performance.getEntriesByType('resource').find((e) => e.name.includes('api/view')).responseEnd,
    }));
    console.log(`# full record set (4 x ${ROWS} samples) drawn ${drawnMs.toFixed(0)} ms after ` +
      `navigation (its view's answer complete at ${viewMs.toFixed(0)} ms)`);
    assert.ok(drawnMs < 5000, `drawn after ${drawnMs} ms`);
    const { points, lastX, width } = await page.evaluate(() => ({
      points: window.korvale.xs.length,
      lastX: window.korvale.xs[window.korvale.xs.length - 1],
      width: document.getElementById('graph').clientWidth,
    }));
    assert.ok(points <= 8 * width + 4 * 30, `${points} points for ${width} px`);
    assert.ok(lastX > 870, `the graph ends at ${lastX} s`);
    await page.close();
  });

  it('turns a card red on an alarm and lists the mark that follow the first live poll', async () => {
    const page = await context.newPage();
    await page.goto(url);
    await page.waitForFunction(() => document.querySelector('#cards .card.alarmed'), null, { timeout: 20000 });
    const cards = await cardTexts(page);
    assert.deepEqual(cards.map((c) => c.name), ['ID0 炉内', 'ID1 外壁', 'ID2', 'ID3 排気']);
    assert.deepEqual(cards.map((c) => c.alarmed), [false, true, false, false]);
    assert.equal(cards[1].background, 'rgb(224, 0, 0)');
    assert.match(cards[1].alarm, /上限/);
    await page.waitForFunction(() => document.querySelectorAll('#marks tr').length > 0, null, { timeout: 20000 });
    await page.close();
  });

  it('zooms on the wheel and to a range dragged over, fetches it at full detail, and follows again on the button', async () => {
    const page = await context.newPage();
    await page.setViewportSize(DESKTOP);
    await page.goto(url);
    await page.waitForFunction(() => window.korvaleDrawnMs !== undefined, null, { timeout: 20000 });
    const box = await page.locator('#graph .u-over').boundingBox();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    const ranged = page.waitForRequest((r) => /api\/view\?from=\d+&to=\d+/.test(r.url()));
    for (let i = 0; i < 12; i++) await page.mouse.wheel(0, -100);
    await ranged;
    assert.equal(await page.getAttribute('#follow', 'aria-pressed'), 'false');
    // The chosen range, a fifteenth of the run (10 ms a sample), is fetched again for the plot's
    // width: it holds a point per pixel or more, where the whole run's thinning gave it a fifth.
    await page.waitForFunction(() => {
      const { min, max } = window.korvale.plot.scales.x;
      const inRange = window.korvale.xs.filter((x) => x >= min && x <= max).length;
      const run = (window.korvale.state.newest + 1) / 100;
      return max - min < run / 10 && inRange > document.getElementById('graph').clientWidth;
    }, null, { timeout: 15000 });
    const before = await page.evaluate(() => window.korvale.plot.scales.x);
    await page.waitForTimeout(1500);
    const held = await page.evaluate(() => window.korvale.plot.scales.x);
    assert.deepEqual(held, before, 'the zoomed range stays while rows arrive');
    await page.click('#follow');
    await page.waitForFunction(() => {
      const { min, max } = window.korvale.plot.scales.x;
      return min < 1 && max > window.korvale.state.newest / 100 - 1;
    }, null, { timeout: 15000 });
    // Shift+drag over the second quarter of the plot zooms to it.
    const at = (x) => page.evaluate((px) => window.korvale.plot.posToVal(px, 'x'), x - box.x);
    const [a, b] = [box.x + box.width / 4, box.x + box.width / 2];
    const [va, vb] = [await at(a), await at(b)];
    await page.keyboard.down('Shift');
    await page.mouse.move(a, box.y + 20);
    await page.mouse.down();
    await page.mouse.move(b, box.y + 40, { steps: 5 });
    await page.mouse.up();
    await page.keyboard.up('Shift');
    const selected = await page.evaluate(() => window.korvale.plot.scales.x);
    // (The run grows meanwhile, and the whole run shown with it: a little give.)
    const give = (vb - va) * 0.02;
    assert.ok(Math.abs(selected.min - va) < give && Math.abs(selected.max - vb) < give,
      `${va}..${vb} selected, ${selected.min}..${selected.max} shown`);
    await page.close();
  });

  it('zooms between two fingers and pans with one on a touch screen', async () => {
    const page = await context.newPage();
    await page.setViewportSize(PHONE);
    const cdp = await context.newCDPSession(page);
    await cdp.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
    await page.goto(url);
    await page.waitForFunction(() => window.korvaleDrawnMs !== undefined, null, { timeout: 20000 });
    const box = await page.locator('#graph .u-over').boundingBox();
    const y = box.y + box.height / 2;
    const at = (x) => page.evaluate((px) => window.korvale.plot.posToVal(px, 'x'), x - box.x);
    const touch = (type, xs) => cdp.send('Input.dispatchTouchEvent', {
      type, touchPoints: xs.map((x, id) => ({ x, y, id })),
    });
    // The fingers start a fifth of the plot either side of its middle and move apart, one more
    // than the other: the values that were under them stay under them.
    const middle = box.x + box.width / 2;
    const [a, b] = [middle - box.width / 5, middle + box.width / 5];
    const [a2, b2] = [middle - box.width * 0.35, middle + box.width * 0.45];
    const [va, vb] = [await at(a), await at(b)];
    await touch('touchStart', [a, b]);
    for (let i = 1; i <= 5; i++) await touch('touchMove', [a + (i / 5) * (a2 - a), b + (i / 5) * (b2 - b)]);
    await touch('touchEnd', []);
    assert.equal(await page.getAttribute('#follow', 'aria-pressed'), 'false');
    const [wa, wb] = [await at(a2), await at(b2)];
    const span = vb - va;
    assert.ok(Math.abs(wa - va) < span * 0.01 && Math.abs(wb - vb) < span * 0.01,
      `${va}..${vb} were under the fingers, ${wa}..${wb} are`);
    const zoomed = await page.evaluate(() => window.korvale.plot.scales.x);
    // One finger dragged a quarter of the plot to the right shows earlier times.
    await touch('touchStart', [middle]);
    for (let i = 1; i <= 5; i++) await touch('touchMove', [middle + (i / 5) * (box.width / 4)]);
    await touch('touchEnd', []);
    const panned = await page.evaluate(() => window.korvale.plot.scales.x);
    const shift = zoomed.min - panned.min;
    const expected = (zoomed.max - zoomed.min) / 4;
    assert.ok(Math.abs(shift - expected) < expected * 0.2, `moved by ${shift} s, not ${expected} s`);
    await page.close();
  });

  it('keeps its point count bounded while following, with the whole run and its spike kept', async () => {
    const page = await context.newPage();
    await page.setViewportSize(DESKTOP);
    await page.goto(url);
    await page.waitForFunction(() => window.korvaleDrawnMs !== undefined, null, { timeout: 20000 });
    const start = await page.evaluate(() => ({ points: window.korvale.xs.length, newest: window.korvale.dataNewest }));
    // Three plot widths of rows pushed at least twice over: the columns have been thinned.
    const width = await page.evaluate(() => document.getElementById('graph').clientWidth);
    await page.waitForFunction((n) => window.korvale.dataNewest > n, start.newest + 8 * width,
      { timeout: 30000, polling: 50 });
    const now = await page.evaluate(() => {
      const k = window.korvale;
      return { points: k.xs.length, first: k.xs[0], last: k.xs[k.xs.length - 1],
        spike: Math.max(...k.ys[0].filter((v) => v != null)), newest: k.state.newest };
    });
    assert.ok(now.points <= start.points + 4 * width + 30, `${now.points} points`);
    assert.ok(now.first < 0.1 && now.last > (now.newest - 30) / 100, `from ${now.first} to ${now.last} s`);
    assert.ok(now.spike > 1400, `the spike's top is ${now.spike}`);
    await page.close();
  });

  it('takes the README\'s pictures at a phone\'s and a desktop\'s width', async () => {
    const out = process.env.KORVALE_SCREENSHOT_DIR || dir;
    for (const [size, name] of [[PHONE, 'screenshot-web-phone.png'], [DESKTOP, 'screenshot-web.png']]) {
      const page = await context.newPage();
      await page.setViewportSize(size);
      if (size === PHONE) {
        // A touch screen, so that the page shows its hint for fingers.
        const cdp = await context.newCDPSession(page);
        await cdp.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
      }
      await page.goto(url);
      await page.waitForFunction(() => document.querySelector('#cards .card.alarmed') &&
        document.querySelectorAll('#marks tr').length > 0, null, { timeout: 20000 });
      await page.waitForTimeout(300);
      await page.screenshot({ path: path.join(out, name), fullPage: size === PHONE });
      await page.close();
    }
  });
});
