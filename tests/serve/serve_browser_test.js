// The live page in a real browser: a save is drawn without a reload within
// the bound, keeping the scroll and zoom; an error shows its findings over the
// dimmed drawing and the fix brings the drawing back; a page started on a
// broken folder shows the findings alone; a stopped server is told.
'use strict';
const assert = require('node:assert/strict');
const {spawn} = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const [tool, starter, screenshot] = process.argv.slice(2);
const boundMs = 300;
const running = new Set();  // the serve processes to end if a test fails
process.on('exit', () => { for (const child of running) child.kill('SIGKILL'); });

function copyStarter() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'serve-browser-'));
  for (const name of fs.readdirSync(starter)) fs.copyFileSync(path.join(starter, name), path.join(folder, name));
  return folder;
}

// Starts serve on `folder`; resolves with the process and the URL it prints first.
function startServe(folder) {
  return new Promise((resolve, reject) => {
    const child = spawn(tool, ['serve', folder], {stdio: ['ignore', 'pipe', 'inherit']});
    running.add(child);
    let out = '';
    child.stdout.on('data', chunk => {
      out += chunk;
      const line = out.split('\n')[0];
      if (out.includes('\n')) resolve({child, url: line.trim(), output: () => out});
    });
    child.on('exit', code => reject(new Error('serve ended with status ' + code + ': ' + out)));
  });
}

function stopServe(served) {
  return new Promise(resolve => {
    served.child.removeAllListeners('exit');
    served.child.on('exit', code => {
      running.delete(served.child);
      resolve(code);
    });
    served.child.kill('SIGINT');
  });
}

const summaryLength = () => {
  const row = [...document.querySelectorAll('table.summary tr')].find(r => r.textContent.startsWith('Route length'));
  return row ? row.querySelector('td').textContent : null;
};
const coursePath = () => {
  const course = document.querySelector('svg.map polyline.course');
  return course ? course.getAttribute('points') : null;
};

function edit(folder, from, to) {
  const file = path.join(folder, 'linea.txt');
  const text = fs.readFileSync(file, 'latin1');
  assert.ok(text.includes(from), from);
  fs.writeFileSync(file, text.replace(from, to), 'latin1');
}

