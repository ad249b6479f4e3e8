#include "preview/webengine/ProbeScripts.h"

namespace orvanta {

// Runs in the page's own world before any of the page's script: only there
// are the page's window.open calls seen. It keeps what the user last did
// (only trusted events: a script's link.click() is no click) and tells it
// with each window.open call, and reports uncaught errors. Every function
// and getter it uses was taken before the page could replace them, it builds
// its lines without calling anything a page can hook (JSON.stringify of an
// array would ask the page's Array.prototype.toJSON), and nothing it does
// throws into the page.
//
// A top-level document always gets a fresh window, so the main frame's copy
// holds clean references and its secret never reaches the page. A frame may
// reuse the window of its first, empty document, which the page could have
// changed beforehand: frames speak with a secret of their own, and the
// program takes their lines for what a frame says, never for the main
// frame's.
//
// It speaks only when there is something to tell, and does nothing while a
// page loads: each console line stays in the renderer's memory, and so does
// each of its functions once it has run. The page's load is read from the
// page's timing when a window is asked for. Every line starts with the moment its document
// was made, which tells the page being left from the one loading. With
// `notes` it also tells each input as it comes, for the In Page dialogs the
// program's world measures. Its text changes only with that, so that it is
// put into the engine rarely: putting scripts in again costs the renderer
// memory.
QString PageScript(const QString& secret, bool mainFrame, bool notes) {
  return QStringLiteral(
             "(function () {\n"
             "  'use strict';\n"
             "  var self = window, main = %2, notes = %3;\n"
             "  if ((self.top === self) !== main) return;\n"
             "  var secret = %1, D = Date, now = D.now, doc = document;\n"
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
             "  var perf = performance, timingOf = describe(Performance.prototype, 'timing').get;\n"
             "  var loadOf = describe(PerformanceTiming.prototype, 'loadEventStart').get;\n"
             "  var born = apply(now, D, []), kind = 'script', at = 0, action = 0;\n"
             "  var inDialog = false, leaving = false;\n"
             "  function send(fields) {\n"
             "    try {\n"
             "      var out = '' + born;\n"
             "      for (var i = 0; i < fields.length; i++) {\n"
             "        var v = fields[i];\n"
             "        out += ',' + (typeof v === 'string' ? apply(stringify, J, [v])\n"
             "            : typeof v === 'number' ? (v - v === 0 ? '' + v : 'null')\n"
             "            : v ? 'true' : 'false');\n"
             "      }\n"
             "      apply(log, con, [secret + '[' + out + ']']);\n"
             "    } catch (x) {}\n"
             "  }\n"
             "  function note(k) {\n"
             "    kind = k;\n"
             "    at = apply(now, D, []);\n"
             "    if (notes) send(['note', kind, at]);\n"
             "  }\n"
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
             "  function acted(t) {\n"
             "    action = apply(now, D, []);\n"
             "    inDialog = !!up(t, 'dialog');\n"
             "    if (notes) send(['action', action, inDialog]);\n"
             "  }\n"
             "  if (notes) on('load', function (e) { if (apply(targetOf, e, []) === doc) "
             "note('load'); "
             "});\n"
             "  on('pagehide', function () { leaving = true; note('page close'); });\n"
             "  apply(listen, self, ['pageshow', function () { leaving = false; }, true]);\n"
             "  on('mousedown', function (e, t) { acted(t); });\n"
             "  on('keydown', function (e, t) { acted(t); if (!inDialog) note('key'); });\n"
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
             "  function loaded() {\n"
             "    try { return apply(loadOf, apply(timingOf, perf, []), []); } catch (x) { return "
             "0; "
             "}\n"
             "  }\n"
             "  var open = function (url, name, features) {\n"
             "    var w = apply(realOpen, self, arguments), load = loaded();\n"
             "    var after = load > 0 && load >= at;\n"
             "    send(['open', typeof features === 'string' ? features : '', apply(now, D, []),\n"
             "          w === null || w === undefined, after ? 'load' : kind, after ? load : at,\n"
             "          action, leaving]);\n"
             "    return w;\n"
             "  };\n"
             "  self.open = apply(bind, open, [self]);\n"
             "})();\n")
      .arg(QLatin1Char('\'') + secret + QLatin1Char('\''),
           mainFrame ? QStringLiteral("true") : QStringLiteral("false"),
           notes ? QStringLiteral("true") : QStringLiteral("false"));
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
