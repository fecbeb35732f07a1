// Makes the site's pages and the data they fetch, from the manifest:
//   files/NAME.gz    every data file a program reads, gzip-compressed
//                    (browsers undo it with DecompressionStream)
//   PROGRAM.html     each program's page, with the table of its files: where
//                    the program reads each one, and when a program with a
//                    cycle first reads it (ms into the cycle, from a trace of
//                    a virtual run), so the page fetches it ahead of that
//   index.html       the programs, each with its page's download size
// The theme is not among the files: the page fetches its web encoding and
// decodes it before the program starts.
//
// node make-pages.mjs MANIFEST DATASET_DIR SITE_DIR PAGE_TEMPLATE INDEX_TEMPLATE SIZES_FILE
//   [NAME=TRACE…]      (SIZES_FILE: the download per page, as text)
import { readFileSync, writeFileSync, mkdirSync, statSync } from "node:fs";
import { basename, join } from "node:path";
import { gzipSync, constants } from "node:zlib";

const [manifestFile, dataset, site, pageTemplate, indexTemplate, sizesFile, ...traceArgs] =
  process.argv.slice(2);
const manifest = JSON.parse(readFileSync(manifestFile, "utf8"));
const traces = Object.fromEntries(traceArgs.map((a) => a.split("=")));
const size = (file) => statSync(join(site, file)).size;
const html = (text) => text.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");

// When each file is first read in the first cycle of `trace` (ms into it).
function firstReads(trace) {
  const first = new Map();
  let cycle = null;
  for (const line of readFileSync(trace, "utf8").split("\n")) {
    if (!line) continue;
    const e = JSON.parse(line);
    if (e.event === "cycle") {
      if (cycle !== null) break;
      cycle = e.tick;
    } else if (e.event === "open") {
      const name = e.file.replace(/\\/g, "/").toLowerCase();
      if (!first.has(name)) first.set(name, Math.max(0, e.tick - (cycle ?? e.tick)));
    }
  }
  return first;
}

mkdirSync(join(site, "files"), { recursive: true });
const written = new Set();
function packed(path) {
  const url = `files/${basename(path)}.gz`;
  if (!written.has(url)) {
    const bytes = readFileSync(join(dataset, path));
    writeFileSync(join(site, url), gzipSync(bytes, { level: constants.Z_BEST_COMPRESSION }));
    written.add(url);
  }
  return url;
}

// The sound's format from its RIFF header: channels, rate, frames.
function waveFormat(file) {
  const b = readFileSync(file);
  let at = 12, format = null;
  while (at + 8 <= b.length) {
    const id = b.toString("latin1", at, at + 4), length = b.readUInt32LE(at + 4);
    if (id === "fmt ") format = { channels: b.readUInt16LE(at + 10), rate: b.readUInt32LE(at + 12),
                                  block: b.readUInt16LE(at + 20) };
    if (id === "data" && format) {
      return { channels: format.channels, rate: format.rate,
               frames: Math.floor(Math.min(length, b.length - at - 8) / format.block) };
    }
    at += 8 + length + (length & 1);
  }
  throw new Error(`${file}: no wave format`);
}

const shared = size("zelk.js") + size("zelk.css");
const template = readFileSync(pageTemplate, "utf8");
const sizes = {};
for (const p of manifest.programs) {
  const inFolder = (f) => (p.folder ? `${p.folder}/${f}` : f);
  const first = traces[p.name] ? firstReads(traces[p.name]) : new Map();
  const table = { name: p.name, title: p.title, cycle: p.cycle_ms || 0, files: [], theme: null };
  for (const f of p.reads) {
    const path = inFolder(f);
    if (f === p.theme) {
      const url = `files/${basename(f, ".wav")}.ogg`;
      table.theme = { path, url, bytes: size(url), ...waveFormat(join(dataset, path)) };
      continue;
    }
    const url = packed(path);
    // A file the trace never saw read is fetched last.
    const at = first.has(path.toLowerCase()) ? first.get(path.toLowerCase()) : table.cycle;
    table.files.push({ path, url, bytes: size(url), at });
  }
  table.files.sort((a, b) => a.at - b.at);
  const page = template.replaceAll("@ZELK_PAGE_NAME@", html(p.name))
    .replaceAll("@ZELK_PAGE_TITLE@", html(p.title))
    .replaceAll("@ZELK_PAGE_TABLE@", JSON.stringify(table).replace(/</g, "\\u003c"));
  writeFileSync(join(site, `${p.name}.html`), page);
  sizes[p.name] = Buffer.byteLength(page) + shared + size(`${p.name}.js`) + size(`${p.name}.wasm`) +
    (table.theme ? table.theme.bytes : 0) + table.files.reduce((n, f) => n + f.bytes, 0);
}

const mb = (n) => (n / 1048576).toFixed(1);
const list = manifest.programs.map((p) =>
  `    <li><a href="${p.name}.html">${html(p.name)}</a> — ${html(p.summary_ja)} / ` +
  `${html(p.summary)} <span class="size">(${mb(sizes[p.name])} MB)</span></li>\n`).join("");
writeFileSync(join(site, "index.html"),
              readFileSync(indexTemplate, "utf8").replace("@ZELK_PROGRAM_LIST@", list));
writeFileSync(sizesFile, "Download per page, everything it fetches (build-web/site):\n" +
  manifest.programs.map((p) => `  ${p.name}.html`.padEnd(20) + `${mb(sizes[p.name])} MB\n`).join(""));