async function savesAreDrawnInPlace(browser) {
  const folder = copyStarter();
  const before = fs.readdirSync(folder).sort();
  const served = await startServe(folder);
  const page = await browser.newPage();
  await page.setViewport({width: 1200, height: 700});
  await page.goto(served.url);
  await page.waitForSelector('svg.map polyline.course');
  assert.equal(await page.evaluate(summaryLength), '5,000 m');
  const firstPath = await page.evaluate(coursePath);
  // A mark that a reload would lose, a scroll and a zoom that must stay.
  await page.evaluate(() => { window.notReloaded = true; window.scrollTo(0, 400); });
  await page.click('button[data-zoom="in"]');
  const zoomed = await page.evaluate(() => document.querySelector('svg.map').getAttribute('viewBox'));

  // The route length and the side of the curve, then the length alone four
  // times more: the median of the five must be within the bound (one save
  // may meet a machine busy with other work).
  const lengths = ['6,500 m', '5,000 m', '6,500 m', '5,000 m', '6,500 m'];
  const times = [];
  for (const [round, shown] of lengths.entries()) {
    const saved = Date.now();
    if (round % 2 === 0) edit(folder, 'lunghezza percorso,    5000', 'lunghezza percorso,    6500');
    else edit(folder, 'lunghezza percorso,    6500', 'lunghezza percorso,    5000');
    if (round === 0) edit(folder, 'curvad3,  1200', 'curvas3,  1200');
    await page.waitForFunction(length => {
      const row = [...document.querySelectorAll('table.summary tr')].find(r => r.textContent.startsWith('Route length'));
      return row && row.querySelector('td').textContent === length;
    }, {polling: 'raf', timeout: 5000}, shown);
    times.push(Date.now() - saved);
  }
  const median = [...times].sort((a, b) => a - b)[2];
  console.log('save to new drawing: ' + times.join(', ') + ' ms; median ' + median + ' ms');
  assert.ok(median <= boundMs, 'the new drawing took ' + median + ' ms (median), above ' + boundMs);
  await page.waitForFunction(p => {
    const course = document.querySelector('svg.map polyline.course');
    return course && course.getAttribute('points') !== p;
  }, {timeout: 2000}, firstPath);
  assert.equal(await page.evaluate(() => window.notReloaded), true, 'the page was reloaded');
  assert.equal(await page.evaluate(() => window.scrollY), 400, 'the scroll position was lost');
  const zoomAfter = await page.evaluate(() => document.querySelector('svg.map').getAttribute('viewBox'));
  const whole = await page.evaluate(() => document.querySelector('svg.map').dataset.whole);
  assert.notEqual(zoomAfter, whole, 'the zoom was lost: ' + zoomAfter + ' (was ' + zoomed + ')');

  // An error: the findings at their file:line with the line's text, over the dimmed drawing.
  edit(folder, 'pendenza,  1800,    6', 'pendenze,  1800,    6');
  await page.waitForSelector('#findings:not([hidden]) li.error');
  const finding = await page.evaluate(() => document.querySelector('#findings li.error').textContent);
  assert.match(finding, /^linea\.txt:21: error: .*pendenze.*\[-Wunknown-keyword\]pendenze,  1800,    6$/);
  assert.equal(await page.evaluate(() => document.getElementById('drawing').classList.contains('stale')), true);
  assert.equal(await page.evaluate(summaryLength), '6,500 m', 'the last good drawing stays below');
  if (screenshot) await page.screenshot({path: screenshot});
  // Fixed: the drawing comes back by itself.
  edit(folder, 'pendenze,  1800,    6', 'pendenza,  1800,    6');
  await page.waitForSelector('#findings[hidden]');
  assert.equal(await page.evaluate(() => document.getElementById('drawing').classList.contains('stale')), false);

  // The server stops: the page says so.
  assert.equal(await stopServe(served), 0);
  await page.waitForSelector('#bar.stopped', {timeout: 5000});
  assert.match(await page.evaluate(() => document.getElementById('status').textContent), /server has stopped/);
  assert.deepEqual(fs.readdirSync(folder).sort(), before, 'something was written into the folder');
  fs.rmSync(folder, {recursive: true});
  await page.close();
}

async function aBrokenStartShowsTheFindingsAlone(browser) {
  const folder = copyStarter();
  edit(folder, 'pendenza,  1800,    6', 'pendenze,  1800,    6');
  const served = await startServe(folder);
  const page = await browser.newPage();
  await page.goto(served.url);
  await page.waitForSelector('#findings:not([hidden]) li.error');
  assert.equal(await page.$('svg.map'), null, 'a drawing before any good save');
  edit(folder, 'pendenze,  1800,    6', 'pendenza,  1800,    6');
  await page.waitForSelector('svg.map polyline.course');
  assert.equal(await page.evaluate(() => document.getElementById('findings').hidden), true);
  // Under the pointer on the profile at 2,000 m: the climb of 6 from 1,800 m.
  const at = await page.evaluate(async () => {
    const profile = (await (await fetch('/view')).json()).profile;
    const svg = document.querySelector('svg.profile');
    svg.scrollIntoView();
    const box = svg.viewBox.baseVal;
    const x = profile.left + 2000 / profile.extent_m * profile.width;
    const p = new DOMPoint(x, box.y + 80).matrixTransform(svg.getScreenCTM());
    return {x: p.x, y: p.y};
  });
  await page.mouse.move(at.x, at.y);
  const told = await page.evaluate(() => document.getElementById('hover').hidden ? '' :
                                         document.getElementById('hover').textContent);
  assert.match(told, /gradient 6 \u2030/, told);
  assert.match(told, /chainage (1,9[5-9]\d|2,0[0-4]\d) m/, told);
  assert.match(told, /height \d+\.\d m/, told);
  assert.equal(await stopServe(served), 0);
  fs.rmSync(folder, {recursive: true});
  await page.close();
}

(async () => {
  const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true,
                                          args: ['--no-sandbox', '--disable-gpu']});
  try {
    await savesAreDrawnInPlace(browser);
    await aBrokenStartShowsTheFindingsAlone(browser);
    console.log('serve browser tests passed');
  } finally {
    await browser.close();
  }
})().catch(error => {
  console.error(error);
  process.exit(1);
});
