// The page around the browser display's program: its settings from the address, the canvas filling
// the window, full screen on a tap, the screen kept awake, the link's line, and the program loaded.
"use strict";

(function () {
  var canvas = document.getElementById("panel");
  var linkLine = document.getElementById("link");
  var problemLine = document.getElementById("problem");

  function problem(text) {
    problemLine.textContent = text;
    problemLine.hidden = false;
  }

  // ?layout=classic|full&baro=hpa|inhg, as the desktop display's [PFD] settings.
  var params = new URLSearchParams(location.search);
  function choice(key, allowed, fallback) {
    var value = params.get(key);
    if (value === null || value === "") return fallback;
    var lower = value.toLowerCase();
    if (allowed.indexOf(lower) >= 0) return lower;
    problem("address: " + key + "='" + value + "' is not one of " + allowed.join(", ") + "; " + fallback + " is used");
    return fallback;
  }

  var page = {
    layout: choice("layout", ["classic", "full"], "classic"),
    baro: choice("baro", ["hpa", "inhg"], "hpa"),
    linkUp: false,
    awake: "",
    linkChanges: 0,
    frames: 0,
    values: null,
    setLink: function (up) {
      page.linkUp = up;
      page.linkChanges++;
      linkLine.hidden = up;
    },
    setFrame: function (frames, altitudeFt, airspeedKt, pitchDeg, listDelivered) {
      page.frames = frames;
      var shown = function (v) { return isNaN(v) ? null : v; };  // null: not asked for, or did not arrive
      page.values = { altitudeFt: shown(altitudeFt), airspeedKt: shown(airspeedKt), pitchDeg: shown(pitchDeg),
                      listDelivered: listDelivered };
    },
    // The frames drawn: how many, the last one's cost on the processor (ms) and the flags it raised,
    // the draw costs of the last 600 frames, and, while page.log is an array, one
    // [performance.now() (ms), pitch (degrees)] per frame as the animation frame that takes it
    // to the screen begins (for the latency benchmark).
    drawnFrames: 0,
    drawMs: 0,
    drawMsRecent: [],
    flags: "",
    log: null,
    // Since the page began loading (ms): the artwork fetched, the first frame drawn.
    artworkMs: null,
    firstDrawnMs: null,
    drawn: function (drawMs, flags) {
      if (page.firstDrawnMs === null) page.firstDrawnMs = performance.now();
      page.drawnFrames++;
      page.drawMs = drawMs;
      page.flags = flags;
      page.drawMsRecent.push(drawMs);
      if (page.drawMsRecent.length > 600) page.drawMsRecent.shift();
    },
    shown: function (pitchDeg) {
      if (page.log !== null && page.log.length < 100000)
        page.log.push([performance.now(), isNaN(pitchDeg) ? null : pitchDeg]);
    },
    problem: problem
  };
  window.orvanePage = page;

  // The canvas's drawing buffer in device pixels, following the window (and the screen's rotation).
  function fit() {
    var ratio = window.devicePixelRatio || 1;
    var width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    var height = Math.max(1, Math.round(canvas.clientHeight * ratio));
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
  }
  window.addEventListener("resize", fit);
  fit();

  // The screen stays on where the browser allows it (Screen Wake Lock); the lock is given back when
  // the page is hidden, so it is asked for again when it shows.
  // page.awake says how it went: "held", "released", "refused: reason" or "unsupported" (no API,
  // or a page that is not a secure context: https, localhost or 127.0.0.1).
  var wakeLock = null;
  function keepAwake() {
    if (!("wakeLock" in navigator)) {
      page.awake = "unsupported";
      return;
    }
    if (wakeLock !== null || document.visibilityState !== "visible") return;
    navigator.wakeLock.request("screen").then(function (lock) {
      wakeLock = lock;
      page.awake = "held";
      lock.addEventListener("release", function () { wakeLock = null; page.awake = "released"; });
    }, function (error) {
      page.awake = "refused: " + error.name;  // asked again on the next tap and when the page shows again
    });
  }
  document.addEventListener("visibilitychange", keepAwake);
  keepAwake();

  // A tap goes full screen.
  canvas.addEventListener("pointerup", function () {
    keepAwake();
    var root = document.documentElement;
    if (document.fullscreenElement || document.webkitFullscreenElement) return;
    if (root.requestFullscreen) {
      root.requestFullscreen({ navigationUI: "hide" }).catch(function () {});
    } else if (root.webkitRequestFullscreen) {
      root.webkitRequestFullscreen();
    }
  });

  // The program (orvane_web.js and its .wasm), which finds the page through Module.orvanePage.
  window.Module = {
    canvas: canvas,
    orvanePage: page,
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); }
  };
  var script = document.createElement("script");
  script.src = "orvane_web.js";
  script.onerror = function () { problem("orvane_web.js is missing from the server's web folder (scripts/build.sh web builds it)"); };
  document.body.appendChild(script);
})();
