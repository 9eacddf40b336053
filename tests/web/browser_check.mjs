// The browser display end to end in headless Chromium: the page loads from OrvaneGCServer --web
// (its ipc source on orvane-sim, frozen at a demo time), connects, shows the demo flight's values
// and draws the panel the desktop draws: its screenshot is compared with orvane-snapshot of the same
// state at --scale, and again with the page resized to a 1024 x 768 window (the panel fitted,
// centred, at a scale that is no whole number). The flags and the "not connected" line appear within 2.5 s when the server stops (and
// when it hangs) and leave when it is back. Screenshots and the comparison's pictures go to --out.
// Usage: node browser_check.mjs --server PATH --sim PATH --snapshot PATH --web-root DIR --out DIR
//          [--chromium PATH] [--layout classic|full] [--baro hpa|inhg] [--scale S] [--demo-time T]
import { spawn } from "node:child_process";
import { writeFileSync, openSync } from "node:fs";
import { createServer, connect } from "node:net";
import { join } from "node:path";
import { launchChromium } from "./chromium.mjs";
import { readPng, comparePictures, cropPicture } from "./png.mjs";

const args = Object.fromEntries(
  process.argv.slice(2).reduce((pairs, a, i, all) => (a.startsWith("--") ? [...pairs, [a.slice(2), all[i + 1]]] : pairs), []));
const serverPath = args.server, simPath = args.sim, snapshotPath = args.snapshot, webRoot = args["web-root"];
const outDir = args.out;
const chromiumPath = args.chromium || "chromium";
const layout = args.layout || "full", baro = args.baro || "inhg";
const scale = Number(args.scale || 2), demoTime = String(args["demo-time"] || 600);
if (!serverPath || !simPath || !snapshotPath || !webRoot || !outDir || !(scale >= 1 && scale <= 4)) {
  console.error("usage: node browser_check.mjs --server PATH --sim PATH --snapshot PATH --web-root DIR --out DIR " +
    "[--chromium PATH] [--layout classic|full] [--baro hpa|inhg] [--scale 1..4] [--demo-time T]");
  process.exit(2);
}
// The panel at scale 1 (the desktop's standard window), and the page's window: the panel at `scale`.
const panel = layout === "full" ? [460, 424] : [332, 332];
const viewport = panel.map((side) => Math.round(side * scale));

// How near the browser's picture must come to orvane-snapshot's (same state, same GLES2 backend,
// same scale): at most kShare of the pixels further apart than kThreshold in a channel, and none
// further apart than kLargest but for kFarPixels (a thin slanted line, such as the track line on the
// heading card, may have its edge pixel on either side of the line in the two). Two rasterisers draw them (Chromium's SwiftShader, the desktop's
// Mesa), which differ in the last bits of their filtering and edge rules, and WebGL 1 has no
// controls of the levels a picture samples, which the desktop uses to keep minified pictures sharp
// (at 2 x few pictures are minified). Measured here: 0.17 % of the full panel's pixels beyond 24,
// at most 82 apart; the classic panel 2 pixels, 26 apart. A shape moved, a texture or a colour
// wrong changes more pixels than the share, or one pixel by more than kLargest.
const kThreshold = 24, kShare = 0.005, kLargest = 160, kFarPixels = 8;

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
let failures = 0;
function check(ok, what) {
  console.log((ok ? "ok   " : "FAIL ") + what);
  if (!ok) failures++;
}

function freePort() {
  return new Promise((resolve, reject) => {
    const s = createServer();
    s.on("error", reject);
    s.listen(0, "127.0.0.1", () => {
      const port = s.address().port;
      s.close(() => resolve(port));
    });
  });
}

// One request over the display's TCP protocol; the reply's text.
function tcpAsk(port, request) {
  return new Promise((resolve) => {
    const socket = connect(port, "127.0.0.1");
    let data = Buffer.alloc(0);
    const timer = setTimeout(() => { socket.destroy(); resolve(null); }, 3000);
    socket.on("connect", () => socket.write(request + "\0"));
    socket.on("data", (d) => {
      data = Buffer.concat([data, d]);
      const zero = data.indexOf(0);
      if (zero >= 0) { clearTimeout(timer); socket.destroy(); resolve(data.subarray(0, zero).toString()); }
    });
    socket.on("error", () => { clearTimeout(timer); resolve(null); });
  });
}

// The status of one GET sent byte for byte (fetch would tidy the path first).
function rawStatus(port, target) {
  return new Promise((resolve) => {
    const socket = connect(port, "127.0.0.1");
    let data = "";
    const timer = setTimeout(() => { socket.destroy(); resolve(0); }, 3000);
    socket.on("connect", () => socket.write(`GET ${target} HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n`));
    socket.on("data", (d) => { data += d.toString("latin1"); });
    socket.on("close", () => { clearTimeout(timer); resolve(Number(data.slice(9, 12)) || 0); });
    socket.on("error", () => {});
  });
}

