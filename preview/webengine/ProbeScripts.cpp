#include "preview/webengine/ProbeScripts.h"

namespace orvanta {

// Runs in the page's own world before any of the page's script: only there
// are the page's window.open calls seen. It notes what the user did (only
// trusted events: a script's link.click() is no click), wraps window.open
// and reports uncaught errors. Every function and getter it uses was taken
// before the page could replace them, it builds its lines without calling
// anything a page can hook (JSON.stringify of an array would ask the page's
// Array.prototype.toJSON), and nothing it does throws into the page.
//
// A top-level document always gets a fresh window, so the main frame's copy
// holds clean references and its secret never reaches the page. A frame may
// reuse the window of its first, empty document, which the page could
// have changed beforehand: frames speak with a secret of their own, and the
// program takes their lines for what a frame says, never for the main
// frame's.
//
// Its text never changes, so that it is put into the engine once (putting
// scripts in again for each load costs the renderer memory): the main
// frame's copy names each document with a random key instead, told first.
QString PageScript(const QString& secret, bool mainFrame) {
  return QStringLiteral(
             "(function () {\n"
             "  'use strict';\n"
             "  var self = window, main = %2;\n"
             "  if ((self.top === self) !== main) return;\n"
             "  var secret = %1, key = '', D = Date, now = D.now, doc = document;\n"
             "  var apply = Reflect.apply, describe = Object.getOwnPropertyDescriptor;\n"
             "  var con = console, log = con.log, J = JSON, stringify = J.stringify;\n"
             "  var realOpen = self.open, bind = Function.prototype.bind;\n"
             "  var listen = EventTarget.prototype.addEventListener;\n"
             "  var targetOf = describe(Event.prototype, 'target').get;\n"
             "  var relatedOf = describe(MouseEvent.prototype, 'relatedTarget').get;\n"
             "  var yOf = describe(MouseEvent.prototype, 'clientY').get;\n"
             "  var typeOf = describe(Node.prototype, 'nodeType').get;\n"
             "  var closest = Element.prototype.closest, find = Element.prototype.querySelector;\n"
             "  var messageOf = describe(ErrorEvent.prototype, 'message').get;\n"
             "  var lineOf = describe(ErrorEvent.prototype, 'lineno').get;\n"
             "  if (main) {\n"
             "    var random = crypto.getRandomValues(new Uint32Array(4));\n"
             "    for (var i = 0; i < random.length; i++) key += random[i].toString(36);\n"
             "    key += ' ';\n"
             "  }\n"
             "  function send(fields) {\n"
             "    try {\n"
             "      var out = '';\n"
             "      for (var i = 0; i < fields.length; i++) {\n"
             "        var v = fields[i];\n"
             "        out += (i ? ',' : '') + (typeof v === 'string' ? apply(stringify, J, [v])\n"
             "            : typeof v === 'number' ? (v - v === 0 ? '' + v : 'null')\n"
             "            : v ? 'true' : 'false');\n"
             "      }\n"
             "      apply(log, con, [secret + key + '[' + out + ']']);\n"
             "    } catch (x) {}\n"
             "  }\n"
             "  send(['document']);\n"
             "  function note(kind) { send(['note', kind, apply(now, D, [])]); }\n"
             "  function element(e) {\n"
             "    var t = apply(targetOf, e, []);\n"
             "    try { return t && apply(typeOf, t, []) === 1 ? t : null; } catch (x) { return "
             "null; }\n"
             "  }\n"
             "  function up(t, selector) { return t ? apply(closest, t, [selector]) : null; }\n"
             "  function on(type, react) {\n"
             "    apply(listen, self, [type, function (e) {\n"
             "      try { if (e.isTrusted) react(e, element(e)); } catch (x) {}\n"
             "    }, true]);\n"
             "  }\n"
             "  function acted(t) { send(['action', apply(now, D, []), !!up(t, 'dialog')]); }\n"
             "  on('load', function (e) { if (apply(targetOf, e, []) === doc) note('load'); });\n"
             "  on('pagehide', function () { note('page close'); });\n"
             "  on('pageshow', function () { send(['shown']); });\n"
             "  on('mousedown', function (e, t) { acted(t); });\n"
             "  on('keydown', function (e, t) { acted(t); if (!up(t, 'dialog')) note('key'); });\n"
             "  on('click', function (e, t) {\n"
             "    if (!t || up(t, 'dialog')) return;\n"
             "    var a = up(t, 'a');\n"
             "    if (a) note(apply(find, a, ['img']) ? 'image link' : 'link');\n"
             "    else note(up(t, 'input,button') ? 'form button' : 'click');\n"
             "  });\n"
             "  function over(e, t) {\n"
             "    if (up(t, '[onmouseover]') && !up(t, 'dialog')) note('mouse over');\n"
             "  }\n"
             "  on('mouseover', over);\n"
             "  on('focusin', over);\n"
             "  on('mouseout', function (e) {\n"
             "    if (!apply(relatedOf, e, []) && apply(yOf, e, []) <= 0) note('leave');\n"
             "  });\n"
             "  if (main) on('error', function (e) {\n"
             "    if (apply(targetOf, e, []) === self)\n"
             "      send(['error', '' + apply(messageOf, e, []), apply(lineOf, e, []) | 0]);\n"
             "  });\n"
             "  var open = function (url, name, features) {\n"
             "    var w = apply(realOpen, self, arguments);\n"
             "    send(['open', typeof features === 'string' ? features : '', apply(now, D, []),\n"
             "          w === null || w === undefined]);\n"
             "    return w;\n"
             "  };\n"
             "  self.open = apply(bind, open, [self]);\n"
             "})();\n")
      .arg(QLatin1Char('\'') + secret + QLatin1Char('\''),
           mainFrame ? QStringLiteral("true") : QStringLiteral("false"));
}

// Runs in the program's own world of the test page and its frames, where
// the page's script cannot reach: its globals and DOM prototypes are this
// world's own. It measures the In Page dialogs the page shows from the DOM,
// and tells which documents the frames loaded. It speaks through this
// world's own console with a secret of this world, which no page can read:
// the engine hands those lines over in the same order, frame by frame, as
// the page world's. Such a world costs the renderer a megabyte or more for
// each document, so it is put in only for pages that show In Page dialogs;
// a web channel would cost about a megabyte more.
QString WorldScript(const QString& secret) {
  return QStringLiteral(
             "(function () {\n"
             "  'use strict';\n"
             "  var secret = %1, inFrame = window.top !== window;\n"
             "  var random = crypto.getRandomValues(new Uint32Array(4)), doc = '';\n"
             "  for (var i = 0; i < random.length; i++) doc += random[i].toString(36);\n"
             "  function say(fields) {\n"
             "    console.log(secret + JSON.stringify([doc, inFrame].concat(fields)));\n"
             "  }\n"
             "  if (inFrame) {\n"
             "    if (window.parent === window.top) say(['frame', '' + location.href]);\n"
             "    return;\n"
             "  }\n"
             "  say(['document']);\n"
             "  var number = 0, shown = [];\n"
             "  function px(v) { var n = parseFloat(v); return isFinite(n) ? Math.round(n) : -1; "
             "}\n"
             "  function geometry(d) {\n"
             "    var f = d.querySelector('iframe'), b = d.getBoundingClientRect();\n"
             "    var r = f ? f.getBoundingClientRect() : { width: 0, height: 0 };\n"
             "    return [f ? '' + f.src : '', px(d.style.left), px(d.style.top),\n"
             "            f ? px(f.style.width) : -1, f ? px(f.style.height) : -1,\n"
             "            Math.round(b.left), Math.round(b.top), Math.round(r.width),\n"
             "            Math.round(r.height), innerWidth, innerHeight];\n"
             "  }\n"
             "  function tell(s) { say(['dialog', s.n, s.at, s.closed || -1].concat(s.g)); }\n"
             "  function check() {\n"
             "    var now = Date.now(), list = document.querySelectorAll('dialog[open]');\n"
             "    for (var i = 0; i < list.length; i++) {\n"
             "      var d = list[i], known = false;\n"
             "      for (var k = 0; k < shown.length; k++) if (shown[k].d === d) known = true;\n"
             "      if (known) continue;\n"
             "      var s = { d: d, n: ++number, at: now, closed: 0, g: geometry(d) };\n"
             "      shown.push(s);\n"
             "      tell(s);\n"
             "    }\n"
             "    shown = shown.filter(function (s) {\n"
             "      if (s.d.open && s.d.isConnected) return true;\n"
             "      s.closed = now;\n"
             "      tell(s);\n"
             "      return false;\n"
             "    });\n"
             "  }\n"
             "  new MutationObserver(function () { try { check(); } catch (e) {} }).observe(\n"
             "      document, { subtree: true, childList: true, attributes: true,\n"
             "                  attributeFilter: ['open'] });\n"
             "})();\n")
      .arg(QLatin1Char('\'') + secret + QLatin1Char('\''));
}

}  // namespace orvanta
