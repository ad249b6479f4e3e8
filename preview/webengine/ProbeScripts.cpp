#include "preview/webengine/ProbeScripts.h"

namespace orvanta {

// Runs in the page's own world of the test page and its frames before any
// of their own script: only there are the page's window.open calls seen,
// so it wraps window.open, and reports uncaught errors. Every function it
// uses was taken before the page could replace it, nothing it does throws
// into the page. It speaks with a key of its document, which the program's
// world of the same document hands it in an event of a name no page knows
// before any of the page's script runs; the program takes only the keys
// that world told it of. What the user did is not its to say: the program's
// own world notes that. Its text never changes, so that it is put into the
// engine once: putting scripts in again for each load costs the renderer
// memory.
QString ProbeScript(const QString& secret, const QString& handoff) {
  return QStringLiteral(
             "(function () {\n"
             "  'use strict';\n"
             "  var secret = %1, handoff = %2, key = null, self = window, D = Date;\n"
             "  var apply = Reflect.apply, describe = Object.getOwnPropertyDescriptor;\n"
             "  var con = console, log = con.log, J = JSON, stringify = J.stringify;\n"
             "  var now = D.now, realOpen = self.open, bind = Function.prototype.bind;\n"
             "  var listen = EventTarget.prototype.addEventListener;\n"
             "  var targetOf = describe(Event.prototype, 'target').get;\n"
             "  var messageOf = describe(ErrorEvent.prototype, 'message').get;\n"
             "  var lineOf = describe(ErrorEvent.prototype, 'lineno').get;\n"
             "  var inFrame = self.top !== self, doc = document;\n"
             "  var detailOf = describe(CustomEvent.prototype, 'detail').get;\n"
             "  var unlisten = EventTarget.prototype.removeEventListener;\n"
             "  var prevent = Event.prototype.preventDefault;\n"
             "  var stop = Event.prototype.stopImmediatePropagation;\n"
             "  var given = function (e) {\n"
             "    try {\n"
             "      apply(stop, e, []);\n"
             "      var k = apply(detailOf, e, []);\n"
             "      if (key === null && typeof k === 'string') key = k;\n"
             "      apply(prevent, e, []);\n"
             "      apply(unlisten, doc, [handoff + 'give', given, true]);\n"
             "    } catch (x) {}\n"
             "  };\n"
             "  try {\n"
             "    apply(listen, doc, [handoff + 'give', given, true]);\n"
             "    apply(EventTarget.prototype.dispatchEvent, doc, [new Event(handoff + 'ask')]);\n"
             "  } catch (x) {}\n"
             "  function send(fields) {\n"
             "    if (key === null) return;\n"
             "    try {\n"
             "      apply(log, con, [secret + key + ' ' + apply(stringify, J, [fields])]);\n"
             "    } catch (e) {}\n"
             "  }\n"
             "  apply(listen, self, ['error', function (e) {\n"
             "    try {\n"
             "      if (!e.isTrusted || apply(targetOf, e, []) !== self) return;\n"
             "      send(['error', '' + apply(messageOf, e, []), apply(lineOf, e, []) | 0]);\n"
             "    } catch (x) {}\n"
             "  }, true]);\n"
             "  var open = function (url, name, features) {\n"
             "    var w = apply(realOpen, self, arguments);\n"
             "    send(['open', typeof features === 'string' ? features : '', apply(now, D, []),\n"
             "          w === null || w === undefined, inFrame]);\n"
             "    return w;\n"
             "  };\n"
             "  self.open = apply(bind, open, [self]);\n"
             "})();\n")
      .arg(QLatin1Char('\'') + secret + QLatin1Char('\''),
           QLatin1Char('\'') + handoff + QLatin1Char('\''));
}

// Runs in the program's own world of the test page and its frames, where
// the page's script cannot reach: its globals and DOM prototypes are this
// world's own. It notes the user's input (only trusted events: a script's
// link.click() is no click) and the In Page dialogs the page shows,
// measured from the DOM. It speaks through this world's own console with a
// secret of this world, which no page can read: the engine hands those
// lines over in the same order, frame by frame, as the page world's calls.
// A web channel would cost each document about a megabyte more.
//
// Its text never changes, so that it is put into the engine once: each
// document names itself with a key of its own instead, which it hands to
// the page world's script of the same document (whichever of the two runs
// first) and to nothing else.
QString WorldScript(const QString& secret, const QString& handoff) {
  return QStringLiteral(
             "(function () {\n"
             "  'use strict';\n"
             "  var secret = %1, handoff = %2, inFrame = window.top !== window;\n"
             "  var random = crypto.getRandomValues(new Uint32Array(5)), doc = '';\n"
             "  for (var i = 0; i < random.length; i++) doc += random[i].toString(36);\n"
             "  function say(fields) {\n"
             "    console.log(secret + JSON.stringify([doc, inFrame].concat(fields)));\n"
             "  }\n"
             "  say(['document']);\n"
             "  function give() {\n"
             "    var e = new CustomEvent(handoff + 'give', { detail: doc, cancelable: true });\n"
             "    return !document.dispatchEvent(e);\n"
             "  }\n"
             "  function asked(e) {\n"
             "    e.stopImmediatePropagation();\n"
             "    document.removeEventListener(handoff + 'ask', asked, true);\n"
             "    give();\n"
             "  }\n"
             "  document.addEventListener(handoff + 'ask', asked, true);\n"
             "  if (give()) document.removeEventListener(handoff + 'ask', asked, true);\n"
             "  var last = { kind: 'script', at: 0 }, input = 0, inDialog = false;\n"
             "  function note(kind) {\n"
             "    last = { kind: kind, at: Date.now() };\n"
             "    say(['note', kind, last.at]);\n"
             "  }\n"
             "  function element(e) { var t = e.target; return t && t.nodeType === 1 ? t : null; "
             "}\n"
             "  function on(type, react) {\n"
             "    window.addEventListener(type, function (e) {\n"
             "      if (!e.isTrusted) return;\n"
             "      try { react(e, element(e)); } catch (x) {}\n"
             "    }, true);\n"
             "  }\n"
             "  function acted(t) {\n"
             "    input = Date.now();\n"
             "    inDialog = !!(t && t.closest('dialog'));\n"
             "    say(['action', input]);\n"
             "  }\n"
             "  on('load', function (e) { if (e.target === document) note('load'); });\n"
             "  on('pagehide', function () { note('page close'); });\n"
             "  on('pageshow', function () { say(['shown']); });\n"
             "  on('mousedown', function (e, t) { acted(t); });\n"
             "  on('keydown', function (e, t) { acted(t); if (!inDialog) note('key'); });\n"
             "  on('click', function (e, t) {\n"
             "    if (!t || t.closest('dialog')) return;\n"
             "    var a = t.closest('a');\n"
             "    if (a) note(a.querySelector('img') ? 'image link' : 'link');\n"
             "    else note(t.closest('input,button') ? 'form button' : 'click');\n"
             "  });\n"
             "  function over(e, t) {\n"
             "    if (t && t.closest('[onmouseover]') && !t.closest('dialog')) note('mouse "
             "over');\n"
             "  }\n"
             "  on('mouseover', over);\n"
             "  on('focusin', over);\n"
             "  on('mouseout', function (e) {\n"
             "    if (!e.relatedTarget && e.clientY <= 0) note('leave');\n"
             "  });\n"
             "  if (inFrame) {\n"
             "    if (window.parent === window.top) say(['frame', '' + location.href]);\n"
             "    return;\n"
             "  }\n"
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
             "  function tell(s) {\n"
             "    say(['dialog', s.n, s.kind, s.from > 0 ? s.at - s.from : -1,\n"
             "         s.closed > 0 ? s.closed - s.at : -1, s.by].concat(s.g));\n"
             "  }\n"
             "  function check() {\n"
             "    var now = Date.now(), list = document.querySelectorAll('dialog[open]');\n"
             "    for (var i = 0; i < list.length; i++) {\n"
             "      var d = list[i], known = false;\n"
             "      for (var k = 0; k < shown.length; k++) if (shown[k].d === d) known = true;\n"
             "      if (known) continue;\n"
             "      var s = { d: d, n: ++number, kind: last.kind, from: last.at, at: now,\n"
             "                closed: 0, by: '', g: geometry(d) };\n"
             "      shown.push(s);\n"
             "      tell(s);\n"
             "    }\n"
             "    shown = shown.filter(function (s) {\n"
             "      if (s.d.open && s.d.isConnected) return true;\n"
             "      s.closed = now;\n"
             "      s.by = inDialog && now - input < 1000 ? 'user' : 'script';\n"
             "      tell(s);\n"
             "      return false;\n"
             "    });\n"
             "  }\n"
             "  new MutationObserver(function () { try { check(); } catch (e) {} }).observe(\n"
             "      document, { subtree: true, childList: true, attributes: true,\n"
             "                  attributeFilter: ['open'] });\n"
             "})();\n")
      .arg(QLatin1Char('\'') + secret + QLatin1Char('\''),
           QLatin1Char('\'') + handoff + QLatin1Char('\''));
}

}  // namespace orvanta
