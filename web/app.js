// The recorder's live page: the state and the newest values of the run, its marks, and a graph of
// the whole run that follows the pushed rows and can be zoomed and panned. Every URL is relative
// to the page, and nothing is loaded from anywhere else.
'use strict';

(() => {
  // The window's curve colours, by the unit's column, and its mark colour.
  const UNIT_COLOURS = ['rgb(0,0,230)', 'rgb(220,0,0)', 'rgb(0,150,0)', 'rgb(200,0,200)'];
  const MARK_COLOUR = 'rgb(128,0,160)';
  const ALARM_TEXT = { high: '上限', low: '下限', open: '断線' };
  const ALARM_KINDS = ['high', 'low', 'open'];
  // A gap up to this many rows is fetched as it is; a larger one reloads the whole view.
  const CATCH_UP_ROWS = 16384;
  const MARK_MAX_BYTES = 200;
  const REFETCH_DELAY_MS = 150;

  const page = {
    state: null,
    xs: [], // elapsed seconds of each point
    ys: [], // per unit, its value at each point or null
    dataNewest: -1, // the newest sample the graph's columns cover
    newestTimeMs: null,
    baseCount: 0, // points the graph held after its last full thinning
    follow: true,
    plot: null,
    loading: false, // a fetch that changes the columns is on; pushed rows wait in pending
    pending: [],
    viewRequest: 0, // the number of the newest /api/view request; older answers are dropped
    drawnReported: false,
  };

  // The page's state, for the browser test and the developer's console.
  window.korvale = page;

  const $ = (id) => document.getElementById(id);
  const graphEl = $('graph');

  async function getJson(url) {
    const response = await fetch(url, { cache: 'no-store' });
    if (!response.ok) throw new Error(`${url}: HTTP ${response.status}`);
    return response.json();
  }

  // ---- formatting ----

  function clockText(seconds) {
    const s = Math.max(0, Math.floor(seconds));
    const pad = (n) => String(n).padStart(2, '0');
    return `${pad(Math.floor(s / 3600))}:${pad(Math.floor(s / 60) % 60)}:${pad(s % 60)}`;
  }

  function axisText(seconds, span) {
    if (span < 60) return `${Math.round(seconds * 100) / 100}`;
    return clockText(seconds);
  }

  function unitSymbol() {
    return page.state && page.state.voltage ? 'μV' : '℃';
  }

  function valueText(v) {
    return v == null ? '—' : `${v.toFixed(1)} ${unitSymbol()}`;
  }

  function unitTitle(u) {
    return u.name ? `${u.label} ${u.name}` : u.label;
  }

  // ---- header, cards, marks ----

  function renderHeader() {
    const s = page.state;
    const runState = $('run-state');
    runState.textContent = s.running ? '測定中' : '停止';
    runState.classList.toggle('on', !!s.running);
    $('file-number').textContent = `ファイル ${s.fileNumber}`;
    $('sample-count').textContent = `${s.count.toLocaleString('ja-JP')} サンプル`;
    const elapsed = page.newestTimeMs == null ? 0 : (page.newestTimeMs - s.startMs) / 1000;
    $('elapsed').textContent = `経過 ${clockText(elapsed)}`;
  }

  function buildCards() {
    const cards = $('cards');
    cards.textContent = '';
    page.state.units.forEach((u, i) => {
      const card = document.createElement('div');
      card.className = 'card';
      card.dataset.unit = String(u.unit);
      card.style.setProperty('--unit-colour', UNIT_COLOURS[i % UNIT_COLOURS.length]);
      for (const part of ['name', 'type', 'value', 'alarm']) {
        const el = document.createElement('div');
        el.className = part;
        card.appendChild(el);
      }
      card.querySelector('.name').textContent = unitTitle(u);
      card.querySelector('.type').textContent = page.state.voltage ? '電圧' : `熱電対 ${u.type}`;
      cards.appendChild(card);
      renderCard(u);
    });
  }

  function renderCard(u) {
    const card = $('cards').querySelector(`.card[data-unit="${u.unit}"]`);
    if (!card) return;
    card.querySelector('.value').textContent = valueText(u.value);
    const active = ALARM_KINDS.filter((k) => u.alarms && u.alarms[k]).map((k) => ALARM_TEXT[k]);
    card.querySelector('.alarm').textContent = active.join(' ');
    card.classList.toggle('alarmed', active.length > 0);
  }

  function renderMarks() {
    const body = $('marks');
    body.textContent = '';
    const marks = [...page.state.marks].sort((a, b) => a.number - b.number);
    for (const m of marks) {
      const row = document.createElement('tr');
      for (const text of [String(m.number), clockText((m.timeMs - page.state.startMs) / 1000), m.text]) {
        const cell = document.createElement('td');
        cell.textContent = text;
        row.appendChild(cell);
      }
      body.appendChild(row);
    }
    $('mark-form').hidden = !page.state.markAllowed;
    if (page.plot && page.xs.length) page.plot.redraw(false, true);
  }

  function addMark(mark) {
    const marks = page.state.marks;
    if (marks.some((m) => m.number === mark.number)) return;
    marks.push(mark);
    renderMarks();
  }

  async function submitMark(event) {
    event.preventDefault();
    const input = $('mark-text');
    const error = $('mark-error');
    error.hidden = true;
    if (new TextEncoder().encode(input.value).length > MARK_MAX_BYTES) {
      showMarkError(`マークの内容は ${MARK_MAX_BYTES} バイトまでです。`);
      return;
    }
    try {
      const response = await fetch('mark', {
        method: 'POST',
        headers: { 'Content-Type': 'text/plain; charset=utf-8' },
        body: input.value,
      });
      if (response.status === 404) throw new Error('いまはマークを付けられません (測定していません)。');
      if (response.status === 413) throw new Error(`マークの内容は ${MARK_MAX_BYTES} バイトまでです。`);
      if (!response.ok) throw new Error(`マークを付けられませんでした (HTTP ${response.status})。`);
      addMark(await response.json());
      input.value = '';
    } catch (e) {
      showMarkError(e instanceof TypeError ? 'マークを付けられませんでした (接続できません)。' : e.message);
    }
  }

  function showMarkError(text) {
    const error = $('mark-error');
    error.textContent = text;
    error.hidden = false;
  }

  // ---- the graph's columns ----

  function elapsedOf(timeMs) {
    return (timeMs - page.state.startMs) / 1000;
  }

  // Replaces the columns with an /api/view answer, or appends its points after the newest.
  function applyView(view, replace) {
    const units = page.state.units.length;
    if (replace) {
      page.xs = [];
      page.ys = Array.from({ length: units }, () => []);
    }
    const last = page.xs.length ? page.xs[page.xs.length - 1] : -Infinity;
    for (let i = 0; i < view.x.length; i++) {
      const x = elapsedOf(view.t[i]);
      if (x <= last) continue;
      page.xs.push(x);
      for (let u = 0; u < units; u++) page.ys[u].push(view.y[u][i]);
    }
    if (view.to > view.from) page.dataNewest = Math.max(page.dataNewest, view.to - 1);
    if (view.t.length) page.newestTimeMs = Math.max(page.newestTimeMs || 0, view.t[view.t.length - 1]);
    if (replace) page.baseCount = page.xs.length;
  }

  function appendRows(rows) {
    const units = page.state.units.length;
    for (const row of rows) {
      if (row[0] <= page.dataNewest) continue;
      page.xs.push(elapsedOf(row[1]));
      for (let u = 0; u < units; u++) page.ys[u].push(row[2 + u]);
      page.dataNewest = row[0];
    }
    if (page.xs.length > page.baseCount + 4 * plotWidth()) thinColumns(plotWidth());
  }

  // Thins the columns in place to buckets of equal time, keeping each unit's minimum and maximum
  // per bucket in their order, so that the curve's outline stays as it was.
  function thinColumns(buckets) {
    const n = page.xs.length;
    if (n < 2) return;
    const x0 = page.xs[0];
    const span = page.xs[n - 1] - x0 || 1;
    const keep = new Uint8Array(n);
    const keepUnit = page.ys.map(() => new Uint8Array(n));
    page.ys.forEach((values, u) => {
      let bucket = -1;
      let lo = -1;
      let hi = -1;
      const flush = () => {
        if (lo < 0) return;
        keep[lo] = keep[hi] = 1;
        keepUnit[u][lo] = keepUnit[u][hi] = 1;
      };
      for (let i = 0; i < n; i++) {
        const b = Math.min(buckets - 1, Math.floor(((page.xs[i] - x0) / span) * buckets));
        if (b !== bucket) {
          flush();
          bucket = b;
          lo = hi = -1;
        }
        const v = values[i];
        if (v == null) continue;
        if (lo < 0 || v < values[lo]) lo = i;
        if (hi < 0 || v > values[hi]) hi = i;
      }
      flush();
    });
    const xs = [];
    const ys = page.ys.map(() => []);
    for (let i = 0; i < n; i++) {
      if (!keep[i]) continue;
      xs.push(page.xs[i]);
      page.ys.forEach((values, u) => ys[u].push(keepUnit[u][i] ? values[i] : null));
    }
    page.xs = xs;
    page.ys = ys;
    page.baseCount = xs.length;
  }

  // ---- the graph ----

  function plotWidth() {
    return Math.max(16, Math.round(graphEl.clientWidth || 600));
  }

  function plotHeight() {
    return Math.max(160, graphEl.clientHeight - 56);
  }

  function drawMarks(u) {
    const ctx = u.ctx;
    const top = u.bbox.top;
    const bottom = top + u.bbox.height;
    ctx.save();
    ctx.strokeStyle = MARK_COLOUR;
    ctx.fillStyle = MARK_COLOUR;
    ctx.lineWidth = Math.max(1, devicePixelRatio);
    ctx.font = `${Math.round(12 * devicePixelRatio)}px sans-serif`;
    ctx.textBaseline = 'top';
    for (const m of page.state.marks) {
      const x = Math.round(u.valToPos(elapsedOf(m.timeMs), 'x', true));
      if (x < u.bbox.left || x > u.bbox.left + u.bbox.width) continue;
      ctx.beginPath();
      ctx.moveTo(x, top);
      ctx.lineTo(x, bottom);
      ctx.stroke();
      // The number beside its line, on the left near the right edge.
      const label = String(m.number);
      const labelWidth = ctx.measureText(label).width;
      const gap = 3 * devicePixelRatio;
      const fitsRight = u.bbox.left + u.bbox.width - x > labelWidth + 2 * gap;
      ctx.fillText(label, fitsRight ? x + gap : x - gap - labelWidth, top + 2 * devicePixelRatio);
    }
    ctx.restore();
  }

  // Notes the moment the graph first shows every unit's curve (read by the page's test).
  function noteDrawn() {
    graphEl.dataset.points = String(page.xs.length);
    if (page.drawnReported || !page.xs.length) return;
    if (page.ys.every((values) => values.some((v) => v != null))) {
      page.drawnReported = true;
      window.korvaleDrawnMs = performance.now();
    }
  }

  function buildPlot() {
    if (page.plot) page.plot.destroy();
    const units = page.state.units;
    const opts = {
      width: plotWidth(),
      height: plotHeight(),
      scales: { x: { time: false } },
      axes: [
        {
          label: '経過時間',
          values: (u, splits) => splits.map((v) => axisText(v, u.scales.x.max - u.scales.x.min)),
        },
        { label: page.state.voltage ? '電圧 (μV)' : '温度 (℃)', size: 60 },
      ],
      series: [
        { label: '経過', value: (u, v) => (v == null ? '—' : clockText(v)) },
        ...units.map((unit, i) => ({
          label: unitTitle(unit),
          stroke: UNIT_COLOURS[i % UNIT_COLOURS.length],
          width: 1.5,
          spanGaps: true,
          points: { show: false },
          value: (u, v) => valueText(v),
        })),
      ],
      cursor: { drag: { x: false, y: false, setScale: false } },
      hooks: { draw: [drawMarks, noteDrawn] },
    };
    page.plot = new uPlot(opts, plotData(), graphEl);
    attachGestures(page.plot);
  }

  function plotData() {
    return [page.xs, ...page.ys];
  }

  // Shows the columns: the whole run while following, else the range the operator chose.
  function redrawGraph() {
    const plot = page.plot;
    if (page.follow) {
      plot.setData(plotData());
      return;
    }
    const { min, max } = plot.scales.x;
    plot.batch(() => {
      plot.setData(plotData(), false);
      plot.setScale('x', { min, max });
    });
  }

  function setFollow(on) {
    page.follow = on;
    $('follow').setAttribute('aria-pressed', String(on));
  }

  // A range the operator chose: following stops, and the range is fetched again at full detail.
  function showRange(min, max) {
    const least = Math.max(0.05, (4 * page.state.intervalMs) / 1000);
    if (max - min < least) {
      const mid = (min + max) / 2;
      min = mid - least / 2;
      max = mid + least / 2;
    }
    setFollow(false);
    page.plot.setScale('x', { min, max });
    clearTimeout(page.refetchTimer);
    page.refetchTimer = setTimeout(fetchVisible, REFETCH_DELAY_MS);
  }

  async function fetchVisible() {
    if (page.follow) return;
    const { min, max } = page.plot.scales.x;
    const perSample = page.state.intervalMs / 1000;
    const from = Math.max(0, Math.floor(min / perSample) - 1);
    const to = Math.max(from + 1, Math.ceil(max / perSample) + 2);
    const request = ++page.viewRequest;
    try {
      const view = await getJson(`api/view?from=${from}&to=${to}&points=${plotWidth()}`);
      if (request !== page.viewRequest || page.follow) return;
      page.dataNewest = -1;
      applyView(view, true);
      redrawGraph();
    } catch (e) {
      console.warn(e);
    }
  }

  // The wheel zooms at the pointer; one pointer drags (pans), Shift+drag selects a range to zoom
  // to, two pointers pinch: the values under the two fingers stay under them.
  function attachGestures(plot) {
    const over = plot.over;
    const pointers = new Map();
    const g = { plot, over, pointers, gesture: null, posOf: (e) => e.clientX - over.getBoundingClientRect().left };
    over.addEventListener('wheel', (e) => wheelZoom(g, e), { passive: false });
    over.addEventListener('pointerdown', (e) => {
      over.setPointerCapture(e.pointerId);
      pointers.set(e.pointerId, g.posOf(e));
      g.gesture = startGesture(g, e.shiftKey);
    });
    over.addEventListener('pointermove', (e) => {
      if (!pointers.has(e.pointerId) || !g.gesture) return;
      pointers.set(e.pointerId, g.posOf(e));
      moveGesture(g, g.posOf(e));
    });
    const end = (e) => {
      if (!pointers.has(e.pointerId)) return;
      pointers.delete(e.pointerId);
      if (g.gesture && g.gesture.kind === 'select') endSelect(g, g.posOf(e));
      // One finger left of a pinch pans on from where it is.
      g.gesture = pointers.size === 1 ? startGesture(g, false) : null;
    };
    over.addEventListener('pointerup', end);
    over.addEventListener('pointercancel', end);
  }

  function wheelZoom({ plot, posOf }, e) {
    e.preventDefault();
    const { min, max } = plot.scales.x;
    const at = plot.posToVal(posOf(e), 'x');
    // In proportion to the wheel's turn (events may arrive merged): a notch of 100 px zooms by
    // about 0.8.
    const pixels = e.deltaY * (e.deltaMode === 1 ? 33 : e.deltaMode === 2 ? 800 : 1);
    const factor = Math.min(4, Math.max(0.25, 2 ** (pixels / 300)));
    showRange(at - (at - min) * factor, at + (max - at) * factor);
  }

  function startGesture({ plot, pointers }, shift) {
    const { min, max } = plot.scales.x;
    const held = [...pointers.entries()];
    if (held.length === 2) {
      return { kind: 'pinch', ids: held.map(([id]) => id), vals: held.map(([, px]) => plot.posToVal(px, 'x')) };
    }
    if (held.length !== 1) return null;
    const start = held[0][1];
    return shift ? { kind: 'select', start } : { kind: 'pan', start, min, max, moved: false };
  }

  function moveGesture({ plot, over, pointers, gesture }, px) {
    const width = over.clientWidth || 1;
    if (gesture.kind === 'pan') {
      const dx = px - gesture.start;
      if (!gesture.moved && Math.abs(dx) < 3) return;
      gesture.moved = true;
      const shift = (-dx * (gesture.max - gesture.min)) / width;
      showRange(gesture.min + shift, gesture.max + shift);
    } else if (gesture.kind === 'pinch') {
      const [p1, p2] = gesture.ids.map((id) => pointers.get(id));
      if (p1 == null || p2 == null || Math.abs(p2 - p1) < 10) return;
      const perPx = (gesture.vals[1] - gesture.vals[0]) / (p2 - p1);
      const min = gesture.vals[0] - p1 * perPx;
      showRange(min, min + width * perPx);
    } else {
      const left = Math.min(gesture.start, px);
      plot.setSelect({ left, top: 0, width: Math.abs(px - gesture.start), height: over.clientHeight }, false);
    }
  }

  function endSelect({ plot, gesture }, px) {
    const a = Math.min(gesture.start, px);
    const b = Math.max(gesture.start, px);
    plot.setSelect({ left: 0, top: 0, width: 0, height: 0 }, false);
    if (b - a > 4) showRange(plot.posToVal(a, 'x'), plot.posToVal(b, 'x'));
  }

  // ---- loading and the live stream ----

  async function loadWholeView() {
    page.loading = true;
    const request = ++page.viewRequest;
    try {
      const view = await getJson(`api/view?points=${plotWidth()}`);
      if (request !== page.viewRequest) return;
      page.dataNewest = -1;
      applyView(view, true);
    } finally {
      page.loading = false;
    }
    flushPending();
    redrawGraph();
    renderHeader();
    const gap = page.state.newest - page.dataNewest;
    if (page.follow && gap > 0 && gap <= CATCH_UP_ROWS) catchUp().catch(console.warn);
  }

  // Fetches the rows the graph is missing after a reconnect, or all again when the gap is large.
  async function catchUp() {
    if (page.loading) return;
    if (page.state.newest - page.dataNewest > CATCH_UP_ROWS) {
      await loadWholeView();
      return;
    }
    page.loading = true;
    try {
      const view = await getJson(`api/view?from=${page.dataNewest + 1}&points=8192`);
      applyView(view, false);
    } finally {
      page.loading = false;
    }
    flushPending();
    redrawGraph();
    renderHeader();
  }

  function flushPending() {
    const rows = page.pending;
    page.pending = [];
    if (rows.length) appendRows(rows);
  }

  function onRows(data) {
    const rows = data.rows;
    if (!rows.length) return;
    const s = page.state;
    const newest = rows[rows.length - 1];
    if (newest[0] > s.newest) {
      s.count += rows.filter((r) => r[0] > s.newest).length;
      s.newest = newest[0];
    }
    page.newestTimeMs = Math.max(page.newestTimeMs || 0, newest[1]);
    s.units.forEach((u, i) => {
      u.value = newest[2 + i];
      renderCard(u);
    });
    renderHeader();
    if (!page.follow) return;
    if (page.loading) {
      page.pending.push(...rows);
      return;
    }
    if (rows[0][0] > page.dataNewest + 1) {
      // Rows went missing between the columns and this event: fetch them first.
      page.pending.push(...rows);
      catchUp().catch(console.warn);
      return;
    }
    appendRows(rows);
    redrawGraph();
  }

  function onState(s) {
    const old = page.state;
    const newRun = !old || s.fileNumber !== old.fileNumber || s.startMs !== old.startMs ||
      s.units.length !== old.units.length;
    page.state = s;
    if (newRun) {
      page.xs = [];
      page.ys = s.units.map(() => []);
      page.dataNewest = -1;
      page.newestTimeMs = null;
      page.drawnReported = false;
      setFollow(true);
      buildCards();
      buildPlot();
      renderMarks();
      renderHeader();
      loadWholeView().catch(console.warn);
      return;
    }
    s.units.forEach(renderCard);
    renderMarks();
    renderHeader();
    if (page.follow && s.newest > page.dataNewest) catchUp().catch(console.warn);
  }

  function onAlarm(a) {
    const unit = page.state.units.find((u) => u.unit === a.unit);
    if (!unit) return;
    unit.alarms = unit.alarms || {};
    unit.alarms[a.kind] = !!a.raised;
    renderCard(unit);
  }

  function setConnection(connected) {
    const el = $('connection');
    el.textContent = connected ? '接続中' : '再接続中…';
    el.classList.toggle('on', connected);
    el.classList.toggle('lost', !connected);
  }

  function openEvents() {
    const events = new EventSource('events');
    const on = (name, handle) =>
      events.addEventListener(name, (e) => {
        try {
          handle(JSON.parse(e.data));
        } catch (err) {
          console.warn(name, err);
        }
      });
    events.onopen = () => setConnection(true);
    events.onerror = () => setConnection(false);
    on('state', onState);
    on('rows', onRows);
    on('mark', addMark);
    on('alarm', onAlarm);
  }

  async function start() {
    $('follow').addEventListener('click', () => {
      setFollow(true);
      loadWholeView().catch(console.warn);
    });
    $('mark-form').addEventListener('submit', submitMark);
    let resizeTimer = 0;
    window.addEventListener('resize', () => {
      clearTimeout(resizeTimer);
      resizeTimer = setTimeout(() => page.plot && page.plot.setSize({ width: plotWidth(), height: plotHeight() }), 100);
    });
    for (;;) {
      try {
        onState(await getJson('api/state'));
        break;
      } catch (e) {
        setConnection(false);
        await new Promise((resolve) => setTimeout(resolve, 2000));
      }
    }
    openEvents();
  }

  start();
})();
