#!/usr/bin/env node
// Frames a second and CPU share of the program pages in headless chromium:
// each effect program from 2 s after its start, scenedemo from 10 s (its
// busiest stretch of waiting). Usage: bench/web/page_rates.mjs [SITE_DIR]
// [SECONDS] (default build-web/site, 10 s each; needs `make web`).
// CPU share counts every chromium process (the page's, the GPU and the
// browser's own) as a share of one core; main thread is the page's own.
import { readFileSync, readdirSync } from "node:fs";
import { join } from "node:path";
import { fileURLToPath } from "node:url";
import { EFFECT_PROGRAMS, launch, openProgram, serve, sleep, start } from "../../tests/web/lib.mjs";

const root = fileURLToPath(new URL("../..", import.meta.url));
const site = process.argv[2] || join(root, "build-web/site");
const seconds = Number(process.argv[3] || 10);
const TICKS = 100;  // clock ticks a second of /proc/*/stat

// CPU seconds used so far by `pid` and every process below it.
function treeCpu(pid) {
  const children = new Map();
  for (const d of readdirSync("/proc")) {
    if (!/^\d+$/.test(d)) continue;
    try {
      const stat = readFileSync(`/proc/${d}/stat`, "utf8");
      const fields = stat.slice(stat.lastIndexOf(")") + 2).split(" ");
      const parent = Number(fields[1]);
      if (!children.has(parent)) children.set(parent, []);
      children.get(parent).push({ pid: Number(d), cpu: (Number(fields[11]) + Number(fields[12])) / TICKS });
    } catch { /* gone meanwhile */ }
  }
  const own = (p) => {
    const stat = readFileSync(`/proc/${p}/stat`, "utf8");
    const fields = stat.slice(stat.lastIndexOf(")") + 2).split(" ");
    return (Number(fields[11]) + Number(fields[12])) / TICKS;
  };
  let total = own(pid);
  const walk = (p) => {
    for (const c of children.get(p) || []) {
      total += c.cpu;
      walk(c.pid);
    }
  };
  walk(pid);
  return total;
}

const server = await serve(site);
const browser = await launch();
try {
  console.log(`Program pages in headless chromium, ${seconds} s each:`);
  console.log("  program       frames/s   CPU (all chromium)   CPU (page main thread)");
  for (const name of [...EFFECT_PROGRAMS, "scenedemo"]) {
    const page = await openProgram(browser, server.base, name);
    await start(page);
    await sleep(name === "scenedemo" ? 10000 : 2000);
    const pid = browser.process().pid;
    const f0 = await page.evaluate(() => window.zelkReport.framesShown);
    const m0 = (await page.metrics()).TaskDuration;
    const c0 = treeCpu(pid), t0 = performance.now();
    await sleep(seconds * 1000);
    const f1 = await page.evaluate(() => window.zelkReport.framesShown);
    const m1 = (await page.metrics()).TaskDuration;
    const c1 = treeCpu(pid), wall = (performance.now() - t0) / 1000;
    const pct = (x) => `${(100 * x / wall).toFixed(0)} %`.padStart(6);
    console.log(`  ${name.padEnd(12)} ${((f1 - f0) / wall).toFixed(1).padStart(8)}   ` +
                `${pct(c1 - c0).padStart(18)}   ${pct(m1 - m0).padStart(22)}`);
    await page.close();
  }
} finally {
  await browser.close();
  server.close();
}
