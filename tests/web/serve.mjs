// A static file server for the browser build, on the loopback address only, as a static host
// serves the page: a file's precompressed copy (FILE.br, FILE.gz) where the browser takes that
// encoding. As a program: node serve.mjs DIR PORT serves DIR and says where in one line.
import { createServer } from 'node:http';
import { readFile, stat } from 'node:fs/promises';
import { extname, join, normalize, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.ico': 'image/x-icon',
};

// Serves root on 127.0.0.1:port (0 picks a free port); resolves to the listening server.
export function serve(root, port = 0) {
  const base = resolve(root);
  const server = createServer(async (request, response) => {
    let path;
    try {
      path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    } catch {
      response.writeHead(400).end();
      return;
    }
    const file = normalize(join(base, path.endsWith('/') ? path + 'index.html' : path));
    if (!file.startsWith(base + '/')) {
      response.writeHead(403).end();
      return;
    }
    try {
      if (!(await stat(file)).isFile()) throw new Error('not a file');
      const accepted = String(request.headers['accept-encoding'] || '');
      let body = null;
      let encoding = null;
      for (const [name, suffix] of [['br', '.br'], ['gzip', '.gz']]) {
        if (!new RegExp(`\\b${name}\\b`).test(accepted)) continue;
        body = await readFile(file + suffix).catch(() => null);
        if (body) {
          encoding = name;
          break;
        }
      }
      if (!body) body = await readFile(file);
      const headers = {
        'Content-Type': types[extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-store',
        'Vary': 'Accept-Encoding',
      };
      if (encoding) headers['Content-Encoding'] = encoding;
      response.writeHead(200, headers);
      response.end(request.method === 'HEAD' ? undefined : body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => done(server));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [root = 'build-web', port = '8000'] = process.argv.slice(2);
  try {
    await serve(root, Number(port));
    console.log(`Dorvane is served at http://127.0.0.1:${port}/ (Ctrl+C stops it)`);
  } catch (error) {
    console.error(`serve: cannot serve on port ${port}: ${error.message}`);
    process.exit(1);
  }
}
