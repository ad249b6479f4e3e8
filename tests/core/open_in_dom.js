// Reads the JSON lines of open_property, loads each popup code and link code
// as the windows-1252 test page the program writes into a real DOM (jsdom),
// sets the trigger off as a visitor would, runs the timers, and checks that
// window.open received exactly the entered address and window name and the
// asked size and options, that the window type and auto-close act, and that
// no script error occurred.
'use strict';
const {JSDOM, VirtualConsole} = require('jsdom');

const lines = require('fs').readFileSync(0, 'utf8').split('\n').filter(Boolean);

const high1252 = [
  0x20AC, -1,     0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
  0x2039, 0x0152, -1,     0x017D, -1,     -1,     0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
  0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, -1,     0x017E, 0x0178
];
// As the program writes its pages: a character the code page lacks is "?".
function windows1252(text) {
  const bytes = [];
  for (const ch of text) {
    const c = ch.codePointAt(0);
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
      bytes.push(c);
    else if (high1252.indexOf(c) >= 0)
      bytes.push(0x80 + high1252.indexOf(c));
    else
      bytes.push(0x3F);
  }
  return Buffer.from(bytes);
}

function fail(entry, what, detail) {
  console.error(`${what}\n${detail}\nentry: ${JSON.stringify(entry)}`);
  process.exit(1);
}

function features(text) {
  const out = {};
  for (const item of text.split(',')) {
    const eq = item.indexOf('=');
    out[item.slice(0, eq)] = item.slice(eq + 1);
  }
  return out;
}

async function load(html, withHtmlFrame) {
  const errors = [];
  const virtualConsole = new VirtualConsole();
  virtualConsole.on('jsdomError', (e) => errors.push(e.message));
  const page = withHtmlFrame ?
      html :
      '<html><head><title>Popup Test Page</title></head><body>' + html + '</body></html>';
  const dom = new JSDOM(windows1252(page), {
    runScripts: 'dangerously',
    virtualConsole,
    contentType: 'text/html',
    beforeParse(window) {
      window.__opened = [];
      window.__timers = [];
      window.open = function(url, name, featureText) {
        const popup = {
          closed: false,
          order: 'none',
          close() {
            this.closed = true;
          },
          focus() {
            this.order = 'focus';
          },
          blur() {
            this.order = 'blur';
          }
        };
        window.__opened.push({args: Array.from(arguments), popup});
        return popup;
      };
      window.setTimeout = function(handler, ms) {
        window.__timers.push({handler, ms});
        return window.__timers.length;
      };
    },
  });
  if (dom.window.document.readyState !== 'complete')
    await new Promise((resolve) => dom.window.addEventListener('load', resolve));
  return {dom, window: dom.window, errors};
}

function runScript(window, errors, code) {
  try {
    window.eval(code);
  } catch (e) {
    errors.push(String(e));
  }
}

function trigger(kind, window, errors) {
  const doc = window.document;
  if (kind === 'StandardLink' || kind === 'ImageLink') {
    // A javascript: address runs its percent-decoded text.
    const a = Array.from(doc.querySelectorAll('a'))
                  .find(
                      (x) => x.getAttribute('onclick') ||
                          /^\s*javascript:/i.test(x.getAttribute('href') || ''));
    if (!a) return 'no link';
    if (a.getAttribute('onclick')) {
      a.click();
      return null;
    }
    const href = a.getAttribute('href').replace(/^\s*javascript:/i, '');
    runScript(window, errors, decodeURIComponent(href));
  } else if (kind === 'FormButton') {
    const button = doc.querySelector('input[type=button]');
    if (!button) return 'no button';
    button.click();
  } else if (kind === 'MouseOver') {
    const a = doc.querySelector('a[onmouseover]');
    if (!a) return 'no mouse-over link';
    a.dispatchEvent(new window.MouseEvent('mouseover', {bubbles: true}));
  } else if (kind === 'PageClose') {
    // Leaving: the pointer out at the top (in the page), then the unload.
    doc.body.dispatchEvent(new window.MouseEvent('mouseout', {bubbles: true, clientY: -1}));
    window.dispatchEvent(new window.Event('unload'));
  }
  return null;  // "PageLoad" has fired by now
}

function runTimers(window, errors) {
  const ran = [];
  for (let i = 0; i < window.__timers.length && i < 10; ++i) {
    const {handler, ms} = window.__timers[i];
    ran.push(ms);
    if (typeof handler === 'string')
      runScript(window, errors, handler);
    else
      handler();
  }
  return ran;
}

