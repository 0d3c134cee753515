// The browser build's three figures in headless Chromium, each beside its desktop counterpart
// measured in the same run (medians; the machine is shared and noisy):
//   frame   a 1920 x 1080 textured frame from camera 20000,20000,3000,45,0,256
//   start   page load to the first frame on the canvas, against bench-startup's process start,
//           served from the published folder as a static host serves it (compressed), and
//           everything transferred until then; with the median time of each step of loading
//           (the page's own marks) and the machine's load average while it ran
//   flight  the frame rate in the title while flying with a 1920 x 1080 view, against
//           bench-flight's
// Run from the project's root after scripts/web build and the desktop build: node
// tests/web/bench.mjs [frame] [start] [flight] (all three when none is named; scripts/web bench
// does all of it). DORVANE_LOADS sets the number of page loads (31).
import { execFileSync } from 'node:child_process';
import { loadavg } from 'node:os';
import { open } from './browser.mjs';

const WEB = process.env.DORVANE_WEB || 'build-web';
const DIST = process.env.DORVANE_DIST || `${WEB}/dist`;
const NATIVE = process.env.DORVANE_BUILD || 'build';
const CAMERA = '20000,20000,3000,45,0,256';
const LOADS = Number(process.env.DORVANE_LOADS) || 31;
const parts = process.argv.slice(2);
const runs = (part) => parts.length === 0 || parts.includes(part);
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const n = sorted.length;
  return n % 2 ? sorted[(n - 1) / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
};

