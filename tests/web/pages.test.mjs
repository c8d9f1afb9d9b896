// The page as a person meets it: the question answered both ways, the show running, Escape
// ending it and the offer to play again, a soundtrack that does not load, and a browser that
// lacks what the show needs. No page may log an error.
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import {
  brokenMusicFolder, launch, nativeSoundtrack, openPage, recordedSamples, serve, siteFolder,
} from './lib/browser.mjs';

const TEST_TIMEOUT = 60000;
let site, brokenSite, browser;
before(async () => {
  site = await serve(siteFolder);
  brokenSite = await serve(brokenMusicFolder);
  browser = await launch();
});
after(async () => {
  await browser?.close();
  await site?.close();
  await brokenSite?.close();
});

async function question(page, url) {
  await page.goto(url);
  await page.waitForSelector('#box:not([hidden])', { timeout: 20000 });
  return page.evaluate(() => ({
    caption: document.getElementById('box-caption').textContent,
    text: document.getElementById('box-text').textContent,
    buttons: [...document.querySelectorAll('#box-buttons button')].map((b) => b.textContent),
  }));
}

async function answer(page, label) {
  await page.click(`#box-buttons button:text-is("${label}")`);
}

// Until the show is past its start-up frames and its clock has moved.
async function showRunning(page) {
  await page.waitForFunction(() => {
    const show = globalThis.quadriseTest.show();
    return show.state >= 0 && show.clock > 0;
  }, null, { timeout: 40000 });
}

const ended = (page) => page.evaluate(() => globalThis.quadriseTest.ended === true);

describe('the question', { timeout: TEST_TIMEOUT }, () => {
  it('asks "1024x768 fullscreen?." and after No plays the show in the page, with its sound', async () => {
    const page = await openPage(browser);
    assert.deepEqual(await question(page, `${site.url}?record=2`), {
      caption: 'KOLMIRAS Quadrise-Trackmo', text: '1024x768 fullscreen?.', buttons: ['Yes', 'No'],
    });
    await answer(page, 'No');
    await showRunning(page);
    const view = await page.evaluate(() => {
      const canvas = document.getElementById('canvas');
      return { fullscreen: document.fullscreenElement !== null, visible: canvas.style.visibility,
               cursor: canvas.style.cursor, width: canvas.width, height: canvas.height };
    });
    assert.deepEqual(view, { fullscreen: false, visible: 'visible', cursor: 'none', width: 1024, height: 768 });
    const heard = await recordedSamples(page, 20000);
    assert.ok(heard.length > 0 && heard.equals(nativeSoundtrack(2)), 'the page played other sound than the native render');
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('after Yes puts the canvas in full screen', async () => {
    const page = await openPage(browser);
    await question(page, site.url);
    await answer(page, 'Yes');
    await page.waitForFunction(() => document.fullscreenElement?.id === 'canvas', null, { timeout: 5000 });
    await showRunning(page);
    assert.deepEqual(page.problems, []);
    await page.close();
  });
});

describe('the end of the show', { timeout: TEST_TIMEOUT }, () => {
  it('comes when Escape is released, not when it is pressed, and offers to play again', async () => {
    const page = await openPage(browser);
    await question(page, site.url);
    await answer(page, 'No');
    await showRunning(page);
    await page.keyboard.down('Escape');
    // Frames go on while Escape is held.
    const clock = await page.evaluate(() => globalThis.quadriseTest.show().clock);
    await page.waitForFunction((before) => globalThis.quadriseTest.show().clock > before, clock);
    assert.equal(await ended(page), false);
    await page.keyboard.up('Escape');
    await page.waitForFunction(() => globalThis.quadriseTest.ended === true, null, { timeout: 5000 });
    assert.equal(await page.textContent('#status'), 'The show has ended.');
    assert.equal(await page.evaluate(() => document.getElementById('canvas').style.visibility), 'hidden');
    await page.click('#again-button');
    assert.equal((await question(page, page.url())).text, '1024x768 fullscreen?.');
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('comes after "Error music load." when the soundtrack does not load', async () => {
    const page = await openPage(browser);
    await question(page, brokenSite.url);
    await answer(page, 'No');
    await page.waitForFunction(
      () => document.getElementById('box-text').textContent === 'Error music load.' &&
            !document.getElementById('box').hidden, null, { timeout: 30000 });
    assert.equal(await page.textContent('#box-caption'), 'Error');
    assert.equal(await ended(page), false);
    await answer(page, 'OK');
    await page.waitForFunction(() => globalThis.quadriseTest.ended === true, null, { timeout: 5000 });
    assert.deepEqual(page.problems, []);
    await page.close();
  });
});

describe('the picture hook', { timeout: TEST_TIMEOUT }, () => {
  for (const time of ['abc', '-5', '4294967296']) {
    it(`refuses ?time=${time} in one line and draws nothing`, async () => {
      const page = await openPage(browser);
      await page.goto(`${site.url}?time=${time}`);
      await page.waitForFunction(() => document.getElementById('status').textContent !== '');
      assert.equal(await page.textContent('#status'),
                   `The time to show must be a whole number of milliseconds, not "${time}".`);
      assert.equal(await page.evaluate(() => globalThis.Module === undefined), true);
      assert.deepEqual(page.problems, []);
      await page.close();
    });
  }
});

describe('a browser without what the show needs', { timeout: TEST_TIMEOUT }, () => {
  const lacking = [
    ['WebGL', () => { HTMLCanvasElement.prototype.getContext = () => null; },
     'This browser has no WebGL: the show cannot draw.'],
    ['WebAssembly', () => { delete globalThis.WebAssembly; },
     'This browser has no WebAssembly: the show cannot run.'],
  ];
  for (const [what, take_away, line] of lacking) {
    it(`says so in one line when ${what} is missing`, async () => {
      const page = await openPage(browser);
      await page.addInitScript(take_away);
      await page.goto(site.url);
      await page.waitForFunction(() => document.getElementById('status').textContent !== '');
      assert.equal(await page.textContent('#status'), line);
      assert.equal(await page.evaluate(() => document.getElementById('box').hidden), true);
      assert.deepEqual(page.problems, []);
      await page.close();
    });
  }
});
