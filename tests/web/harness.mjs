// What the page's browser test starts: the program (or the full-run fixture) on a free loopback
// port, and Debian's chromium driven headless through playwright-core, with a profile of its own.
import { spawn, execFile } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '../../web/package.json'));
const { chromium } = require('playwright-core');

export const CHROMIUM = '/usr/bin/chromium';
const CHROMIUM_ARGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

export function tempDir(name) {
  return mkdtempSync(path.join(os.tmpdir(), `korvale-web-${name}-`));
}

// A port nobody listens on now (the kernel's choice for port 0, given back at once).
export function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.unref();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The environment the program gets in its tests: the simulated demonstration units, per-user
// folders of its own, no display.
export function programEnv(dir) {
  const env = { ...process.env, USBKIT_SIMULATE: 'demo' };
  for (const name of ['DISPLAY', 'WAYLAND_DISPLAY', 'QT_QPA_PLATFORM']) delete env[name];
  env.XDG_DATA_HOME = path.join(dir, 'data');
  env.XDG_CONFIG_HOME = path.join(dir, 'config');
  return env;
}

// A started process whose output is kept for the failure message.
export class Program {
  constructor(file, args, env) {
    this.output = '';
    this.exited = null;
    this.child = spawn(file, args, { env, stdio: ['ignore', 'pipe', 'pipe'] });
    const keep = (chunk) => { this.output += chunk.toString(); };
    this.child.stdout.on('data', keep);
    this.child.stderr.on('data', keep);
    this.ended = new Promise((resolve) => {
      this.child.on('exit', (code, signal) => {
        this.exited = { code, signal };
        resolve(this.exited);
      });
    });
  }

  // Waits until the output holds text; fails at once when the program ends first.
  async waitForOutput(text, ms) {
    const until = Date.now() + ms;
    while (!this.output.includes(text)) {
      if (this.exited) throw new Error(`ended (${JSON.stringify(this.exited)}):\n${this.output}`);
      if (Date.now() > until) throw new Error(`no "${text}" within ${ms} ms:\n${this.output}`);
      await sleep(50);
    }
  }

  async stop() {
    if (!this.exited) this.child.kill('SIGTERM');
    const timer = setTimeout(() => this.child.kill('SIGKILL'), 10000);
    await this.ended;
    clearTimeout(timer);
  }
}

// Waits until url answers 200 (the server is up); fails when program ends first.
export async function waitForHttp(url, program, ms) {
  const until = Date.now() + ms;
  for (;;) {
    if (program.exited) throw new Error(`ended (${JSON.stringify(program.exited)}):\n${program.output}`);
    try {
      const response = await fetch(url);
      if (response.ok) return;
    } catch {
      // not listening yet
    }
    if (Date.now() > until) throw new Error(`${url} did not answer within ${ms} ms:\n${program.output}`);
    await sleep(100);
  }
}

// A TCP relay in front of a server whose connections can be cut: the browser's side sees its
// connections closed and new ones refused for a while, as on a lost network.
export class CuttableRelay {
  constructor(targetPort) {
    this.sockets = new Set();
    this.refusing = false;
    this.server = net.createServer((client) => {
      if (this.refusing) {
        client.destroy();
        return;
      }
      const upstream = net.connect(targetPort, '127.0.0.1');
      for (const [a, b] of [[client, upstream], [upstream, client]]) {
        this.sockets.add(a);
        a.pipe(b);
        a.on('error', () => b.destroy());
        a.on('close', () => {
          this.sockets.delete(a);
          b.destroy();
        });
      }
    });
  }

  listen() {
    return new Promise((resolve) => {
      this.server.listen(0, '127.0.0.1', () => resolve(this.server.address().port));
    });
  }

  // Closes every connection and refuses new ones for ms.
  async cut(ms) {
    this.refusing = true;
    for (const s of this.sockets) s.destroy();
    await sleep(ms);
    this.refusing = false;
  }

  close() {
    for (const s of this.sockets) s.destroy();
    this.server.close();
  }
}

export function runToEnd(file, args, env) {
  return new Promise((resolve) => {
    execFile(file, args, { env, timeout: 30000 }, (error, stdout, stderr) => {
      resolve({ code: error ? error.code ?? 1 : 0, stdout, stderr });
    });
  });
}

export function writeFile(dir, name, text) {
  const file = path.join(dir, name);
  writeFileSync(file, text);
  return file;
}

export async function launchBrowser(profileDir) {
  return chromium.launchPersistentContext(profileDir, {
    executablePath: CHROMIUM,
    headless: true,
    args: CHROMIUM_ARGS,
    viewport: { width: 1280, height: 800 },
  });
}

export function removeDir(dir) {
  rmSync(dir, { recursive: true, force: true });
}
