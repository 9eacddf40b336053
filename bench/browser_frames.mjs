// The browser display's frames for the latency benchmark: headless Chromium opens the page, and once
// it is connected, each frame's time on the screen and pitch are recorded for a while; written as
// JSON ({ frames: [[monotonic clock in us, pitch or null], ...], drawMs, framesPerSecond }).
// The page's clock (performance.now) is put on the system's monotonic clock (node's hrtime) by the
// quickest of 20 questions to the page: its answer lies between the question and the reply.
// Usage: node browser_frames.mjs --url URL --seconds S --width W --height H --out FILE [--chromium PATH]
import { writeFileSync } from "node:fs";
import { launchChromium } from "../tests/web/chromium.mjs";

const args = Object.fromEntries(
  process.argv.slice(2).reduce((pairs, a, i, all) => (a.startsWith("--") ? [...pairs, [a.slice(2), all[i + 1]]] : pairs), []));
const seconds = Number(args.seconds), width = Number(args.width), height = Number(args.height);
if (!args.url || !args.out || !(seconds > 0 && seconds <= 600) || !(width > 0 && width <= 8192) || !(height > 0 && height <= 8192)) {
  console.error("usage: node browser_frames.mjs --url URL --seconds 1..600 --width W --height H --out FILE [--chromium PATH]");
  process.exit(2);
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const chromium = launchChromium(args.chromium || "chromium");
let status = 0;
try {
  const page = await chromium.page();
  await page.cdp("Emulation.setDeviceMetricsOverride", { width, height, deviceScaleFactor: 1, mobile: false });
  await page.cdp("Page.navigate", { url: args.url });
  let up = false;
  for (let waited = 0; waited < 30000 && !up; waited += 100) {
    await sleep(100);
    up = await page.evaluate("!!(window.orvanePage && window.orvanePage.linkUp && window.orvanePage.drawnFrames > 10)").catch(() => false);
  }
  if (!up) throw new Error("the page did not connect and draw within 30 s");
  await page.evaluate("window.orvanePage.log = []; window.orvanePage.drawMsRecent = []; true");
  const drawnBefore = await page.evaluate("window.orvanePage.drawnFrames");
  await sleep(seconds * 1000);
  const result = await page.evaluate(`(() => { const p = window.orvanePage; const log = p.log; p.log = null;
    return { frames: log, drawMs: p.drawMsRecent.slice(), drawn: p.drawnFrames }; })()`);
  result.framesPerSecond = (result.drawn - drawnBefore) / seconds;
  let best = null;
  for (let k = 0; k < 20; k++) {
    const asked = process.hrtime.bigint();
    const pageMs = await page.evaluate("performance.now()");
    const answered = process.hrtime.bigint();
    const span = Number(answered - asked) / 1000;
    if (best === null || span < best.span) best = { span, offsetUs: Number(asked / 1000n) + span / 2 - pageMs * 1000 };
  }
  result.clockUncertaintyUs = best.span / 2;
  result.frames = result.frames.map(([ms, pitch]) => [Math.round(ms * 1000 + best.offsetUs), pitch]);
  writeFileSync(args.out, JSON.stringify(result));
} catch (e) {
  console.error("browser_frames: " + e.message);
  status = 1;
} finally {
  await chromium.close();
}
process.exit(status);
