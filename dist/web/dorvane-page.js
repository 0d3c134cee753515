//# allFunctionsCalledOnLoad
// (Above: Chromium's hint to compile every function here while the script loads.)
// The page around the program: it loads the program (with WebAssembly SIMD where the browser
// has it, else the build without), says how far loading has come, says in one sentence what
// failed when something does and offers to try again, and after the program ends offers to
// start it again. Each run is a new instance of the program, from the module compiled once.
// The page runs this script as soon as it arrives, before the rest of the page is read, so that
// the program starts loading at once; what it shows waits for the page.
'use strict';

(function () {
  const root = document.documentElement;
  // Resolves once the page's body is there.
  const ready = new Promise((resolve) => {
    if (document.readyState !== 'loading') resolve();
    else document.addEventListener('DOMContentLoaded', () => resolve(), { once: true });
  });
  // The steps of loading, on the page's performance timeline (the benchmark reads them).
  const mark = (step) => performance.mark && performance.mark(`dorvane-${step}`);

  // The smallest module that uses a SIMD instruction: valid only where SIMD is there.
  const simdProbe = new Uint8Array([
    0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253,
    15, 253, 98, 11,
  ]);
  const build = WebAssembly.validate(simdProbe) ? 'dorvane' : 'dorvane-scalar';
  root.dataset.build = build;

  let factory = null; // the loaded script's createDorvane
  let compiled = null; // the compiled module, once loading succeeded
  let running = null; // the running instance's module object

  // Shows a line of text and, with a label, a button that runs action.
  function say(state, text, label, action) {
    root.dataset.state = state;
    const status = document.getElementById('status');
    if (!status) return; // the page still says it is loading
    status.replaceChildren();
    const line = document.createElement('p');
    line.id = state === 'ended' ? 'ended' : 'message';
    line.textContent = text;
    status.appendChild(line);
    if (label) {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = label;
      button.addEventListener('click', action);
      status.appendChild(button);
      button.focus();
    }
    status.hidden = false;
  }

  function failed(sentence) {
    if (running) {
      const module = running;
      running = null;
      if (module.dvHost) module.dvHost.ended();
    }
    document.title = 'Dorvane (failed)';
    root.dataset.failed = '1';
    say('failed', sentence, 'Try again', start);
  }

  function loadScript(src) {
    return new Promise((resolve, reject) => {
      const script = document.createElement('script');
      script.src = src;
      script.onload = () => resolve();
      script.onerror = () => {
        script.remove();
        reject(new Error(`Dorvane could not be loaded: ${src} could not be fetched.`));
      };
      document.head.appendChild(script);
    });
  }

  // Fetches the module and compiles it while it arrives (the browser compiles on other threads
  // as the bytes come in), saying how much has arrived.
  async function compile() {
    const file = build + '.wasm';
    let response;
    try {
      response = await fetch(file, { cache: 'no-cache' });
    } catch (error) {
      throw new Error(`Dorvane could not be loaded: ${file} could not be fetched (${error.message}).`);
    }
    if (!response.ok) {
      throw new Error(`Dorvane could not be loaded: the server answered ${response.status} for ${file}.`);
    }
    // The length is the download's only when the server sent the file as it is.
    const length = response.headers.get('Content-Encoding') ? 0 : Number(response.headers.get('Content-Length'));
    let received = 0;
    let shown = '';
    let broken = null; // why the download broke off, when it did
    const reader = response.body.getReader();
    const counted = new ReadableStream({
      async pull(controller) {
        let chunk;
        try {
          chunk = await reader.read();
        } catch (error) {
          broken = error;
          controller.error(error);
          return;
        }
        if (chunk.done) {
          mark('fetched');
          say('loading', 'Starting Dorvane…');
          controller.close();
          return;
        }
        received += chunk.value.length;
        const text = length > 0 ? `Loading Dorvane… ${Math.min(99, Math.floor((100 * received) / length))}%`
                                : `Loading Dorvane… ${Math.round(received / 1024)} KB`;
        if (text !== shown) say('loading', (shown = text));
        controller.enqueue(chunk.value);
      },
      cancel(reason) {
        return reader.cancel(reason);
      },
    });
    const streamed = new Response(counted, { headers: { 'Content-Type': 'application/wasm' } });
    try {
      const module = WebAssembly.compileStreaming ? await WebAssembly.compileStreaming(streamed)
                                                  : await WebAssembly.compile(await streamed.arrayBuffer());
      mark('compiled');
      return module;
    } catch (error) {
      if (broken) throw new Error(`Dorvane could not be loaded: ${file} broke off (${broken.message}).`);
      throw new Error(`Dorvane could not be started: ${file} is not a program this browser can run (${error.message}).`);
    }
  }

  async function start() {
    delete root.dataset.failed;
    delete root.dataset.ended;
    delete root.dataset.firstFrame;
    say('loading', 'Loading Dorvane…');
    try {
      // The script and the module load side by side.
      const script = factory ? null : loadScript(build + '.js');
      const module = compiled ? null : compile();
      // Neither failure goes unhandled while the other is awaited.
      await Promise.all([script, module].map((p) => p && p.catch(() => {})));
      if (script) {
        await script;
        factory = window.createDorvane;
        mark('script');
        if (typeof factory !== 'function') {
          throw new Error(`Dorvane could not be loaded: ${build}.js is not the program's script.`);
        }
      }
      if (module) compiled = await module;
      await ready;
    } catch (error) {
      await ready;
      failed(error.message);
      return;
    }
    const module = {
      // The page's own measurements read when the first frame was on the canvas.
      onFirstFrame: (at) => {
        mark('first-frame');
        document.getElementById('status').hidden = true;
        root.dataset.state = 'running';
        root.dataset.firstFrame = String(at);
      },
      onEnded: () => {
        if (running !== module) return;
        running = null;
        root.dataset.ended = '1';
        document.title = 'Dorvane (ended)';
        say('ended', 'Dorvane has ended. Reload the page to start it again.', 'Start again', start);
      },
      onAbort: (what) => {
        if (running === module) failed(`Dorvane stopped because of an error (${what}).`);
      },
      printErr: (text) => console.warn(text),
      instantiateWasm: (imports, receive) => {
        WebAssembly.instantiate(compiled, imports).then(
          (instance) => {
            mark('instantiated');
            receive(instance, compiled);
          },
          (error) => failed(`Dorvane could not be started (${error.message}).`));
        return {};
      },
    };
    running = module;
    window.dorvane = module;
    factory(module).catch((error) => {
      if (running === module) failed(`Dorvane could not be started (${error && error.message ? error.message : error}).`);
    });
  }

  // An error that escapes the program (a trap while it handles an event, say) ends it too.
  const escaped = (error) => {
    if (!running) return;
    const text = error && error.message ? error.message : String(error);
    failed(`Dorvane stopped because of an error (${text}).`);
  };
  window.addEventListener('error', (e) => escaped(e.error || e.message));
  window.addEventListener('unhandledrejection', (e) => escaped(e.reason));

  start();
})();