// The In Page dialog, in a DOM that knows no showModal (as an old browser):
// it stands open in the page, named and framing exactly what was entered.
function checkInPage(entry, window, ran) {
  const d = window.document.querySelector('dialog');
  if (!d) fail(entry, 'in page: no dialog', '');
  if (window.__opened.length) fail(entry, 'in page: a window was opened', '');
  if (!d.hasAttribute('open')) fail(entry, 'in page: the dialog is not open', '');
  if (d.getAttribute('aria-label') !== entry.name)
    fail(entry, 'in page: another name', d.getAttribute('aria-label'));
  const frame = d.querySelector('iframe');
  if (frame.getAttribute('src') !== entry.url)
    fail(entry, 'in page: another address', frame.getAttribute('src'));
  for (const [side, value] of [['width', entry.width], ['height', entry.height]])
    if (Number(value) >= 0 && frame.style[side] !== String(Number(value)) + 'px')
      fail(entry, `in page: another ${side}`, frame.style[side]);
  if (!entry.center && Number(entry.top) >= 0 && d.style.top !== String(Number(entry.top)) + 'px')
    fail(entry, 'in page: another place', d.style.top);
  const scrolls = !frame.hasAttribute('scrolling');
  if (scrolls !== entry.options.split(',').includes('scrollbars'))
    fail(entry, 'in page: scrolling', String(scrolls));
  const times = [];
  if (entry.delay) times.push(Number(entry.delay) * 1000);
  if (entry.close) times.push(Number(entry.close) * 1000);
  if (ran.join() !== times.join()) fail(entry, `in page: timers ${ran} instead of ${times}`, '');
}

function check(entry, opened, ran, what, full) {
  const where = `${what} of ${entry.trigger}`;
  if (opened.length !== 1) fail(entry, `${where}: window.open called ${opened.length} times`, '');
  const [url, name, featureText] = opened[0].args;
  if (url !== entry.url) fail(entry, `${where}: another address`, `${JSON.stringify(url)}`);
  if (name !== entry.name) fail(entry, `${where}: another window name`, JSON.stringify(name));
  const f = features(featureText);
  const expected =
      ['top', 'left'].concat(entry.options ? entry.options.split(',') : [], ['width', 'height']);
  if (Object.keys(f).join() !== expected.join())
    fail(entry, `${where}: other window options`, featureText);
  if (f.width !== entry.width || f.height !== entry.height)
    fail(entry, `${where}: another size`, featureText);
  for (const option of expected.slice(2, -2))
    if (f[option] !== ' 1') fail(entry, `${where}: option ${option} not on`, featureText);
  if (entry.center) {
    const top = String((opened.screenHeight - Number(entry.height)) / 2);
    const left = String((opened.screenWidth - Number(entry.width)) / 2);
    if (f.top !== top || f.left !== left) fail(entry, `${where}: not centred`, featureText);
  } else if (f.top !== entry.top || f.left !== entry.left) {
    fail(entry, `${where}: another position`, featureText);
  }
  if (!full) return;
  const popup = opened[0].popup;
  const order = {Normal: 'none', PopupOver: 'focus', PopupUnder: 'blur'}[entry.order];
  if (popup.order !== order) fail(entry, `${where}: window type not applied`, popup.order);
  const times = [];
  if (entry.delay) times.push(Number(entry.delay) * 1000);
  if (entry.close) times.push(Number(entry.close) * 1000);
  if (ran.join() !== times.join()) fail(entry, `${where}: timers ${ran} instead of ${times}`, '');
  if (popup.closed !== Boolean(entry.close)) fail(entry, `${where}: auto-close`, '');
}

(async () => {
  let accepted = 0, links = 0, inPage = 0;
  for (const line of lines) {
    const entry = JSON.parse(line);
    if (!entry.accepted) continue;
    ++accepted;
    for (const [what, html] of [['popup code', entry.popup], ['link code', entry.link]]) {
      if (!html) continue;
      if (what === 'link code') ++links;
      const {dom, window, errors} = await load(html, what === 'popup code');
      const missing = trigger(entry.trigger, window, errors);
      if (missing) fail(entry, `${what}: ${missing}`, html);
      const ran = runTimers(window, errors);
      if (errors.length) fail(entry, `${what}: script error`, errors.join('\n') + '\n' + html);
      if (entry.order === 'InPage') {
        checkInPage(entry, window, ran);
        ++inPage;
        dom.window.close();
        continue;
      }
      const opened = window.__opened;
      opened.screenWidth = window.screen.width;
      opened.screenHeight = window.screen.height;
      check(entry, opened, ran, what, what === 'popup code');
      dom.window.close();
    }
  }
  console.log(
      `${lines.length} entries, ${accepted} accepted, ${links} link codes, ${
          inPage} in the page, all opened ` +
      'exactly what was entered');
  if (lines.length < 500 || accepted < lines.length / 3 || links < accepted / 20 ||
      inPage < accepted / 20)
    process.exit(1);
})();
