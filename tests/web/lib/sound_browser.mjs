// Serving a folder on 127.0.0.1 and launching Debian's Chromium headless through playwright-core,
// for the sound's page tests.
import {spawn} from 'node:child_process';
import {chromium} from 'playwright-core';

// Serves `folder` with python3's http.server on a free port of 127.0.0.1: {url, stop()}.
export function serveFolder(folder) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', folder],
                         {stdio: ['ignore', 'pipe', 'pipe']});
    let output = '';
    const timer = setTimeout(() => {
      server.kill();
      reject(new Error(`the file server did not start: ${output}`));
    }, 10000);
    server.stdout.on('data', (chunk) => {
      output += chunk;
      const port = /port (\d+)/.exec(output);
      if (!port) return;
      clearTimeout(timer);
      resolve({url: `http://127.0.0.1:${port[1]}`, stop: () => server.kill()});
    });
    server.on('error', (error) => {
      clearTimeout(timer);
      reject(error);
    });
  });
}

// Headless Chromium with WebGL on SwiftShader and sound that needs no gesture.
export function launchChromium() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--ignore-gpu-blocklist',
           '--autoplay-policy=no-user-gesture-required'],
  });
}