const tcpPort = await freePort();
const webPort = await freePort();
const base = `http://127.0.0.1:${webPort}`;
let server = null;
const serverLog = openSync(join(outDir, "server.log"), "w");
// The simulator stand-in, frozen at the demo time, and the server reading it as the simulator.
const sim = spawn(simPath, ["--demo-time", demoTime, "--freeze"], { stdio: ["ignore", "ignore", serverLog] });
function startServer() {
  server = spawn(serverPath, ["--source", "ipc", "--bind", "127.0.0.1", "--port", String(tcpPort), "--web",
    String(webPort), "--web-root", webRoot], { stdio: ["ignore", "ignore", serverLog] });
}
async function waitServer() {
  for (let i = 0; i < 100; i++) {
    try { if ((await fetch(base + "/")).status === 200) return true; } catch (e) { /* not yet */ }
    await sleep(100);
  }
  return false;
}
function stopServer(signal = "SIGTERM") {
  return new Promise((resolve) => {
    if (!server || server.exitCode !== null) return resolve();
    server.once("exit", () => resolve());
    server.kill(signal);
  });
}

const chromium = launchChromium(chromiumPath);
const cdp = chromium.cdp;
let session;
async function pageState() {
  const r = await cdp("Runtime.evaluate", { returnByValue: true, expression: `(() => {
    const p = window.orvanePage; if (!p) return null;
    const problem = document.getElementById("problem");
    return { linkUp: p.linkUp, awake: p.awake, drawn: p.drawnFrames, flags: p.flags, fullscreen: !!document.fullscreenElement, frames: p.frames, values: p.values, layout: p.layout, baro: p.baro,
             lineShown: !document.getElementById("link").hidden,
             problem: problem.hidden ? "" : problem.textContent,
             canvas: [document.getElementById("panel").width, document.getElementById("panel").height],
             window: [innerWidth, innerHeight] };
  })()` }, session);
  return r.result.value;
}
async function waitFor(what, test, boundMs) {
  const start = Date.now();
  while (Date.now() - start < boundMs) {
    const state = await pageState().catch(() => null);
    if (state && test(state)) return { state, ms: Date.now() - start };
    await sleep(50);
  }
  return { state: await pageState().catch(() => null), ms: -1 };
}
async function screenshot(name) {
  const shot = await cdp("Page.captureScreenshot", { format: "png" }, session);
  const file = join(outDir, name);
  writeFileSync(file, Buffer.from(shot.data, "base64"));
  console.log("     screenshot " + file);
  return file;
}
function run(program, argv) {
  return new Promise((resolve) => {
    const child = spawn(program, argv, { stdio: ["ignore", "ignore", "inherit"] });
    child.on("exit", (code) => resolve(code));
    child.on("error", () => resolve(-1));
  });
}

