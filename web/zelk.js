// The page script of the browser edition. It builds the page around one
// program (start screen, window frame, message boxes, the end of the run),
// loads the program, its theme and its data files, and is the `zelkPage`
// object through which the program's web backend reaches the browser: clock,
// canvas, input, dialog, sound and files. With ?virtual the program runs on
// the virtual clock and the page reports the pictures asked for
// (&at=MS,MS,… or &frames=N) in window.zelkReport; with ?trace the program
// writes its ZELK_TRACE lines, which ZelkPage.trace() returns.
"use strict";

var ZelkPage = (function () {
  const WIDTH = 640, HEIGHT = 480;
  const params = new URLSearchParams(location.search);
  const virtualMode = params.has("virtual");
  const TRACE_FILE = "/zelk-trace.jsonl";
  // The files a program reads in its first second are there before it
  // starts; the others arrive while it runs, each this long before the
  // moment of the cycle at which it is first read.
  const FIRST_MS = 1000, AHEAD_MS = 15000;
  const $ = (id) => document.getElementById(id);

  let title = "";
  let ready = false;
  let running = false;
  let context2d = null;
  let picture = null;
  const events = [];
  let waker = null;
  const channel = new MessageChannel();

  // What the tests and the benchmark read: besides the pictures, when the
  // start was clicked and the first picture that is not all black was shown
  // (performance.now()), and the files the program had to wait for.
  const report = { shots: [], done: false, exitCode: null, framesShown: 0, startedAt: null,
                   firstPictureAt: null, waitedFor: [] };

  function push(kind, a, b) {
    events.push([kind, a || 0, b || 0]);
    if (waker) waker();
  }

  // ---- The window ----

  // The window's frame around the picture (border, padding, caption) and
  // what the page keeps around it, in CSS pixels.
  const FRAME_W = 8, FRAME_H = 27, MARGIN = 8, BELOW = 32;

  // The picture's size in device pixels: ?scale=N times, or in full screen
  // the largest that fits, or else the largest whole multiple that fits when
  // twice does, and the largest size that fits otherwise.
  function pictureScale() {
    const dpr = window.devicePixelRatio || 1;
    const full = document.fullscreenElement === $("window");
    const width = document.documentElement.clientWidth;
    const room = full
      ? Math.min(innerWidth * dpr / WIDTH, innerHeight * dpr / HEIGHT)
      : Math.min((width - FRAME_W - 2 * MARGIN) * dpr / WIDTH,
                 (innerHeight - FRAME_H - BELOW - 2 * MARGIN) * dpr / HEIGHT);
    const asked = parseInt(params.get("scale"), 10);
    if (asked >= 1 && asked <= 8 && !full) return asked;
    return !full && room >= 2 ? Math.floor(room) : Math.max(room, 0.25);
  }

  function fit() {
    const canvas = $("screen");
    const dpr = window.devicePixelRatio || 1;
    const k = pictureScale();
    canvas.style.width = (Math.floor(WIDTH * k) / dpr) + "px";
    canvas.style.height = (Math.floor(HEIGHT * k) / dpr) + "px";
    fitDialog();
  }

  // A message box grows with the picture, never below its own size unless
  // the view is narrower than the box, and stays inside the view.
  function fitDialog() {
    const box = dialog.node;
    if (!box) return;
    const picture = $("screen").getBoundingClientRect().width / WIDTH;
    const room = Math.min((document.documentElement.clientWidth - 2 * MARGIN) / box.offsetWidth,
                          (innerHeight - 2 * MARGIN) / box.offsetHeight);
    box.style.transform = `scale(${Math.min(Math.max(picture, 1), room)})`;
  }

  function toggleFullScreen() {
    const win = $("window");
    if (document.fullscreenElement) {
      document.exitFullscreen();
    } else if (win.requestFullscreen) {
      win.requestFullscreen().catch(() => {});
    }
  }

  function clientPoint(e) {
    const canvas = $("screen");
    const x = Math.floor(e.offsetX * WIDTH / canvas.clientWidth);
    const y = Math.floor(e.offsetY * HEIGHT / canvas.clientHeight);
    return [Math.min(WIDTH - 1, Math.max(0, x)), Math.min(HEIGHT - 1, Math.max(0, y))];
  }

  function wireWindow() {
    const canvas = $("screen");
    context2d = canvas.getContext("2d", { alpha: false });
    picture = context2d.createImageData(WIDTH, HEIGHT);
    $("close").addEventListener("click", () => { if (running) push(1); });
    const full = $("full-screen");
    full.addEventListener("click", toggleFullScreen);
    full.hidden = !document.fullscreenEnabled;
    document.addEventListener("fullscreenchange", fit);
    // Pointer events: a finger on a touch screen is the mouse's left button.
    canvas.addEventListener("pointermove", (e) => push(2, ...clientPoint(e)));
    canvas.addEventListener("pointerdown", (e) => {
      if (e.button === 0 || e.button === 2) push(e.button === 0 ? 3 : 5, ...clientPoint(e));
    });
    canvas.addEventListener("pointerup", (e) => {
      if (e.button === 0 || e.button === 2) push(e.button === 0 ? 4 : 6, ...clientPoint(e));
    });
    canvas.addEventListener("contextmenu", (e) => e.preventDefault());
    document.addEventListener("visibilitychange", () => {
      if (document.visibilityState === "visible" && running) push(8);
    });
    window.addEventListener("resize", fit);
    fit();
  }

  // ---- Message boxes ----
  // The program decides what a box shows and how it answers (its buttons,
  // default, keys and clicks, by the rules the desktop box follows); the page
  // draws it and hands it the keys and pointer events.

  const ICONS = [
    "",
    '<circle cx="16" cy="16" r="14" fill="#e00000" stroke="#800000"/>' +
      '<path d="M10 10l12 12M22 10l-12 12" stroke="#fff" stroke-width="3.5"/>',
    '<path d="M16 2a14 12 0 1 1-6 22.8L4 30l3-7.5A14 12 0 0 1 16 2z" fill="#fff" stroke="#000"/>' +
      '<text x="16" y="21" text-anchor="middle" font-family="serif" font-weight="bold" ' +
      'font-size="17" fill="#0000c0">?</text>',
    '<path d="M16 2L31 29H1z" fill="#ffe000" stroke="#000"/>' +
      '<rect x="14.5" y="10" width="3" height="11" fill="#000"/>' +
      '<rect x="14.5" y="23" width="3" height="3" fill="#000"/>',
    '<path d="M16 2a14 12 0 1 1-6 22.8L4 30l3-7.5A14 12 0 0 1 16 2z" fill="#fff" stroke="#000"/>' +
      '<text x="16" y="21" text-anchor="middle" font-family="serif" font-weight="bold" ' +
      'font-size="17" fill="#0000c0">i</text>',
  ];
  // The keys the box knows, in the program's order.
  const KEYS = { Enter: 0, Escape: 1, Tab: 2, BackTab: 3, ArrowLeft: 4, ArrowRight: 5,
                 ArrowUp: 6, ArrowDown: 7, SpaceDown: 8, SpaceUp: 9 };
  const NOTHING = -1, CLOSE_CONTROL = -2;

  const dialog = { node: null, buttons: [], events: [], listeners: [] };

  function dialogPush(kind, value) {
    dialog.events.push([kind, value]);
    if (waker) waker();
  }

  // What is under the pointer (a finger's events all go to where it went down).
  function targetOf(e) {
    const element = document.elementFromPoint(e.clientX, e.clientY);
    if (!dialog.node || !element) return NOTHING;
    if (element.closest && element.closest(".caption-close")) return CLOSE_CONTROL;
    const button = element.closest && element.closest(".box-buttons button");
    return button ? dialog.buttons.indexOf(button) : NOTHING;
  }

  function listen(target, type, handler) {
    target.addEventListener(type, handler, true);
    dialog.listeners.push([target, type, handler]);
  }

  function openDialog(caption, text, icon, labels, closeEnabled, focus) {
    const layer = $("modal-layer");
    const box = document.createElement("div");
    box.className = "box";
    box.setAttribute("role", "alertdialog");
    box.setAttribute("aria-modal", "true");
    const bar = document.createElement("div");
    bar.className = "caption";
    const captionText = document.createElement("span");
    captionText.className = "caption-text";
    captionText.textContent = caption;
    const close = document.createElement("button");
    close.className = "caption-button caption-close";
    close.type = "button";
    close.textContent = "×";
    close.tabIndex = -1;
    close.disabled = !closeEnabled;
    bar.append(captionText, close);
    const body = document.createElement("div");
    body.className = "box-body";
    if (ICONS[icon]) {
      const svg = document.createElementNS("http://www.w3.org/2000/svg", "svg");
      svg.setAttribute("class", "box-icon");
      svg.setAttribute("viewBox", "0 0 32 32");
      svg.innerHTML = ICONS[icon];
      body.append(svg);
    }
    const p = document.createElement("p");
    p.className = "box-text";
    p.textContent = text;
    body.append(p);
    const row = document.createElement("div");
    row.className = "box-buttons";
    dialog.buttons = labels.split("\n").map((label) => {
      const b = document.createElement("button");
      b.type = "button";
      b.tabIndex = -1;
      b.textContent = label;
      row.append(b);
      return b;
    });
    box.append(bar, body, row);
    layer.replaceChildren(box);
    layer.hidden = false;
    dialog.node = box;
    dialog.events = [];
    dialogState(focus, NOTHING);
    listen(document, "keydown", (e) => {
      const key = e.key === " " ? (e.repeat ? null : "SpaceDown")
                : e.key === "Tab" && e.shiftKey ? "BackTab" : e.key;
      if (key in KEYS) dialogPush(1, KEYS[key]);
      e.preventDefault();
    });
    listen(document, "keyup", (e) => {
      if (e.key === " ") dialogPush(1, KEYS.SpaceUp);
      e.preventDefault();
    });
    listen(document, "pointerdown", (e) => {
      if (e.button === 0) dialogPush(2, targetOf(e));
      e.preventDefault();
    });
    listen(document, "pointermove", (e) => dialogPush(3, targetOf(e)));
    listen(document, "pointerup", (e) => {
      if (e.button === 0) dialogPush(4, targetOf(e));
    });
    fitDialog();
  }

  // Which button has the focus (drawn as the default) and which is held down.
  function dialogState(focus, pushed) {
    dialog.buttons.forEach((b, i) => {
      b.classList.toggle("default", i === focus);
      b.classList.toggle("pushed", i === pushed);
    });
    if (dialog.node && dialog.buttons[focus] && document.activeElement !== dialog.buttons[focus]) {
      dialog.buttons[focus].focus();
    }
  }

  function closeDialog() {
    for (const [target, type, handler] of dialog.listeners) {
      target.removeEventListener(type, handler, true);
    }
    dialog.listeners = [];
    dialog.node = null;
    dialog.buttons = [];
    dialog.events = [];
    $("modal-layer").replaceChildren();
    $("modal-layer").hidden = true;
  }

  // ---- Sound ----

  const sound = {
    context: null,
    output: null,  // an analyser in front of the speakers, so the level can be read
    voices: new Map(),
    next: 1,
    log: [],
    theme: null,  // the theme decoded: its path, buffer and the wave file's length

    // Decodes the web encoding of the wave file at `path` (Opus) at the
    // wave's own rate.
    async decodeTheme(entry) {
      const response = await fetch(entry.url);
      if (!response.ok) throw new Error(`${entry.url}: ${response.status}`);
      const bytes = await response.arrayBuffer();
      const decoder = new OfflineAudioContext(entry.channels, 1, entry.rate);
      const buffer = await decoder.decodeAudioData(bytes);
      this.theme = { path: programPath(entry.path), buffer, frames: entry.frames, rate: entry.rate };
    },
    // The theme's length as the wave file has it, when `path` names it.
    encoded(path) {
      const entry = table.theme;
      if (!entry || programPath(path) !== programPath(entry.path)) return null;
      if (!virtualMode && !this.theme) return null;
      return { frames: entry.frames, rate: entry.rate };
    },
    createEncoded(path) {
      if (!this.context || !this.encoded(path) || !this.theme) return -1;
      const id = this.next++;
      this.voices.set(id, { buffer: this.theme.buffer, source: null, play: 0, from: 0, end: 0,
                            startedAt: 0, position: 0 });
      return id;
    },

    start() {
      if (this.context) { this.context.resume(); return; }
      const Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) return;
      this.context = new Context();
      this.output = this.context.createAnalyser();
      this.output.fftSize = 2048;
      this.output.connect(this.context.destination);
      this.context.resume();
    },
    create(channels, frames, rate) {
      if (!this.context) return -1;
      let buffer;
      try {
        buffer = new AudioBuffer({ numberOfChannels: channels, length: frames, sampleRate: rate });
      } catch (e) {
        return -1;
      }
      const id = this.next++;
      this.voices.set(id, { buffer, source: null, play: 0, from: 0, end: 0, startedAt: 0, position: 0 });
      return id;
    },
    fill(id, channel, offset, samples) {
      this.voices.get(id).buffer.copyToChannel(samples, channel, offset);
    },
    play(id, from, to) {
      const v = this.voices.get(id);
      this.stop(id);
      const source = this.context.createBufferSource();
      source.buffer = v.buffer;
      source.connect(this.output);
      const play = ++v.play;
      source.onended = () => {
        if (v.source !== source) return;  // stopped, not played out
        v.source = null;
        v.position = v.end;
        this.log.push({ event: "end", voice: id, play, at: performance.now() });
        push(7, id, play);
      };
      v.source = source;
      v.from = from;
      v.end = to;
      v.startedAt = this.context.currentTime;
      source.start(0, from, Math.max(0, to - from));
      this.log.push({ event: "play", voice: id, play, from, to, at: performance.now() });
      return play;
    },
    position(id) {
      const v = this.voices.get(id);
      if (!v.source) return v.position;
      return Math.min(v.end, v.from + this.context.currentTime - v.startedAt);
    },
    stop(id) {
      const v = this.voices.get(id);
      if (v.source) {
        v.position = this.position(id);
        const source = v.source;
        v.source = null;
        source.stop();
        source.disconnect();
      }
      return v.position;
    },
    playing(id) { return !!this.voices.get(id).source; },
    release(id) {
      if (!this.voices.has(id)) return;
      this.stop(id);
      this.voices.delete(id);
    },
    // Loudness of what sounds now (root mean square of the last samples).
    level() {
      if (!this.output) return 0;
      const data = new Float32Array(this.output.fftSize);
      this.output.getFloatTimeDomainData(data);
      let sum = 0;
      for (const x of data) sum += x * x;
      return Math.sqrt(sum / data.length);
    },
  };

  // ---- The data files ----
  // Each file of the page's table is fetched compressed, unpacked and written
  // into the program's file system: the first ones before the start, the
  // others one after another while the program runs, ahead of the moment of
  // the cycle at which it first reads them. A file the program asks for
  // before it is there is fetched at once, and the program waits for it.

  let table = { files: [], theme: null };
  const programPath = (name) =>
    name.replace(/\\/g, "/").replace(/^\/zelk\//, "").toLowerCase();

  const files = {
    byPath: new Map(),
    runtime: false,  // the program's file system is there
    startedAt: null,
    fetching: false,

    setUp(entries) {
      for (const f of entries) {
        f.arrived = null;
        f.bytes_ = null;
        f.loading = null;
        this.byPath.set(programPath(f.path), f);
      }
    },
    load(f) {
      f.loading ||= (async () => {
        const response = await fetch(f.url);
        if (!response.ok) throw new Error(`${f.url}: ${response.status}`);
        const unpacked = response.body.pipeThrough(new DecompressionStream("gzip"));
        f.bytes_ = new Uint8Array(await new Response(unpacked).arrayBuffer());
        this.store(f);
      })();
      return f.loading;
    },
    store(f) {
      if (!this.runtime || !f.bytes_ || f.arrived !== null) return;
      const path = "/zelk/" + f.path;
      Module.FS.mkdirTree(path.slice(0, path.lastIndexOf("/")));
      Module.FS.writeFile(path, f.bytes_);
      f.bytes_ = null;
      f.arrived = performance.now();
    },
    runtimeReady() {
      this.runtime = true;
      Module.FS.mkdirTree("/zelk");
      for (const f of this.byPath.values()) this.store(f);
    },
    first() {
      return Promise.all([...this.byPath.values()].filter((f) => f.at < FIRST_MS)
                                                  .map((f) => this.load(f)));
    },
    // The next file due, one at a time.
    fetchAhead() {
      if (this.fetching || this.startedAt === null) return;
      const due = virtualMode ? Infinity : performance.now() - this.startedAt + AHEAD_MS;
      const next = [...this.byPath.values()].find((f) => !f.loading && f.at <= due);
      if (!next) return;
      this.fetching = true;
      this.load(next).finally(() => {
        this.fetching = false;
        this.fetchAhead();
      });
    },
    start() {
      if (this.startedAt !== null) return;
      this.startedAt = performance.now();
      this.fetchAhead();
      setInterval(() => this.fetchAhead(), 500);
    },
    ready(name) {
      const f = this.byPath.get(programPath(name));
      return !f || f.arrived !== null;
    },
    async await(name) {
      const f = this.byPath.get(programPath(name));
      if (!f || f.arrived !== null) return;
      report.waitedFor.push({ path: f.path, at: performance.now() });
      try {
        await this.load(f);
      } catch (e) {
        console.warn(`${f.url}: ${e}`);  // the program finds no file and says so
      }
    },
  };

  // ---- The program ----

  function programArguments() {
    const args = params.has("trace") ? ["--trace=" + TRACE_FILE] : [];
    if (!virtualMode) return args;
    args.push("--virtual");
    if (params.get("at")) args.push("--at=" + params.get("at"));
    if (params.get("frames")) args.push("--frames=" + params.get("frames"));
    return args;
  }

  function run() {
    if (!ready || running) return;
    running = true;
    report.done = false;
    report.exitCode = null;
    $("start").hidden = true;
    $("ended").hidden = true;
    if (report.startedAt === null) report.startedAt = performance.now();
    files.start();
    Module.callMain(programArguments());
  }

  function programEnded(code) {
    running = false;
    closeDialog();
    events.length = 0;
    $("window").hidden = true;
    $("ended-text").textContent = "「" + title + "」は終了しました。 / The program has ended.";
    $("ended").hidden = false;
    report.exitCode = code;
    report.done = true;
  }

  function pictureShown() {
    report.framesShown++;
    if (report.firstPictureAt !== null) return;
    const d = picture.data;
    for (let i = 0; i < d.length; i += 4) {
      if (d[i] | d[i + 1] | d[i + 2]) {
        report.firstPictureAt = performance.now();
        return;
      }
    }
  }

  function showStatus(text) {
    const m = /\((\d+)\/(\d+)\)/.exec(text || "");
    if (m) {
      const mb = (n) => (n / 1048576).toFixed(1);
      $("status").textContent = "読み込み中… " + mb(m[1]) + " / " + mb(m[2]) + " MB";
    }
  }

  const page = {
    sleep: (ms) => new Promise((resolve) => setTimeout(resolve, ms)),
    wait(ms) {
      if (events.length || dialog.events.length) return Promise.resolve();
      return new Promise((resolve) => {
        const timer = setTimeout(() => { waker = null; resolve(); }, ms);
        waker = () => { waker = null; clearTimeout(timer); resolve(); };
      });
    },
    yieldTurn: () => new Promise((resolve) => {
      channel.port1.onmessage = () => resolve();
      channel.port2.postMessage(0);
    }),
    screenWidth: () => window.screen.width,
    screenHeight: () => window.screen.height,
    setTitle(text) {
      title = text;
      $("title").textContent = text;
      document.title = text;
    },
    showWindow() {
      $("window").hidden = false;
      fit();
    },
    showPicture(rgba) {
      picture.data.set(rgba);
      context2d.putImageData(picture, 0, 0);
      pictureShown();
    },
    // A page out of sight gets no refreshes: then the picture goes up after
    // a while all the same, so the program does not stop.
    showPictureAtRefresh(rgba) {
      picture.data.set(rgba);
      return new Promise((resolve) => {
        let shown = false;
        const show = () => {
          if (shown) return;
          shown = true;
          context2d.putImageData(picture, 0, 0);
          pictureShown();
          resolve();
        };
        requestAnimationFrame(show);
        setTimeout(show, 100);
      });
    },
    takeEvent: () => events.shift() || null,
    openDialog,
    dialogTakeEvent: () => dialog.events.shift() || null,
    dialogState,
    closeDialog,
    programEnded,
    report(kind, n, rgba) {
      report.shots.push({ kind, n, rgba: rgba.slice() });
    },
    sound,
    files,
  };

  // Opens the page of the program that `pageTable` describes (made by the
  // build): its name, title, theme and files.
  function open(pageTable) {
    table = pageTable;
    const name = table.name;
    title = table.title;
    wireWindow();
    files.setUp(table.files);
    $("start-button").addEventListener("click", () => {
      sound.start();
      run();
    });
    $("again-button").addEventListener("click", () => {
      sound.start();
      run();
    });
    const failed = (what) => (e) => {
      $("status").textContent = "エラー / Error: " + what + ": " + e;
      report.error = String(e);
      throw e;
    };
    const runtime = new Promise((resolve) => {
      window.Module = {
        zelkPage: page,
        canvas: $("screen"),
        print: (text) => console.log(text),
        printErr: (text) => console.warn(text),
        setStatus: showStatus,
        onRuntimeInitialized() {
          files.runtimeReady();
          resolve();
        },
        onAbort(what) {
          running = false;
          $("status").textContent = "エラー / Error: " + what;
          report.error = String(what);
        },
      };
    });
    // The theme only when it will sound: the virtual run knows its length. A
    // browser that cannot decode it runs the program without it (whose
    // player then says that it found no music).
    const theme = table.theme && !virtualMode
      ? sound.decodeTheme(table.theme).catch((e) => console.warn(`${table.theme.url}: ${e}`))
      : null;
    Promise.all([runtime, theme, files.first().catch(failed("data"))]).then(() => {
      ready = true;
      $("start-button").disabled = false;
      $("status").textContent = "";
      if (virtualMode) run();
    }, () => {});
    const script = document.createElement("script");
    script.src = name + ".js";
    script.onerror = () => { $("status").textContent = name + ".js を読めません / cannot load " + name + ".js"; };
    document.body.append(script);
  }

  // The program's ZELK_TRACE lines (with ?trace), as objects.
  function trace() {
    try {
      return Module.FS.readFile(TRACE_FILE, { encoding: "utf8" }).split("\n")
        .filter((line) => line).map((line) => JSON.parse(line));
    } catch {
      return [];
    }
  }

  // A reported picture as base64 RGBA, for the tests.
  function shotBase64(i) {
    const bytes = report.shots[i].rgba;
    let text = "";
    for (let k = 0; k < bytes.length; k += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(k, k + 0x8000));
    }
    return btoa(text);
  }

  window.zelkReport = report;
  return { open, shotBase64, sound, files, report, trace };
})();