function native(program, args) {
  try {
    return execFileSync(`${NATIVE}/${program}`, args,
                        { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'], maxBuffer: 1 << 24 });
  } catch (error) {
    console.error(`${program} failed: ${error.message.split('\n')[0]}`);
    return '';
  }
}

// Google Benchmark's median of a counter or of the time, from its console table.
function benchmarkMedian(output, column) {
  const line = output.split('\n').find((l) => /_median\b/.test(l));
  if (!line) return null;
  if (column === 'time') return Number(/_median\s+([\d.]+) ms/.exec(line)?.[1]);
  return Number(new RegExp(`${column}=([\\d.]+)`).exec(line)?.[1]);
}

const benchPage = `<!DOCTYPE html><meta charset="utf-8"><body><script>
var Module = {
  lines: [],
  print: (text) => Module.lines.push(text),
  printErr: (text) => Module.lines.push(text),
  onRuntimeInitialized: () => {
    // The palette lies beside the executable's path, as on the desktop.
    FS.symlink('/opt/dorvane/dorvane-render', '/proc/self/exe');
    setTimeout(() => {
      Module.callMain(['--size', '1920x1080', '--camera', '${CAMERA}', '--mode', '3', '--repeat', '50']);
      document.title = 'done';
    }, 0);
  },
};
</script><script src="dorvane-render.js"></script>`;

// The steps of loading, as the page marks them, and the navigation's own.
const STEPS = [
  ['page', 'the page itself arrived'],
  ['module', 'the module arrived'],
  ['dorvane-compiled', 'compiled'],
  ['dorvane-instantiated', 'instantiated'],
  ['dorvane-first-frame', 'first frame'],
];

const session = await open(WEB);
try {
  if (runs('frame')) {
    const page = await session.context.newPage();
    await page.route('**/bench.html', (route) => route.fulfill({ contentType: 'text/html', body: benchPage }));
    await page.goto(session.url + 'bench.html');
    await page.waitForFunction(() => document.title === 'done', null, { timeout: 120000 });
    const browserFrame = (await page.evaluate(() => Module.lines)).join(' ');
    await page.close();
    const nativeFrame = native('dorvane-render', ['--size', '1920x1080', '--camera', CAMERA, '--mode', '3', '--repeat', '50']).trim();
    const frameMs = (text) => Number(/median ([\d.]+) ms/.exec(text)?.[1]);
    console.log(`frame   browser ${frameMs(browserFrame)} ms   desktop ${frameMs(nativeFrame)} ms   (median of 50 frames, 1920x1080, camera ${CAMERA}, textured; goal: browser <= 2 ms)`);
  }

  if (runs('start')) {
    // Page load to the first frame on the canvas, from the published folder, each load in a
    // new page of the same browser.
    const published = await open(DIST);
    const loads = [];
    const transferred = [];
    const steps = Object.fromEntries(STEPS.map(([name]) => [name, []]));
    const load = [loadavg()[0]];
    try {
      for (let i = 0; i < LOADS; ++i) {
        const p = await published.context.newPage();
        const finished = [];
        p.on('requestfinished', (r) => finished.push(r.sizes().then((z) => z.responseBodySize + z.responseHeadersSize, () => 0)));
        await p.setViewportSize({ width: 800, height: 600 });
        await p.goto(published.url);
        await p.waitForFunction(() => document.documentElement.dataset.firstFrame, null, { timeout: 20000 });
        const times = await p.evaluate(() => {
          const at = { page: performance.getEntriesByType('navigation')[0].responseEnd };
          const module = performance.getEntriesByType('resource').find((e) => /\.wasm$/.test(e.name));
          if (module) at.module = module.responseEnd;
          for (const mark of performance.getEntriesByType('mark')) {
            if (!(mark.name in at)) at[mark.name] = mark.startTime;
          }
          return { first: Number(document.documentElement.dataset.firstFrame), at };
        });
        loads.push(times.first);
        for (const [name] of STEPS) {
          if (times.at[name] !== undefined) steps[name].push(times.at[name]);
        }
        transferred.push((await Promise.all(finished)).reduce((a, b) => a + b, 0));
        await p.close();
      }
    } finally {
      await published.close();
    }
    load.push(loadavg()[0]);
    const startup = native('bench-startup', ['--benchmark_repetitions=5', '--benchmark_report_aggregates_only=true']);
    console.log(`start   browser ${median(loads).toFixed(1)} ms   desktop ${benchmarkMedian(startup, 'time')} ms   (median of ${LOADS} page loads, navigation to first frame; desktop: process start to first frame; goal: browser <= 300 ms)`);
    const breakdown = STEPS.filter(([name]) => steps[name].length)
      .map(([name, what]) => `${what} ${median(steps[name]).toFixed(0)}`).join(', ');
    console.log(`        steps (median ms after navigation): ${breakdown}; load average ${load.map((l) => l.toFixed(1)).join(' to ')}`);
    console.log(`bytes   browser ${(median(transferred) / 1024).toFixed(1)} KB   (median of ${LOADS} page loads, everything transferred by the first frame, compressed; goal: <= 200 KB)`);
  }

  if (runs('flight')) {
    // Flying with a full-HD view.
    const fly = await session.context.newPage();
    await fly.setViewportSize({ width: 1920, height: 1080 });
    await fly.goto(session.url);
    await fly.waitForFunction(() => document.documentElement.dataset.firstFrame, null, { timeout: 20000 });
    await fly.mouse.click(11 + 17 + 8, 7 + 17 + 8); // the first pad's middle cell
    const rates = [];
    let last = '';
    const end = Date.now() + 12000;
    while (Date.now() < end) {
      const title = await fly.title();
      const m = /^Dorvane \((\d+) fps\)$/.exec(title);
      // One reading per new title, after the first (which counts a part second).
      if (m && title !== last && last !== '') rates.push(Number(m[1]));
      if (m) last = title;
      await sleep(100);
    }
    await fly.close();
    const flight = native('bench-flight', ['--benchmark_repetitions=3', '--benchmark_report_aggregates_only=true']);
    console.log(`flight  browser ${rates.length ? median(rates) : 'none'} fps   desktop ${benchmarkMedian(flight, 'fps_in_title')} fps   (median of the titles over 12 s, 1920x1080 viewport; goal: browser holds 20)`);
  }
} finally {
  await session.close();
}
