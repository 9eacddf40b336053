// Debian's Chromium, headless with its software WebGL (SwiftShader), driven over its DevTools pipe
// (fd 3 in, fd 4 out; JSON messages ending in a zero byte). For the browser check and the
// latency benchmark.
import { spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

const kAnswerBoundMs = 15000;

// Starts Chromium on about:blank; `page` attaches to its tab: { cdp(method, params), evaluate(expr) }.
export function launchChromium(chromiumPath = "chromium") {
  const profile = mkdtempSync(join(tmpdir(), "orvane-chromium-"));
  const child = spawn(chromiumPath, ["--headless=new", "--no-sandbox", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--no-first-run", `--user-data-dir=${profile}`,
    "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--remote-debugging-pipe", "--window-size=1024,768",
    "--hide-scrollbars", "about:blank"], { stdio: ["ignore", "ignore", "ignore", "pipe", "pipe"] });
  let nextId = 1;
  const waiting = new Map();
  let inbox = Buffer.alloc(0);
  child.stdio[4].on("data", (d) => {
    inbox = Buffer.concat([inbox, d]);
    let zero;
    while ((zero = inbox.indexOf(0)) >= 0) {
      const message = JSON.parse(inbox.subarray(0, zero).toString());
      inbox = inbox.subarray(zero + 1);
      if (message.id && waiting.has(message.id)) {
        waiting.get(message.id)(message);
        waiting.delete(message.id);
      }
    }
  });
  function cdp(method, params = {}, sessionId = undefined) {
    const id = nextId++;
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error(method + ": no answer in 15 s")), kAnswerBoundMs);
      waiting.set(id, (m) => { clearTimeout(timer); m.error ? reject(new Error(method + ": " + m.error.message)) : resolve(m.result); });
      child.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + "\0");
    });
  }
  async function page() {
    const { targetInfos } = await cdp("Target.getTargets");
    const target = targetInfos.find((t) => t.type === "page");
    const session = (await cdp("Target.attachToTarget", { targetId: target.targetId, flatten: true })).sessionId;
    await cdp("Page.enable", {}, session);
    return {
      session,
      cdp: (method, params = {}) => cdp(method, params, session),
      evaluate: async (expression, awaitPromise = false) =>
        (await cdp("Runtime.evaluate", { expression, returnByValue: true, awaitPromise }, session)).result.value,
    };
  }
  async function close() {
    await cdp("Browser.close").catch(() => {});
    await Promise.race([new Promise((r) => child.once("exit", r)), new Promise((r) => setTimeout(r, 3000))]);
    if (child.exitCode === null) child.kill("SIGKILL");
    rmSync(profile, { recursive: true, force: true });
  }
  return { cdp, page, close };
}
