#include "preview/webengine/ProbeScripts.h"

namespace orvanta {

// Runs in the page's own world before any of the page's script: only there
// are the page's window.open calls seen. It keeps what the user last did
// (only trusted events: a script's link.click() is no click) and tells it
// with each window.open call, and reports uncaught errors. It builds its
// lines without calling anything a page can hook (JSON.stringify of an
// array would ask the page's Array.prototype.toJSON), and nothing it does
// throws into the page.
//
// What it needs while the page loads it takes before the page can replace
// it. The rest (mouse positions, an element's attributes, error texts, the
// load time) it looks up when first needed, and takes only the engine's own
// function of that name, told by its source text, which no script can
// fake: a replaced one leaves that fact out rather than forge it. Taking
// all of it up front would make each renderer fault in the engine's code for
// every interface touched, several hundred kilobytes of it.
//
// A top-level document always gets a fresh window, so the main frame's copy
// holds clean references and its secret never reaches the page. A frame may
// reuse the window of its first, empty document, which the page could have
// changed beforehand: frames speak with a secret of their own, and the
// program takes their lines for what a frame says, never for the main
// frame's. The frame's copy also runs in the main frame, after the main
// frame's copy; there it finds window.open already bound and stops (asking
// for window.top would cost more of the engine's code).
//
// It speaks only when there is something to tell: each console line stays
// in the renderer's memory. Every line starts with the moment its document
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
             "  var apply = Reflect.apply, realOpen = self.open;\n"
             "  var source = Function.prototype.toString;\n"
             "  if (!main && realOpen.name !== 'open') return;\n"
             "  var secret = %1, D = Date, now = D.now, doc = document;\n"
             "  var describe = Object.getOwnPropertyDescriptor, protoOf = Object.getPrototypeOf;\n"
             "  var bind = Function.prototype.bind;\n"
             "  var con = console, log = con.log, J = JSON, stringify = J.stringify;\n"
             "  var listen = self.addEventListener;\n"
             "  var performanceOf = describe(self, 'performance').get;\n"
             "  var targetOf = describe(Event.prototype, 'target').get;\n"
             "  var typeOf = describe(Event.prototype, 'type').get;\n"
             "  var kindOf = describe(Node.prototype, 'nodeType').get;\n"
             "  var nameOf = describe(Node.prototype, 'nodeName').get;\n"
             "  var parentOf = describe(Node.prototype, 'parentNode').get;\n"
             "  var childOf = describe(Node.prototype, 'firstChild').get;\n"
             "  var nextOf = describe(Node.prototype, 'nextSibling').get;\n"
             "  var born = now(), kind = 'script', at = 0, action = 0;\n"
             "  var inDialog = false, leaving = false, showing = false;\n"
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
             "  var found = Object.create(null);\n"
             "  function native(o, key, getter) {\n"
             "    var text = 'function ' + (getter ? 'get ' : '') + key + '() { [native code] }';\n"
             "    if (found[text]) return found[text];\n"
             "    for (; o; o = protoOf(o)) {\n"
             "      var d = describe(o, key);\n"
             "      if (!d) continue;\n"
             "      var f = getter ? d.get : d.value;\n"
             "      if (typeof f !== 'function' || apply(source, f, []) !== text) return null;\n"
             "      return (found[text] = f);\n"
             "    }\n"
             "    return null;\n"
             "  }\n"
             "  function read(o, key) { return apply(native(o, key, true), o, []); }\n"
             "  function note(k) {\n"
             "    kind = k;\n"
             "    at = now();\n"
             "    if (notes) send(['note', kind, at]);\n"
             "  }\n"
             "  function element(t) {\n"
             "    try { return !!t && apply(kindOf, t, []) === 1; } catch (x) { return false; }\n"
             "  }\n"
             "  function up(t, a, b) {\n"
             "    for (; element(t); t = apply(parentOf, t, [])) {\n"
             "      var n = apply(nameOf, t, []);\n"
             "      if (n === a || n === b) return t;\n"
             "    }\n"
             "    return null;\n"
             "  }\n"
             "  function holdsImage(a) {\n"
             "    for (var n = apply(childOf, a, []); n;) {\n"
             "      var m = apply(nameOf, n, []);\n"
             "      if (m === 'IMG' || m === 'img') return true;\n"
             "      var c = apply(childOf, n, []);\n"
             "      if (c) { n = c; continue; }\n"
             "      while (n !== a && !apply(nextOf, n, [])) n = apply(parentOf, n, []);\n"
             "      n = n === a ? null : apply(nextOf, n, []);\n"
             "    }\n"
             "    return false;\n"
             "  }\n"
             "  function shown() { leaving = false; }\n"
             "  function acted(t) {\n"
             "    action = now();\n"
             "    inDialog = !!up(t, 'DIALOG', 'dialog');\n"
             "    if (notes) send(['action', action, inDialog]);\n"
             "  }\n"
             "  function handle(e) {\n"
             "    var type = '';\n"
             "    try {\n"
             "      if (!e.isTrusted) return;\n"
             "      type = apply(typeOf, e, []);\n"
             "      var t = apply(targetOf, e, []);\n"
             "      if (type === 'load') {\n"
             "        if (t === doc) note('load');\n"
             "      } else if (type === 'pagehide') {\n"
             "        leaving = true;\n"
             "        note('page close');\n"
             "        if (!showing) apply(listen, self, ['pageshow', shown, true]);\n"
             "        showing = true;\n"
             "      } else if (type === 'error') {\n"
             "        if (t !== self) return;\n"
             "        send(['error', '' + read(e, 'message'), read(e, 'lineno') | 0]);\n"
             "      } else if (!element(t)) {\n"
             "      } else if (type === 'mousedown') {\n"
             "        acted(t);\n"
             "      } else if (type === 'keydown') {\n"
             "        acted(t);\n"
             "        if (!inDialog) note('key');\n"
             "      } else if (type === 'click') {\n"
             "        if (up(t, 'DIALOG', 'dialog')) return;\n"
             "        var a = up(t, 'A', 'a');\n"
             "        if (a) note(holdsImage(a) ? 'image link' : 'link');\n"
             "        else if (up(t, 'INPUT', 'input') || up(t, 'BUTTON', 'button'))\n"
             "          note('form button');\n"
             "        else note('click');\n"
             "      } else if (type === 'mouseout') {\n"
             "        if (!read(e, 'relatedTarget') && read(e, 'clientY') <= 0) note('leave');\n"
             "      } else if (!up(t, 'DIALOG', 'dialog')) {\n"
             "        var has = native(t, 'hasAttribute', false);\n"
             "        for (; element(t); t = apply(parentOf, t, []))\n"
             "          if (apply(has, t, ['onmouseover'])) return note('mouse over');\n"
             "      }\n"
             "    } catch (x) {\n"
             "      if (type !== 'error') note('hidden');\n"
             "    }\n"
             "  }\n"
             "  self.addEventListener('pagehide', handle, true);\n"
             "  self.addEventListener('mousedown', handle, true);\n"
             "  self.addEventListener('keydown', handle, true);\n"
             "  self.addEventListener('click', handle, true);\n"
             "  self.addEventListener('mouseover', handle, true);\n"
             "  self.addEventListener('focusin', handle, true);\n"
             "  self.addEventListener('mouseout', handle, true);\n"
             "  if (main) self.addEventListener('error', handle, true);\n"
             "  if (notes) self.addEventListener('load', handle, true);\n"
             "  function loaded() {\n"
             "    try {\n"
             "      var timing = read(apply(performanceOf, self, []), 'timing');\n"
             "      return read(timing, 'loadEventStart');\n"
             "    } catch (x) {\n"
             "      return -1;\n"
             "    }\n"
             "  }\n"
             "  var open = function (url, name, features) {\n"
             "    var w = apply(realOpen, self, arguments), load = loaded(), k = kind, from = at;\n"
             "    if (load > 0 && load >= at) {\n"
             "      k = 'load';\n"
             "      from = load;\n"
             "    } else if (load < 0 && k === 'script') {\n"
             "      k = 'hidden';\n"
             "    }\n"
             "    send(['open', typeof features === 'string' ? features : '', now(),\n"
             "          w === null || w === undefined, k, from, action, leaving]);\n"
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
