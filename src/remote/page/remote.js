// The remote page: pairs with the program over its WebSocket, draws the room it is sent,
// and sends back what fingers do to it (moves, input levels, GO and Stop).
(function () {
  'use strict';

  const SVG = 'http://www.w3.org/2000/svg';
  const TOKEN_KEY = 'orbis.token';
  const ROOM = 127;
  // The program takes 120 messages a second from a client and drops the rest; staying
  // under that keeps three fingers dragging from losing the last position of a drag.
  const SEND_RATE = 100;
  const SEND_BURST = 20;
  const RETRY_FIRST_MS = 1000;
  const RETRY_MAX_MS = 30000;

  const $ = (id) => document.getElementById(id);
  const statusLine = $('status');
  const pairForm = $('pair');
  const codeField = $('code');
  const pairError = $('pair-error');
  const desk = $('desk');
  const plan = $('plan');

  let socket = null;
  let paired = false;
  let pendingCode = null;
  let retryMs = RETRY_FIRST_MS;
  let retryTimer = 0;

  const sources = new Map(); // n -> {data, g, dot, label, pos, range, levelText}
  const drags = new Map(); // pointerId -> n
  const dragged = new Set(); // sources under a finger: their echoes are ignored
  const pendingMoves = new Map(); // n -> {x, y, z}
  const pendingLevels = new Map(); // n -> value
  const adjustingLevel = new Set();
  let frameAsked = false;
  let tokens = SEND_BURST;
  let tokensAt = performance.now();

  function setStatus(text, problem) {
    statusLine.textContent = text;
    statusLine.classList.toggle('problem', Boolean(problem));
  }

  function send(message) {
    if (socket && socket.readyState === WebSocket.OPEN) {
      socket.send(JSON.stringify(message));
    }
  }

  function storedToken() {
    try {
      return localStorage.getItem(TOKEN_KEY);
    } catch (e) {
      return null;
    }
  }

  function storeToken(token) {
    try {
      if (token) localStorage.setItem(TOKEN_KEY, token);
      else localStorage.removeItem(TOKEN_KEY);
    } catch (e) {
      // Private browsing: the page asks for the code each time.
    }
  }

  // --- Connection -------------------------------------------------------------------

  function connect() {
    clearTimeout(retryTimer);
    retryTimer = 0;
    if (socket) return;
    setStatus('Connecting…');
    const ws = new WebSocket('ws://' + location.host + '/ws');
    socket = ws;
    ws.onopen = () => {
      setStatus('Connected');
      const token = storedToken();
      if (pendingCode !== null) {
        send({ type: 'hello', code: pendingCode });
        pendingCode = null;
      } else if (token) {
        send({ type: 'hello', token: token });
      } else {
        askCode();
      }
    };
    ws.onmessage = (event) => {
      let message;
      try {
        message = JSON.parse(event.data);
      } catch (e) {
        return;
      }
      if (message && typeof message === 'object') receive(message);
    };
    ws.onclose = () => {
      if (socket !== ws) return;
      socket = null;
      paired = false;
      drags.clear();
      dragged.clear();
      for (const s of sources.values()) s.g.classList.remove('dragging');
      retryLater();
    };
  }

  function retryLater() {
    const wait = retryMs * (0.75 + Math.random() * 0.5);
    retryMs = Math.min(retryMs * 2, RETRY_MAX_MS);
    if (!statusLine.classList.contains('problem')) {
      setStatus('Connection lost; trying again in ' + Math.ceil(wait / 1000) + ' s', true);
    }
    retryTimer = setTimeout(() => {
      statusLine.classList.remove('problem');
      connect();
    }, wait);
  }

  function askCode() {
    pairForm.hidden = false;
    desk.hidden = true;
    codeField.focus();
  }

  pairForm.addEventListener('submit', (event) => {
    event.preventDefault();
    const code = codeField.value.trim();
    if (!code) return;
    pairError.textContent = '';
    if (socket && socket.readyState === WebSocket.OPEN) {
      send({ type: 'hello', code: code });
    } else {
      pendingCode = code;
      if (!socket) connect();
    }
  });

  function receive(message) {
    switch (message.type) {
      case 'welcome':
        paired = true;
        retryMs = RETRY_FIRST_MS;
        storeToken(message.token);
        pairForm.hidden = true;
        desk.hidden = false;
        codeField.value = '';
        pairError.textContent = '';
        setStatus('Connected');
        if (message.picture) showPicture(message.picture);
        if (message.cues) showCues(message.cues);
        break;
      case 'refused':
        refused(message);
        break;
      case 'picture':
        if (paired && message.picture) showPicture(message.picture);
        break;
      case 'sources':
        if (paired && Array.isArray(message.sources)) message.sources.forEach(updateSource);
        break;
      case 'cues':
        if (paired) showCues(message);
        break;
    }
  }

  function refused(message) {
    if (message.reason === 'token') {
      storeToken(null);
      askCode();
    } else if (message.reason === 'code') {
      const left = message.attemptsLeft;
      pairError.textContent =
        typeof left === 'number'
          ? 'Wrong code: ' + left + (left === 1 ? ' attempt' : ' attempts') + ' left'
          : 'Wrong code';
      codeField.select();
    } else if (message.reason === 'locked') {
      pairError.textContent = 'Wrong code too many times: wait a few minutes, then try again.';
      setStatus('Locked out for now', true);
    } else if (message.reason === 'full') {
      setStatus('Too many remotes are connected', true);
    }
  }

  // --- The picture --------------------------------------------------------------------

  function svg(name, attributes, parent) {
    const element = document.createElementNS(SVG, name);
    for (const key in attributes) element.setAttribute(key, attributes[key]);
    if (parent) parent.appendChild(element);
    return element;
  }

  function clamp(value) {
    return Math.min(ROOM, Math.max(0, value));
  }

  // Height shows as size: a source on the floor is the smallest.
  function radiusFor(z) {
    return 3.5 + (clamp(z) / ROOM) * 3.5;
  }

  function showPicture(picture) {
    $('room-side').textContent = picture.roomSide ? 'Room ' + picture.roomSide + ' across' : 'Room';
    const speakerLayer = $('speakers');
    speakerLayer.replaceChildren();
    for (const speaker of picture.speakers || []) {
      const g = svg('g', { class: 'speaker', role: 'img' }, speakerLayer);
      g.setAttribute('aria-label', 'Loudspeaker ' + speaker.n);
      if (speaker.position) g.setAttribute('aria-description', speaker.position);
      const x = clamp(speaker.x);
      const y = ROOM - clamp(speaker.y);
      // A source often stands on a loudspeaker: the square marks the spot, and the number
      // sits in a tag up and to the right, where the largest source leaves it readable.
      svg('rect', { x: x - 2.5, y: y - 2.5, width: 5, height: 5 }, g);
      svg('rect', { class: 'tag', x: x + 5, y: y - 9, width: 4.5, height: 4.5 }, g);
      svg('text', { x: x + 7.25, y: y - 6.75 }, g).textContent = String(speaker.n);
    }
    (picture.sources || []).forEach(updateSource);
  }

  function makeSource(n) {
    const g = svg('g', { class: 'source', role: 'button', tabindex: '0' }, $('sources'));
    g.setAttribute('aria-label', 'Source ' + n);
    g.setAttribute('aria-roledescription', 'movable source');
    g.setAttribute('aria-describedby', 'pos-' + n);
    const hit = svg('circle', { class: 'hit', r: 10 }, g);
    const dot = svg('circle', { class: 'dot' }, g);
    const label = svg('text', {}, g);
    label.textContent = String(n);
    const stack = svg('text', { class: 'stack', 'aria-hidden': 'true' }, g);

    const row = document.createElement('li');
    const swatch = document.createElement('span');
    swatch.className = 'swatch';
    swatch.textContent = String(n);
    swatch.setAttribute('aria-hidden', 'true');
    const pos = document.createElement('p');
    pos.className = 'pos';
    pos.id = 'pos-' + n;
    const range = document.createElement('input');
    range.type = 'range';
    range.min = '0';
    range.max = String(ROOM);
    range.step = '1';
    range.setAttribute('aria-label', 'Input level ' + n);
    const levelText = document.createElement('span');
    levelText.className = 'level-text';
    row.append(swatch, pos, range, levelText);
    $('channels').appendChild(row);

    const s = {
      n, data: { x: 64, y: 64, z: 64 }, grab: { x: 0, y: 0 }, settle: null,
      g, hit, dot, label, stack, swatch, pos, range, levelText,
    };
    sources.set(n, s);
    g.addEventListener('pointerdown', (event) => startDrag(event, s));
    g.addEventListener('pointermove', moveDrag);
    g.addEventListener('pointerup', endDrag);
    g.addEventListener('pointercancel', endDrag);
    g.addEventListener('lostpointercapture', endDrag);
    g.addEventListener('keydown', (event) => keyMove(event, s));
    range.addEventListener('input', () => {
      adjustingLevel.add(n);
      pendingLevels.set(n, Number(range.value));
      askFrame();
    });
    range.addEventListener('change', () => adjustingLevel.delete(n));
    return s;
  }

  function updateSource(data) {
    const n = Number(data && data.n);
    if (!Number.isInteger(n) || n < 1 || n > 8) return;
    const s = sources.get(n) || makeSource(n);
    let moving = dragged.has(n);
    // After a drag the echoes of its earlier moves are still on their way: they would pull
    // the source back along its path, so the page waits for the last one (or a second).
    if (!moving && s.settle) {
      if ((data.x === s.settle.x && data.y === s.settle.y) || performance.now() > s.settle.until) {
        s.settle = null;
      } else {
        moving = true;
      }
    }
    for (const key of ['x', 'y', 'z']) {
      if (!moving && typeof data[key] === 'number') s.data[key] = data[key];
    }
    // The text follows even a dragged source: it lags the finger a little but never jumps.
    if (typeof data.position === 'string') s.pos.textContent = data.position;
    if (typeof data.colour === 'string') {
      s.dot.setAttribute('fill', data.colour);
      s.swatch.style.background = data.colour;
    }
    if (typeof data.silent === 'boolean') s.g.classList.toggle('silent', data.silent);
    if (typeof data.levelText === 'string') {
      s.levelText.textContent = data.levelText;
      s.range.setAttribute('aria-valuetext', data.levelText);
    }
    if (typeof data.level === 'number' && !adjustingLevel.has(n) && !pendingLevels.has(n)) {
      s.range.value = String(data.level);
    }
    place(s);
  }

  function place(s) {
    const x = clamp(s.data.x);
    const y = ROOM - clamp(s.data.y);
    for (const circle of [s.hit, s.dot]) {
      circle.setAttribute('cx', x);
      circle.setAttribute('cy', y);
    }
    s.dot.setAttribute('r', radiusFor(s.data.z));
    s.label.setAttribute('x', x);
    s.label.setAttribute('y', y);
    markStacks();
  }

  // Sources on one spot hide each other: the one drawn on top names those beneath it.
  function markStacks() {
    const order = Array.from($('sources').children);
    const spots = new Map(); // "x,y" -> sources, bottom first
    for (const s of [...sources.values()].sort((a, b) => order.indexOf(a.g) - order.indexOf(b.g))) {
      const spot = s.data.x + ',' + s.data.y;
      spots.set(spot, (spots.get(spot) || []).concat(s));
    }
    for (const stacked of spots.values()) {
      const top = stacked[stacked.length - 1];
      for (const s of stacked) {
        const under = s === top ? stacked.slice(0, -1).map((b) => b.n).sort() : [];
        s.stack.textContent = under.length ? '+' + under.join(' ') : '';
        s.stack.setAttribute('x', clamp(s.data.x));
        s.stack.setAttribute('y', ROOM - clamp(s.data.y) + radiusFor(s.data.z) + 3.5);
      }
    }
  }

  // --- Moving sources -----------------------------------------------------------------

  function roomPoint(event) {
    const matrix = plan.getScreenCTM();
    if (!matrix) return null;
    const point = new DOMPoint(event.clientX, event.clientY).matrixTransform(matrix.inverse());
    return { x: point.x, y: ROOM - point.y };
  }

  function startDrag(event, s) {
    if (!paired || dragged.has(s.n) || drags.has(event.pointerId)) return;
    event.preventDefault();
    // The source under a finger is drawn over the others.
    s.g.parentNode.appendChild(s.g);
    s.g.setPointerCapture(event.pointerId);
    drags.set(event.pointerId, s.n);
    dragged.add(s.n);
    s.g.classList.add('dragging');
    s.g.focus({ preventScroll: true });
    // Held where it was touched, so taking hold of a source does not make it jump.
    const point = roomPoint(event);
    s.grab = point ? { x: point.x - s.data.x, y: point.y - s.data.y } : { x: 0, y: 0 };
  }

  function moveDrag(event) {
    const n = drags.get(event.pointerId);
    if (n === undefined) return;
    const point = roomPoint(event);
    if (!point) return;
    const s = sources.get(n);
    const x = Math.round(clamp(point.x - s.grab.x));
    const y = Math.round(clamp(point.y - s.grab.y));
    if (x === s.data.x && y === s.data.y) return;
    s.data.x = x;
    s.data.y = y;
    place(s);
    pendingMoves.set(n, { x: x, y: y });
    askFrame();
  }

  function endDrag(event) {
    const n = drags.get(event.pointerId);
    if (n === undefined) return;
    drags.delete(event.pointerId);
    dragged.delete(n);
    const s = sources.get(n);
    s.g.classList.remove('dragging');
    s.settle = { x: s.data.x, y: s.data.y, until: performance.now() + 1000 };
    flush(true);
  }

  // Arrows move a focused source one unit (eight with Shift), Page Up and Down its height.
  function keyMove(event, s) {
    const step = event.shiftKey ? 8 : 1;
    const change = {
      ArrowLeft: ['x', -step],
      ArrowRight: ['x', step],
      ArrowUp: ['y', step],
      ArrowDown: ['y', -step],
      PageUp: ['z', step],
      PageDown: ['z', -step],
    }[event.key];
    if (!change || !paired) return;
    event.preventDefault();
    const [axis, delta] = change;
    s.data[axis] = clamp(Math.round(s.data[axis] + delta));
    place(s);
    pendingMoves.set(s.n, Object.assign(pendingMoves.get(s.n) || {}, { [axis]: s.data[axis] }));
    askFrame();
  }

  // --- Sending at most once per source per frame --------------------------------------

  function askFrame() {
    if (!frameAsked) {
      frameAsked = true;
      requestAnimationFrame(() => {
        frameAsked = false;
        flush(false);
      });
    }
  }

  function takeToken(force) {
    const now = performance.now();
    tokens = Math.min(SEND_BURST, tokens + ((now - tokensAt) / 1000) * SEND_RATE);
    tokensAt = now;
    if (tokens < 1 && !force) return false;
    tokens -= 1;
    return true;
  }

  // The latest value of each source waits; a drag's end goes out even over budget so
  // the source stops where the finger left it.
  function flush(force) {
    for (const [n, move] of pendingMoves) {
      if (!takeToken(force && !dragged.has(n))) continue;
      pendingMoves.delete(n);
      send(Object.assign({ type: 'move', n: n }, move));
    }
    for (const [n, value] of pendingLevels) {
      if (!takeToken(false)) break;
      pendingLevels.delete(n);
      send({ type: 'level', n: n, value: value });
    }
    if (pendingMoves.size || pendingLevels.size) askFrame();
  }

  // --- Cues ---------------------------------------------------------------------------

  function cueText(cue) {
    return cue ? [cue.number, cue.name].filter(Boolean).join(' ') : '–';
  }

  function showCues(cues) {
    if ('live' in cues) $('live').textContent = 'Live: ' + cueText(cues.live);
    if ('next' in cues) $('next').textContent = 'Next: ' + cueText(cues.next);
    const progress = $('progress');
    progress.hidden = !cues.running;
    if (typeof cues.progress === 'number') progress.value = cues.progress;
    if (typeof cues.count === 'number') $('go').disabled = cues.count === 0;
  }

  $('go').addEventListener('click', () => send({ type: 'go' }));
  $('stop').addEventListener('click', () => send({ type: 'stop' }));

  // A phone coming back from its lock screen tries at once rather than after the back-off.
  document.addEventListener('visibilitychange', () => {
    if (!document.hidden && !socket) connect();
  });
  window.addEventListener('online', () => {
    if (!socket) connect();
  });

  connect();
})();
