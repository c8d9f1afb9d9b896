// The page's pictures against the native frame tool's (quadrise-render frame) at the same music
// times: a frame of every drawn state, with the cubes batched (as the show draws them) and one at
// a time through the GL layer's own lighting and fog (QUADRISE_DRAW=immediate).
//
// Tolerance: SwiftShader and Mesa's llvmpipe place the edges of a face a pixel apart here and
// there, and a face a pixel thin may be drawn by one and not the other. So every pixel of each
// picture must have a pixel of nearly its colour (2 levels) at its place or next to it in the
// other, except at most UNMATCHED_MOST of the frame's pixels (0.4 %; the frames measured leave at
// most 0.27 %, the far bands, where thousands of small cubes make the most edges). A wrong colour
// anywhere on the cubes (light, fog, material) exceeds that many times over. The text's pixels
// (grey: no cube colour is) must be identical outside the fogged states.
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { launch, openPage, serve, siteFolder } from './lib/browser.mjs';
import { nativeFrame, textDifference, unmatched, webFrame } from './lib/pictures.mjs';

const WIDTH = 1024, HEIGHT = 768;
const UNMATCHED_MOST = Math.floor(WIDTH * HEIGHT * 0.004);

// A frame of every state the show draws; `text` where the text must match to the pixel.
const FRAMES = [
  { ms: 0, state: 'loading', text: true },
  { ms: 6000, state: 'title, "a new trackmo"', text: true },
  { ms: 13000, state: 'title, "by KOLMIRAS"', text: true },
  { ms: 20000, state: 'title, cubes alone' },
  { ms: 50000, state: 'palette A' },
  { ms: 60000, state: 'palette B' },
  { ms: 80000, state: 'tilted' },
  { ms: 95000, state: 'bands, fogged' },
  { ms: 110000, state: 'trail and greetings', text: true },
  { ms: 118500, state: 'greetings fading', text: true },
  { ms: 125000, state: 'far bands, fogged' },
  { ms: 150000, state: 'spinning' },
];

let server, browser;
before(async () => {
  server = await serve(siteFolder);
  browser = await launch();
});
after(async () => {
  await browser?.close();
  await server?.close();
});

function pictureCase(draw, frame, page) {
  return async () => {
    const web = await webFrame(page(), frame.ms);
    const native = nativeFrame(frame.ms, draw === 'immediate' ? { QUADRISE_DRAW: 'immediate' } : {});
    const missing = unmatched(web, native, WIDTH, HEIGHT, 2);
    const extra = unmatched(native, web, WIDTH, HEIGHT, 2);
    assert.ok(missing.count <= UNMATCHED_MOST && extra.count <= UNMATCHED_MOST,
              `${frame.ms} ms: ${missing.count} page pixels unlike the frame tool's near them ` +
              `(first at ${JSON.stringify(missing.first)}), ${extra.count} the other way ` +
              `(first at ${JSON.stringify(extra.first)}); at most ${UNMATCHED_MOST}`);
    if (frame.text) assert.equal(textDifference(web, native), 0, `${frame.ms} ms: the text differs`);
  };
}

// How the pictures are drawn: as the show draws them (on WebGL 2, which Chromium offers), the
// cubes one at a time through the layer's own lighting and fog, and on WebGL 1 (32-bit indices
// from its extension), the page's fallback where WebGL 2 is missing.
const VARIANTS = [
  { name: 'batched on WebGL 2', query: '', webgl: 'webgl2', frames: FRAMES },
  { name: 'immediate', query: '&draw=immediate', webgl: 'webgl2', frames: [20000, 95000, 150000] },
  { name: 'batched on WebGL 1', query: '', webgl: 'webgl', frames: [0, 95000, 110000] },
];

for (const variant of VARIANTS) {
  describe(`pictures, ${variant.name}`, { timeout: 180000 }, () => {
    let page;
    before(async () => {
      page = await openPage(browser);
      if (variant.webgl === 'webgl') {
        await page.addInitScript(() => {
          const getContext = HTMLCanvasElement.prototype.getContext;
          HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
            return type === 'webgl2' ? null : getContext.call(this, type, ...rest);
          };
        });
      }
      await page.goto(`${server.url}?time=0${variant.query}`);
      await page.waitForFunction(() => globalThis.quadriseTest.picture !== undefined, null,
                                 { timeout: 60000 });
      // Asking the canvas for the context it has returns it; for another kind, null.
      const kind = await page.evaluate((type) =>
        document.getElementById('canvas').getContext(type) !== null, variant.webgl);
      assert.ok(kind, `the page draws with ${variant.webgl}`);
      // The batch counts the cubes it sends; one at a time, the cubes go past it.
      await webFrame(page, 20000);
      const batched = await page.evaluate(() => globalThis.Module._picture_cubes_sent() > 0);
      assert.equal(batched, !variant.query.includes('immediate'), 'the cubes drawn as named');
    });
    after(async () => {
      assert.deepEqual(page.problems, []);
      await page.close();
    });
    const draw = variant.query.includes('immediate') ? 'immediate' : 'batched';
    for (const frame of FRAMES.filter((f) => variant.frames === FRAMES || variant.frames.includes(f.ms)))
      it(`${frame.state} at ${frame.ms} ms`, pictureCase(draw, frame, () => page));
  });
}
