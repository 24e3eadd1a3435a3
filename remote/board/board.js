// The remote board: reads /api/v1/receivers and /api/v1/alarms, then follows the WebSocket
// /api/v1/stream (the full state once, then the changes). Values are drawn only while a
// receiver is live and the link to the program is up; anything else shows what is known and how
// old it is, never a stale number as if it were current. A tile opens its receiver's last ten
// minutes (/api/v1/history/N) as a plot drawn on a canvas.
"use strict";

(function () {
  const token = new URLSearchParams(location.search).get("token");

  const RF_MIN_DBM = -100;
  const RF_MAX_DBM = -40;
  const AF_MIN_DB = -40;
  const AF_MAX_DB = 20;
  const AF_PEAK_DB = 18; // where the panel's PEAK lamp lights
  const PEAK_HOLD_MS = 1500;
  const FETCH_TIMEOUT_MS = 4000;
  const HEARTBEAT_MS = 5000; // a dropped network is noticed by a failed check, not by silence
  const RETRY_FIRST_MS = 500;
  const RETRY_MAX_MS = 5000;

  // The panels' alarm labels, by alarm kind.
  const LABELS = {
    "offline": "OFFLINE",
    "battery-low": "BATT LOW",
    "battery-critical": "BATT 0",
    "rf-loss": "RF LOST",
    "clip": "CLIP",
    "muted": "MUTED",
    "frequency-conflict": "SAME FREQ",
    "battery-forecast": "BATT < END",
  };
  const CRITICAL = new Set(["offline", "battery-critical", "rf-loss", "frequency-conflict"]);
  // Shown first when a receiver has several alarms.
  const ORDER = ["offline", "battery-critical", "rf-loss", "frequency-conflict", "battery-low",
                 "clip", "battery-forecast", "muted"];
  const OVERLAY = {"offline": "OFFLINE", "no-data": "NO DATA", "stopped": "STOPPED",
                   "lost": "NO LINK"};

  // Keyed by station and receiver number: a board fed by several stations may see the same
  // receiver number more than once.
  const receivers = new Map(); // key -> {data, at (ms, when received)}
  const tiles = new Map();     // key -> tile
  // A board fed by a broker: each station's status ("online", "offline") and its header.
  const stations = new Map();  // station -> status
  const heads = new Map();     // station -> header element
  let alarms = {active: [], at: 0};
  let monitoring = null; // unknown until the program says
  let connected = false;
  let lastHeardAt = 0;
  let socket = null;
  let attempt = 0;
  let retryTimer = 0;
  let retryAt = 0;
  let heartbeatTimer = 0;
  let renderQueued = false;

  const board = document.getElementById("board");
  const statusText = document.getElementById("status");
  const notice = document.getElementById("notice");
  const alarmCount = document.getElementById("alarm-count");
  const clock = document.getElementById("clock");
  const template = document.getElementById("tile-template");

  // ---- the link to the program ----

  function authHeaders() {
    return token ? {"Authorization": "Bearer " + token} : {};
  }

  function fetchJson(path) {
    const abort = new AbortController();
    const timer = setTimeout(() => abort.abort(), FETCH_TIMEOUT_MS);
    return fetch(path, {headers: authHeaders(), cache: "no-store", signal: abort.signal})
      .then((reply) => {
        if (!reply.ok) {
          throw new Error(path + ": HTTP " + reply.status);
        }
        return reply.json();
      })
      .finally(() => clearTimeout(timer));
  }

  function streamUrl() {
    const url = new URL("/api/v1/stream", location.href);
    url.protocol = location.protocol === "https:" ? "wss:" : "ws:";
    url.search = token ? "?token=" + encodeURIComponent(token) : "";
    return url.href;
  }

  function connect() {
    retryTimer = 0;
    Promise.all([fetchJson("/api/v1/receivers"), fetchJson("/api/v1/alarms").catch(() => null)])
      .then(([list, alarmReply]) => {
        applyFull(list);
        if (alarmReply) {
          applyAlarms(alarmReply);
        }
        openStream();
      })
      .catch(linkLost);
  }

  function openStream() {
    const ws = new WebSocket(streamUrl());
    socket = ws;
    ws.onopen = () => {
      if (ws !== socket) {
        return;
      }
      attempt = 0;
      connected = true;
      lastHeardAt = Date.now();
      heartbeatTimer = setInterval(heartbeat, HEARTBEAT_MS);
      queueRender();
    };
    ws.onmessage = (event) => {
      if (ws !== socket) {
        return;
      }
      let message;
      try {
        message = JSON.parse(event.data);
      } catch (e) {
        return; // one unreadable frame is skipped, the next full state or change follows
      }
      lastHeardAt = Date.now();
      applyMessage(message);
      queueRender();
    };
    ws.onclose = () => {
      if (ws === socket) {
        linkLost();
      }
    };
  }

  function heartbeat() {
    fetchJson("/api/v1/alarms").then(applyAlarms).then(queueRender).catch(linkLost);
  }

  function linkLost() {
    if (socket) {
      const ws = socket;
      socket = null;
      ws.onclose = null;
      ws.close();
    }
    clearInterval(heartbeatTimer);
    connected = false;
    queueRender();
    if (!retryTimer) {
      const delay = Math.min(RETRY_FIRST_MS * 2 ** attempt, RETRY_MAX_MS) * (0.8 + 0.4 * Math.random());
      attempt += 1;
      retryAt = Date.now() + delay;
      retryTimer = setTimeout(connect, delay);
    }
  }

  // ---- what the program sends ----

  function keyOf(data) {
    return (data.station || "") + "#" + data.receiver;
  }

  function setReceiver(data) {
    if (data && typeof data.receiver === "number") {
      receivers.set(keyOf(data), {data: data, at: performance.now()});
    }
  }

  function applyFull(reply) {
    let list = reply;
    if (!Array.isArray(reply)) {
      if (typeof reply.monitoring === "boolean") {
        monitoring = reply.monitoring;
      }
      list = reply.receivers || [];
    }
    receivers.clear();
    list.forEach(setReceiver);
  }

  function applyMessage(message) {
    if (Array.isArray(message)) {
      applyFull(message);
      return;
    }
    if (typeof message.monitoring === "boolean") {
      monitoring = message.monitoring;
    }
    const list = message.receivers || message.changes;
    if (Array.isArray(list)) {
      if (message.type === "full" || message.type === "state" || message.full === true) {
        receivers.clear();
      }
      list.forEach(setReceiver);
    }
    if (Array.isArray(message.removed)) {
      message.removed.forEach((r) => receivers.delete(typeof r === "number" ? keyOf({receiver: r}) : keyOf(r)));
    }
    if (message.alarms && typeof message.alarms === "object") {
      applyAlarms(message.alarms);
    }
    if (Array.isArray(message.stations)) {
      stations.clear();
      message.stations.forEach((s) => stations.set(s.station, s.status || ""));
    }
  }

  function stationHead(station) {
    let head = heads.get(station);
    if (!head) {
      head = document.createElement("h2");
      head.className = "station-head";
      head.dataset.station = station;
      head.appendChild(document.createElement("span")).className = "station-name";
      head.appendChild(document.createElement("span")).className = "station-status";
      heads.set(station, head);
    }
    const status = stations.get(station) || "";
    setText(head.firstChild, station);
    setText(head.lastChild, status === "offline" ? "OFFLINE" : "");
    head.classList.toggle("offline", status === "offline");
    return head;
  }

  function applyAlarms(reply) {
    const active = Array.isArray(reply) ? reply : (reply && reply.active) || [];
    alarms = {active: active, at: Date.now()};
  }

  // ---- drawing ----

  function queueRender() {
    if (!renderQueued) {
      renderQueued = true;
      requestAnimationFrame(render);
    }
  }

  function clamp01(x) {
    return Math.max(0, Math.min(1, x));
  }

  function ageText(ms) {
    if (!(ms >= 0)) {
      return "";
    }
    const s = Math.floor(ms / 1000);
    if (s < 60) {
      return s + " s";
    }
    if (s < 3600) {
      return Math.floor(s / 60) + " min";
    }
    return Math.floor(s / 3600) + " h";
  }

  function numberText(value, unit) {
    return typeof value === "number" ? Math.round(value) + " " + unit : "\u2014";
  }

  function colourText(colour) {
    if (typeof colour === "number") {
      return "#" + (colour & 0xffffff).toString(16).padStart(6, "0");
    }
    return typeof colour === "string" && /^#?[0-9a-fA-F]{6}$/.test(colour)
      ? (colour[0] === "#" ? colour : "#" + colour) : "";
  }

  function antennaText(antenna) {
    if (antenna === 0 || antenna === "0") {
      return "A";
    }
    if (antenna === 1 || antenna === "1") {
      return "B";
    }
    return typeof antenna === "string" && antenna ? antenna.toUpperCase() : "\u2013";
  }

  function makeTile(data) {
    const number = data.receiver;
    const el = template.content.firstElementChild.cloneNode(true);
    el.dataset.receiver = String(number);
    el.tabIndex = 0; // opens the last ten minutes, by click, tap, Enter or Space
    el.classList.add("clickable");
    if (data.station) {
      el.dataset.station = data.station;
    }
    const q = (selector) => el.querySelector(selector);
    const tile = {
      el: el,
      swatch: q(".swatch"), num: q(".num"), name: q(".name"), freq: q(".freq"), cue: q(".cue"),
      rfA: q(".rf-a .fill"), rfB: q(".rf-b .fill"), af: q(".af .fill"), afMeter: q(".meter.af"),
      peak: q(".peak"), rfAValue: q(".rf-a-value"), rfBValue: q(".rf-b-value"),
      afValue: q(".af-value"), battery: q(".battery"), cells: el.querySelectorAll(".cells i"),
      batteryText: q(".battery-text"), antenna: q(".antenna"), comment: q(".comment"),
      overlayText: q(".overlay-text"), overlayAge: q(".overlay-age"),
      peakDb: null, peakAt: 0,
    };
    tile.num.textContent = (data.station ? data.station + " " : "") + String(number).padStart(2, "0");
    return tile;
  }

  function setText(node, text) {
    if (node.textContent !== text) {
      node.textContent = text;
    }
  }

  // The cue: the label the program's panel shows when the program sends it, otherwise the
  // label of the most serious active alarm kind.
  function cueOf(data) {
    if (data.label && typeof data.label === "object") {
      return {
        text: data.label.text || "",
        border: !!data.label.border,
        flash: !!data.label.flash,
        critical: data.label.severity === "critical",
      };
    }
    const kinds = (Array.isArray(data.alarms) ? data.alarms : [])
      .map((a) => (typeof a === "string" ? a : a && a.kind))
      .filter((k) => k in LABELS)
      .sort((a, b) => ORDER.indexOf(a) - ORDER.indexOf(b));
    if (!kinds.length) {
      return {text: "", border: false, flash: false, critical: false};
    }
    const kind = kinds[0];
    const open = alarms.active.filter((a) => a.receiver === data.receiver && a.kind === kind &&
                                             (a.station || "") === (data.station || ""));
    const acknowledged = open.length > 0 && open.every((a) => a.acknowledged || a.ack || a.ack_time);
    const flapping = open.some((a) => a.flapping);
    return {
      text: flapping ? "FLAPPING" : kind === "offline" && data.state === "no-data" ? "NO DATA" : LABELS[kind],
      border: true,
      flash: !acknowledged,
      critical: CRITICAL.has(kind),
    };
  }

  function drawTile(tile, entry, now) {
    const data = entry.data;
    const live = connected && data.state === "live";
    const look = connected ? data.state || "no-data" : "lost";
    const el = tile.el;
    el.dataset.state = look;

    setText(tile.name, data.name || "");
    tile.name.title = data.name || "";
    setText(tile.freq, data.frequency || "\u2014");
    tile.swatch.style.background = colourText(data.colour);
    const comment = (data.comment || "").split(/\r?\n/).filter(Boolean).join(" \u00b7 ");
    setText(tile.comment, comment);
    tile.comment.title = comment;

    const cue = connected ? cueOf(data) : {text: "", border: false, flash: false, critical: false};
    setText(tile.cue, cue.text);
    el.classList.toggle("has-cue", cue.text !== "");
    el.classList.toggle("alarm", cue.border);
    el.classList.toggle("flash", cue.border && cue.flash);
    el.classList.toggle("critical", cue.critical);
    el.classList.toggle("info", cue.text !== "" && !cue.border);

    const rfA = live ? data.rf_a_dbm : null;
    const rfB = live ? data.rf_b_dbm : null;
    const af = live ? data.af_db : null;
    tile.rfA.style.width = (typeof rfA === "number" ? clamp01((rfA - RF_MIN_DBM) / (RF_MAX_DBM - RF_MIN_DBM)) * 100 : 0) + "%";
    tile.rfB.style.width = (typeof rfB === "number" ? clamp01((rfB - RF_MIN_DBM) / (RF_MAX_DBM - RF_MIN_DBM)) * 100 : 0) + "%";
    setText(tile.rfAValue, live ? numberText(rfA, "dBm") : "");
    setText(tile.rfBValue, live ? numberText(rfB, "dBm") : "");

    if (typeof af === "number") {
      if (tile.peakDb === null || af >= tile.peakDb || now - tile.peakAt > PEAK_HOLD_MS) {
        tile.peakDb = af;
        tile.peakAt = now;
      }
    } else {
      tile.peakDb = null;
    }
    tile.af.style.width = (typeof af === "number" ? clamp01((af - AF_MIN_DB) / (AF_MAX_DB - AF_MIN_DB)) * 100 : 0) + "%";
    tile.afMeter.classList.toggle("hot", typeof af === "number" && af >= AF_PEAK_DB);
    tile.peak.classList.toggle("shown", tile.peakDb !== null);
    if (tile.peakDb !== null) {
      tile.peak.style.left = clamp01((tile.peakDb - AF_MIN_DB) / (AF_MAX_DB - AF_MIN_DB)) * 100 + "%";
    }
    setText(tile.afValue, live ? numberText(af, "dB") : "");
    tile.afValue.title = tile.peakDb !== null ? "Peak " + Math.round(tile.peakDb) + " dB" : "";

    // The battery: live, or the last known level marked as old.
    const last = data.last && typeof data.last === "object" ? data.last : null;
    const level = live ? data.battery : connected && last ? last.battery : null;
    const known = typeof level === "number" && level >= 0;
    tile.cells.forEach((cell, i) => cell.classList.toggle("on", known && i < level));
    tile.battery.classList.toggle("old", !live);
    tile.battery.classList.toggle("low", known && level <= 1);
    setText(tile.batteryText, known ? level + "/4" + (live ? "" : " ?") : "?");

    setText(tile.antenna, live ? antennaText(data.antenna) : "\u2013");
    el.classList.toggle("muted", live && (data.mute === true || data.mute === 1));

    el.classList.toggle("stale", !live);
    if (!live) {
      setText(tile.overlayText, OVERLAY[look] || look.toUpperCase());
      let age = null;
      if (look === "lost") {
        age = lastHeardAt ? Date.now() - lastHeardAt : null;
      } else if (typeof data.age_ms === "number") {
        age = data.age_ms + (now - entry.at);
      }
      setText(tile.overlayAge, age === null ? "" : ageText(age));
    }
  }

  function drawBar(list) {
    const stopped = monitoring === false ||
      (list.length > 0 && list.every((entry) => entry.data.state === "stopped"));
    let text;
    let cls = "";
    if (connected) {
      text = stopped ? "Monitoring stopped" : "Live";
      cls = stopped ? "" : "live";
    } else if (retryTimer) {
      const wait = Math.max(0, Math.ceil((retryAt - Date.now()) / 1000));
      text = "Connection lost" + (wait > 0 ? " \u2014 retrying in " + wait + " s" : " \u2014 retrying");
      cls = "lost";
    } else {
      text = lastHeardAt ? "Connection lost \u2014 retrying" : "Connecting\u2026";
      cls = lastHeardAt ? "lost" : "";
    }
    setText(statusText, text);
    statusText.className = "status " + cls;

    let noticeText = "";
    if (!connected && lastHeardAt) {
      noticeText = "Connection lost: the values below are not live.";
    } else if (connected && stopped) {
      noticeText = "Monitoring stopped";
    } else if (connected && list.length === 0) {
      noticeText = "No receivers in use";
    }
    setText(notice, noticeText);
    notice.hidden = noticeText === "";
    notice.classList.toggle("lost", !connected);

    const alarmed = connected ? list.filter((entry) => cueOf(entry.data).border).length : 0;
    alarmCount.hidden = alarmed === 0;
    setText(alarmCount, alarmed === 1 ? "1 receiver in alarm" : alarmed + " receivers in alarm");
  }

  function render() {
    renderQueued = false;
    const now = performance.now();
    const list = Array.from(receivers.values()).sort((a, b) =>
      (a.data.station || "").localeCompare(b.data.station || "") || a.data.receiver - b.data.receiver);
    drawBar(list);

    const wanted = new Set(list.map((entry) => keyOf(entry.data)));
    for (const [key, tile] of tiles) {
      if (!wanted.has(key)) {
        tile.el.remove();
        tiles.delete(key);
      }
    }
    const named = new Set(list.map((entry) => entry.data.station).filter((s) => s));
    for (const [station, head] of heads) {
      if (!named.has(station)) {
        head.remove();
        heads.delete(station);
      }
    }
    let previous = null;
    let station = null;
    for (const entry of list) {
      // Tiles grouped by station, each group under its station's header.
      if (entry.data.station && entry.data.station !== station) {
        station = entry.data.station;
        const head = stationHead(station);
        const at = previous ? previous.nextSibling : board.firstChild;
        if (at !== head) {
          board.insertBefore(head, at);
        }
        previous = head;
      }
      const key = keyOf(entry.data);
      let tile = tiles.get(key);
      if (!tile) {
        tile = makeTile(entry.data);
        tiles.set(key, tile);
      }
      drawTile(tile, entry, now);
      const place = previous ? previous.nextSibling : board.firstChild;
      if (place !== tile.el) {
        board.insertBefore(tile.el, place);
      }
      previous = tile.el;
    }
  }

  function tick() {
    setText(clock, new Date().toLocaleTimeString([], {hour12: false}));
    queueRender(); // ages, peak hold and the retry count-down move on without new data
  }

  // Alarm borders flash at 1 Hz, all in step, lit in the first half of every second.
  function flash() {
    document.body.classList.toggle("flash-off", Date.now() % 1000 >= 500);
  }

  // ---- a receiver's last ten minutes ----
  // A tile opens /api/v1/history/N as a plot: RF A and B as min–max bands (A solid, B dashed),
  // the highest AF, the battery as steps; seconds without live values are hatched and named.

  const PLOT_SECONDS = 600;
  const PLOT_REFRESH_MS = 3000;
  const PLOT_INK = {rfA: "#4fa3ff", rfB: "#ffb020", af: "#5fd07a", battery: "#e8ebf0",
                    grid: "#2c323c", text: "#8a93a3", gap: "rgba(255, 77, 77, 0.55)"};
  const GAP_NAMES = {"offline": "OFFLINE", "no-data": "NO DATA"};
  let plot = null; // {receiver, station, el, canvas, title, message, timer, rows, now, returnTo}

  function plotElements() {
    const el = document.createElement("div");
    el.className = "plot-backdrop";
    el.innerHTML =
      '<section class="plot" role="dialog" aria-modal="true" aria-labelledby="plot-title">' +
      '<header class="plot-head"><h2 id="plot-title" class="plot-title"></h2>' +
      '<button type="button" class="plot-close" aria-label="Close">\u2715 Close</button></header>' +
      '<canvas class="plot-canvas" role="img"></canvas>' +
      '<p class="plot-message" role="status"></p>' +
      '<p class="plot-legend"><span class="key rf-a">RF A</span> <span class="key rf-b">RF B</span> ' +
      '(bands: lowest to highest in each second) <span class="key af">AF max</span> ' +
      '<span class="key battery">Battery</span> <span class="key gap">hatched: offline or no data</span></p>' +
      "</section>";
    el.addEventListener("click", (event) => {
      if (event.target === el || event.target.closest(".plot-close")) {
        closePlot();
      }
    });
    return el;
  }

  function openPlot(data) {
    closePlot();
    const el = plotElements();
    document.body.appendChild(el);
    plot = {receiver: data.receiver, station: data.station || "", el: el,
            canvas: el.querySelector("canvas"), title: el.querySelector(".plot-title"),
            message: el.querySelector(".plot-message"), timer: 0, rows: null, now: 0,
            returnTo: document.activeElement};
    const name = (data.station ? data.station + " " : "") + String(data.receiver).padStart(2, "0") +
                 (data.name ? " " + data.name : "");
    plot.title.textContent = name + " \u2014 last 10 minutes";
    el.querySelector(".plot-close").focus();
    fetchPlot();
    plot.timer = setInterval(fetchPlot, PLOT_REFRESH_MS);
  }

  function closePlot() {
    if (!plot) {
      return;
    }
    clearInterval(plot.timer);
    plot.el.remove();
    const back = plot.returnTo;
    plot = null;
    if (back && back.focus) {
      back.focus();
    }
  }

  function fetchPlot() {
    const open = plot;
    if (open.station) {
      open.message.textContent = "This board keeps no history of other stations' receivers.";
      drawPlot();
      return;
    }
    fetchJson("/api/v1/history/" + open.receiver)
      .then((reply) => {
        if (plot !== open) {
          return;
        }
        open.rows = Array.isArray(reply.seconds) ? reply.seconds : [];
        open.now = typeof reply.now === "number" ? reply.now : 0;
        open.message.textContent = open.rows.length ? "" : "Nothing recorded yet.";
        drawPlot();
      })
      .catch(() => {
        if (plot === open) {
          open.message.textContent = "The history cannot be read now; retrying.";
        }
      });
  }

  // Runs of consecutive seconds of one kind: [{from, to, value}], `to` exclusive.
  function runs(rows, kindOf) {
    const out = [];
    for (const row of rows) {
      const value = kindOf(row);
      const last = out[out.length - 1];
      if (last && last.value === value && last.to === row.time) {
        last.to = row.time + 1;
      } else {
        out.push({from: row.time, to: row.time + 1, value: value});
      }
    }
    return out;
  }

  function drawPlot() {
    const canvas = plot.canvas;
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(240, canvas.clientWidth);
    const height = Math.max(200, canvas.clientHeight);
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
    const g = canvas.getContext("2d");
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    g.clearRect(0, 0, width, height);
    g.font = "11px " + getComputedStyle(document.body).fontFamily;

    const rows = plot.rows || [];
    const now = plot.now || (rows.length ? rows[rows.length - 1].time + 1 : 0);
    const left = 44;
    const right = width - 8;
    const top = 6;
    const axis = height - 22;
    const x = (t) => left + (right - left) * (1 - (now - t) / PLOT_SECONDS);
    // Three strips one above the other: RF, AF, battery.
    const span = axis - top;
    const strips = [
      {name: "RF dBm", y0: top, y1: top + span * 0.5, lo: RF_MIN_DBM, hi: RF_MAX_DBM, ticks: [-100, -70, -40]},
      {name: "AF dB", y0: top + span * 0.5 + 10, y1: top + span * 0.78, lo: AF_MIN_DB, hi: AF_MAX_DB, ticks: [-40, -10, 20]},
      {name: "Batt", y0: top + span * 0.78 + 10, y1: axis, lo: 0, hi: 4, ticks: [0, 2, 4]},
    ];
    const yOf = (strip, v) => strip.y1 - (strip.y1 - strip.y0) * clamp01((v - strip.lo) / (strip.hi - strip.lo));

    // Grid, scales and names.
    g.lineWidth = 1;
    g.textBaseline = "middle";
    for (const strip of strips) {
      g.strokeStyle = PLOT_INK.grid;
      g.strokeRect(left + 0.5, strip.y0 + 0.5, right - left, strip.y1 - strip.y0);
      g.fillStyle = PLOT_INK.text;
      g.textAlign = "right";
      for (const tick of strip.ticks) {
        const y = yOf(strip, tick);
        // The ends of a scale stay inside their strip, clear of the next strip's.
        g.textBaseline = tick === strip.hi ? "top" : tick === strip.lo ? "bottom" : "middle";
        g.fillText(String(tick), left - 4, y);
        g.beginPath();
        g.moveTo(left, Math.round(y) + 0.5);
        g.lineTo(right, Math.round(y) + 0.5);
        g.stroke();
      }
      g.textAlign = "left";
      g.textBaseline = "middle";
      g.fillText(strip.name, left + 4, strip.y0 + 8);
    }
    // The time axis, in minutes ago.
    g.textAlign = "center";
    g.textBaseline = "top";
    for (let minutes = 10; minutes >= 0; minutes -= 2) {
      const px = x(now - minutes * 60);
      g.strokeStyle = PLOT_INK.grid;
      g.beginPath();
      g.moveTo(Math.round(px) + 0.5, top);
      g.lineTo(Math.round(px) + 0.5, axis + 3);
      g.stroke();
      g.fillStyle = PLOT_INK.text;
      g.fillText(minutes === 0 ? "now" : minutes === 10 ? "10 min ago" : String(minutes), px, axis + 5);
    }

    // Seconds that were not live: hatched over every strip, named where there is room.
    const gaps = runs(rows, (row) => row.state).filter((run) => run.value !== "live");
    g.save();
    g.beginPath();
    g.rect(left, top, right - left, axis - top);
    g.clip();
    for (const gap of gaps) {
      const x0 = x(gap.from);
      const x1 = Math.max(x0 + 2, x(gap.to));
      g.fillStyle = "rgba(255, 77, 77, 0.12)";
      g.fillRect(x0, top, x1 - x0, axis - top);
      g.strokeStyle = PLOT_INK.gap;
      g.save();
      g.beginPath();
      g.rect(x0, top, x1 - x0, axis - top);
      g.clip();
      g.beginPath();
      for (let d = x0 - (axis - top); d < x1; d += 7) {
        g.moveTo(d, axis);
        g.lineTo(d + (axis - top), top);
      }
      g.stroke();
      g.restore();
      const label = GAP_NAMES[gap.value] || gap.value.toUpperCase();
      if (g.measureText(label).width + 6 < x1 - x0) {
        g.fillStyle = "#ffffff";
        g.textAlign = "center";
        g.textBaseline = "middle";
        g.fillText(label, (x0 + x1) / 2, strips[0].y0 + 12);
      }
    }
    g.restore();

    // A min–max band and its outline for one antenna; breaks where a second has no value.
    const step = (right - left) / PLOT_SECONDS;
    const rf = strips[0];
    const band = (minKey, maxKey, ink, dash) => {
      g.fillStyle = ink + "55";
      for (const row of rows) {
        if (typeof row[minKey] === "number" && typeof row[maxKey] === "number") {
          const y0 = yOf(rf, row[maxKey]);
          const y1 = yOf(rf, row[minKey]);
          g.fillRect(x(row.time), y0, Math.max(step, 1), Math.max(1.5, y1 - y0));
        }
      }
      line(rf, maxKey, ink, dash);
    };
    const line = (strip, key, ink, dash, stepped) => {
      g.strokeStyle = ink;
      g.lineWidth = 1.5;
      g.setLineDash(dash);
      g.beginPath();
      let last = null;
      for (const row of rows) {
        const v = row[key];
        if (typeof v !== "number") {
          last = null;
          continue;
        }
        const px = x(row.time);
        const py = yOf(strip, v);
        if (last === null || last.time !== row.time - 1) {
          g.moveTo(px, py);
        } else if (stepped) {
          g.lineTo(px, last.y);
          g.lineTo(px, py);
        } else {
          g.lineTo(px, py);
        }
        g.lineTo(px + step, py);
        last = {time: row.time, y: py};
      }
      g.stroke();
      g.setLineDash([]);
    };
    band("rf_a_min_dbm", "rf_a_max_dbm", PLOT_INK.rfA, []);
    band("rf_b_min_dbm", "rf_b_max_dbm", PLOT_INK.rfB, [5, 3]);
    line(strips[1], "af_max_db", PLOT_INK.af, []);
    line(strips[2], "battery", PLOT_INK.battery, [], true);

    canvas.setAttribute("aria-label", "Plot of the last ten minutes: " + rows.length + " seconds, " +
                        gaps.length + " stretches offline or without data");
    canvas.dataset.drawnRows = String(rows.length);
  }

  board.addEventListener("click", (event) => {
    const el = event.target.closest(".tile");
    const entry = el && receivers.get((el.dataset.station || "") + "#" + el.dataset.receiver);
    if (entry) {
      openPlot(entry.data);
    }
  });
  board.addEventListener("keydown", (event) => {
    if ((event.key === "Enter" || event.key === " ") && event.target.classList.contains("tile")) {
      event.preventDefault();
      event.target.click();
    }
  });
  document.addEventListener("keydown", (event) => {
    if (event.key === "Escape" && plot) {
      closePlot();
    }
  });
  window.addEventListener("resize", () => {
    if (plot && plot.rows) {
      drawPlot();
    }
  });

  tick();
  setInterval(tick, 1000);
  setInterval(flash, 50);
  connect();
})();
