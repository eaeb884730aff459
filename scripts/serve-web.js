#!/usr/bin/env node
// serve-web.js — serves the web build's folder on 127.0.0.1, for playing locally and for
// the tests:
//
//   node scripts/serve-web.js [--port N] [--plain] [DIR]     (DIR defaults to build-web)
//
// By default it sends the cross-origin isolation headers (COOP same-origin, COEP
// require-corp), so the page runs its threaded build; --plain sends none, as a plain
// static host would. Port 8080 by default, or any free one when it is taken; --port 0
// always takes a free one. Prints the address to open on its first line of output.
'use strict';

const http = require('http');
const fs = require('fs');
const path = require('path');

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.wasm': 'application/wasm',
  '.json': 'application/json', '.png': 'image/png', '.zip': 'application/zip', '.txt': 'text/plain; charset=utf-8',
};

function usage(message) {
  if (message) console.error(`serve-web: ${message}`);
  console.error('usage: serve-web.js [--port N] [--plain] [DIR]');
  process.exit(2);
}

let port = null, isolated = true, dir = null;
const args = process.argv.slice(2);
for (let i = 0; i < args.length; i++) {
  if (args[i] === '--port' && i + 1 < args.length) {
    port = Number(args[++i]);
    if (!Number.isInteger(port) || port < 0 || port > 65535) usage(`not a port: ${args[i]}`);
  } else if (args[i] === '--plain') {
    isolated = false;
  } else if (args[i] === '--help' || args[i].startsWith('-') || dir !== null) {
    usage(args[i] === '--help' ? '' : `unexpected argument: ${args[i]}`);
  } else {
    dir = args[i];
  }
}
const root = path.resolve(dir || path.join(__dirname, '..', 'build-web'));
if (!fs.existsSync(path.join(root, 'index.html'))) {
  console.error(`serve-web: ${root} has no index.html (run make web first)`);
  process.exit(1);
}

const server = http.createServer((req, res) => {
  const headers = {'Cache-Control': 'no-cache'};
  if (isolated) {
    headers['Cross-Origin-Opener-Policy'] = 'same-origin';
    headers['Cross-Origin-Embedder-Policy'] = 'require-corp';
  }
  if (req.method !== 'GET' && req.method !== 'HEAD') {
    res.writeHead(405, {...headers, Allow: 'GET, HEAD'}).end();
    return;
  }
  let name;
  try {
    name = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
  } catch {
    res.writeHead(400, headers).end();
    return;
  }
  if (name.endsWith('/')) name += 'index.html';
  const file = path.join(root, path.normalize(name));
  if (!file.startsWith(root + path.sep)) {
    res.writeHead(403, headers).end();
    return;
  }
  fs.stat(file, (err, st) => {
    if (err || !st.isFile()) {
      res.writeHead(404, {...headers, 'Content-Type': 'text/plain'}).end('not found\n');
      return;
    }
    headers['Content-Type'] = TYPES[path.extname(file)] || 'application/octet-stream';
    headers['Content-Length'] = st.size;
    res.writeHead(200, headers);
    if (req.method === 'HEAD') res.end();
    else fs.createReadStream(file).pipe(res);
  });
});

function listen(p, fallback) {
  server.once('error', (err) => {
    if (err.code === 'EADDRINUSE' && fallback) listen(0, false);
    else {
      console.error(`serve-web: cannot listen on 127.0.0.1:${p}: ${err.message}`);
      process.exit(1);
    }
  });
  server.listen(p, '127.0.0.1', () => {
    const url = `http://127.0.0.1:${server.address().port}/`;
    console.log(`${url}  (${root}; ${isolated ? 'cross-origin isolated: the threaded build' : 'no isolation headers'})`);
  });
}
listen(port === null ? 8080 : port, port === null);
for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => process.exit(0));