try {
  startServer();
  check(await waitServer(), `server answers ${base}/`);
  for (const target of ["/%2e%2e/%2e%2e/etc/passwd", "/../../etc/passwd"]) {
    const status = await rawStatus(webPort, target);
    check(status === 404, `GET ${target} (a URL leaving the web folder, sent as it is) gets ${status}`);
  }

  session = (await chromium.page()).session;
  // The window the panel fills at `scale`, one device pixel a CSS pixel.
  await cdp("Emulation.setDeviceMetricsOverride", { width: viewport[0], height: viewport[1], deviceScaleFactor: 1,
    mobile: false }, session);
  const url = `${base}/?layout=${layout}&baro=${baro}`;
  await cdp("Page.navigate", { url }, session);

  let r = await waitFor("connected", (s) => s.linkUp && s.frames >= 10 && s.flags === "-", 30000);
  check(r.ms >= 0, `page ${url} loads its artwork, connects and completes 10 frames without a flag (${r.ms} ms)`);

  // The picture: the browser's beside orvane-snapshot's of the same state.
  const drawn = r.state ? r.state.drawn : 0;
  await waitFor("drawn", (s) => s.drawn >= drawn + 5, 3000);
  const browserFile = await screenshot("browser.png");
  const snapshotFile = join(outDir, "snapshot.png");
  const code = await run(snapshotPath, ["--demo-time", demoTime, "--inclination", "raw", "--layout", layout,
    "--baro", baro, "--scale", String(scale), "--renderer", "GLES2", "--assets", webRoot, "--out", snapshotFile]);
  check(code === 0, `orvane-snapshot of the same state (exit ${code})`);
  if (code === 0) {
    const c = comparePictures(readPng(browserFile), readPng(snapshotFile), kThreshold, kLargest);
    check(c.sameSize && c.share <= kShare && c.farApart <= kFarPixels,
      `browser's picture (${viewport.join(" x ")}) against orvane-snapshot's: ${c.differing} pixels ` +
      `(${(100 * c.share).toFixed(3)} %) differ by more than ${kThreshold}, largest difference ${c.largest}, ` +
      `${c.farApart} beyond ${kLargest} (bound ${(100 * kShare).toFixed(1)} %, ${kFarPixels} beyond ${kLargest})`);
  }

  // A tablet's window of another shape, the page resized: the panel fitted, centred, at a scale
  // that is no whole number, as orvane-snapshot draws it at that scale.
  const tablet = [1024, 768];
  const fitScale = Math.min(tablet[0] / panel[0], tablet[1] / panel[1]);
  const fitted = panel.map((side) => Math.round(side * fitScale));
  const origin = [Math.floor((tablet[0] - fitted[0]) / 2), Math.floor((tablet[1] - fitted[1]) / 2)];
  await cdp("Emulation.setDeviceMetricsOverride", { width: tablet[0], height: tablet[1], deviceScaleFactor: 1, mobile: false }, session);
  const resized = await waitFor("resized", (s) => s.canvas[0] === tablet[0] && s.canvas[1] === tablet[1], 5000);
  const drawnAfter = resized.state ? resized.state.drawn : 0;
  await waitFor("drawn", (s) => s.drawn >= drawnAfter + 5, 3000);
  const tabletFile = await screenshot("browser_tablet.png");
  const tabletSnapshot = join(outDir, "snapshot_tablet.png");
  const tabletCode = await run(snapshotPath, ["--demo-time", demoTime, "--inclination", "raw", "--layout", layout,
    "--baro", baro, "--scale", String(fitScale), "--renderer", "GLES2", "--assets", webRoot, "--out", tabletSnapshot]);
  check(tabletCode === 0, `orvane-snapshot at ${fitScale.toFixed(4)} x (exit ${tabletCode})`);
  if (tabletCode === 0) {
    const shot = readPng(tabletFile);
    // The window around the panel is black.
    let stray = 0;
    for (let y = 0; y < shot.height; y++)
      for (let x = 0; x < shot.width; x++) {
        const inside = x >= origin[0] && x < origin[0] + fitted[0] && y >= origin[1] && y < origin[1] + fitted[1];
        if (!inside && (shot.rgb[3 * (y * shot.width + x)] | shot.rgb[3 * (y * shot.width + x) + 1] | shot.rgb[3 * (y * shot.width + x) + 2]) !== 0) stray++;
      }
    const c = comparePictures(cropPicture(shot, origin[0], origin[1], fitted[0], fitted[1]), readPng(tabletSnapshot), kThreshold, kLargest);
    check(stray === 0 && c.sameSize && c.share <= kShare && c.farApart <= kFarPixels,
      `in a ${tablet.join(" x ")} window the panel (${fitted.join(" x ")} at ${origin.join(", ")}) against ` +
      `orvane-snapshot's at ${fitScale.toFixed(4)} x: ${c.differing} pixels (${(100 * c.share).toFixed(3)} %) differ by ` +
      `more than ${kThreshold}, largest difference ${c.largest}, ${c.farApart} beyond ${kLargest}; ${stray} pixels not ` +
      `black around it`);
  }
  await cdp("Emulation.setDeviceMetricsOverride", { width: viewport[0], height: viewport[1], deviceScaleFactor: 1, mobile: false }, session);
  r = await waitFor("resized back", (s) => s.canvas[0] === viewport[0] && s.canvas[1] === viewport[1] && s.linkUp, 5000);
  console.log("     page: " + JSON.stringify(r.state));
  if (r.state) {
    check(r.state.layout === layout && r.state.baro === baro && r.state.problem === "", `settings from the address: layout ${r.state.layout}, baro ${r.state.baro}`);
    check(r.state.canvas[0] === r.state.window[0] && r.state.canvas[1] === r.state.window[1], `canvas fills the window (${r.state.canvas} for ${r.state.window})`);
    check(!r.state.lineShown, "no \"not connected\" line while connected");
    // The frozen demo's values as the TCP display would read them (altimeter ft, IAS raw / 128 kt, pitch deg).
    const altitude = Number(await tcpAsk(tcpPort, "13092,4,1"));
    const airspeed = Number(await tcpAsk(tcpPort, "700,4,5")) / 128;
    const pitch = Number(await tcpAsk(tcpPort, "12144,8,2"));
    const v = r.state.values || {};
    // The classic layout does not ask for the airspeed; the full one does.
    const airspeedOk = layout === "full" ? v.airspeedKt !== null && Math.abs(v.airspeedKt - airspeed) < 1e-6 : v.airspeedKt === null;
    check(v.altitudeFt !== null && Math.abs(v.altitudeFt - altitude) < 1e-6 && airspeedOk && v.pitchDeg !== null && Math.abs(v.pitchDeg - pitch) < 1e-9,
      `values equal the TCP replies: altitude ${v.altitudeFt} ft (${altitude}), IAS ${v.airspeedKt} kt (${layout === "full" ? airspeed : "not asked"}), pitch ${v.pitchDeg} deg (${pitch})`);
    check(v.listDelivered === true, "every read-list row usable");
    // Frames per second over 2 s (one request/reply frame per animation frame).
    const f0 = r.state.frames;
    await sleep(2000);
    const f1 = (await pageState()).frames;
    const raf = await cdp("Runtime.evaluate", { awaitPromise: true, returnByValue: true, expression:
      "new Promise((done) => { let n = 0; const t0 = performance.now(); const step = () => { n++; if (performance.now() - t0 < 1000) requestAnimationFrame(step); else done(n); }; requestAnimationFrame(step); })" }, session);
    console.log(`     ${((f1 - f0) / 2).toFixed(1)} exchange frames per second (${f1 - f0} in 2 s); the browser's animation frames: ${raf.result.value} per second`);
    const start = (await cdp("Runtime.evaluate", { returnByValue: true, expression:
      "[window.orvanePage.artworkMs, window.orvanePage.firstDrawnMs]" }, session)).result.value;
    console.log(`     since the page began loading: artwork fetched ${start[0].toFixed(0)} ms, first frame drawn ${start[1].toFixed(0)} ms`);
    const costs = (await cdp("Runtime.evaluate", { returnByValue: true, expression: "window.orvanePage.drawMsRecent.slice()" }, session)).result.value.sort((a, b) => a - b);
    if (costs.length > 0)
      console.log(`     frame cost on the processor: median ${costs[Math.floor(costs.length / 2)].toFixed(2)} ms, ` +
        `90th percentile ${costs[Math.floor(costs.length * 0.9)].toFixed(2)} ms over ${costs.length} frames`);
  }
  // A tap (a touch on the canvas) goes full screen.
  for (const type of ["touchStart", "touchEnd"])
    await cdp("Input.dispatchTouchEvent", { type, touchPoints: type === "touchEnd" ? [] : [{ x: viewport[0] / 2, y: viewport[1] / 2 }] }, session);
  r = await waitFor("fullscreen", (s) => s.fullscreen, 3000);
  check(r.ms >= 0, `a tap goes full screen (${r.ms} ms)`);
  console.log("     screen wake lock: " + (r.state ? r.state.awake : "?"));
  await screenshot("connected.png");

  // The server stops: the line and the flags within 2.5 s. Nothing arrives then, and every
  // instrument flags it, as on the desktop display without its server.
  const lostFlags = layout === "full" ? "ATT,SPD,ALT,V/S,HDG,RA" : "ATT";
  await stopServer("SIGTERM");
  r = await waitFor("line", (s) => s.lineShown && !s.linkUp && s.flags === lostFlags, 5000);
  check(r.ms >= 0 && r.ms <= 2500, `"not connected" and the flags (${r.state ? r.state.flags : "?"}, expected ${lostFlags}) shown ${r.ms} ms after the server stopped (bound 2500)`);
  await screenshot("not_connected.png");

  // It comes back: the page reconnects by itself, the flags go.
  startServer();
  check(await waitServer(), "server started again");
  r = await waitFor("back", (s) => s.linkUp && !s.lineShown && s.flags === "-", 10000);
  check(r.ms >= 0, `reconnected and the flags gone ${r.ms} ms after the server was back`);

  // The server hangs (no close, no reply): the reply bound notices.
  server.kill("SIGSTOP");
  r = await waitFor("line", (s) => s.lineShown && !s.linkUp, 5000);
  check(r.ms >= 0 && r.ms <= 2500, `"not connected" shown ${r.ms} ms after the server stopped answering (bound 2500)`);
  server.kill("SIGCONT");
  r = await waitFor("back", (s) => s.linkUp && !s.lineShown, 10000);
  check(r.ms >= 0, `reconnected ${r.ms} ms after the server answered again`);
  await screenshot("recovered.png");

  // A setting the page does not know is named, and the default used.
  await cdp("Page.navigate", { url: `${base}/?layout=wide&baro=hpa` }, session);
  r = await waitFor("problem", (s) => s.problem !== "", 5000);
  check(r.ms >= 0 && r.state.problem.includes("layout='wide'") && r.state.layout === "classic",
    `an unknown layout is named: "${r.state ? r.state.problem : ""}"`);
} catch (e) {
  check(false, "browser check: " + e.message);
} finally {
  await chromium.close();
  await stopServer();
  sim.kill("SIGTERM");
}
console.log(failures === 0 ? "browser check passed" : `browser check: ${failures} failed`);
process.exit(failures === 0 ? 0 : 1);
