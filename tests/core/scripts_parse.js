// Reads the JSON lines of script_property and hands every SCRIPT block,
// event attribute and javascript: link of accepted entries to the engine's
// parser. Fails on the first that does not parse, or when too few entries
// were accepted for the run to mean anything.
'use strict';
const lines = require('fs').readFileSync(0, 'utf8').split('\n').filter(Boolean);

const entities = { quot: '"', QUOT: '"', apos: "'", amp: '&', AMP: '&', lt: '<', gt: '>',
                   bsol: '\\', NewLine: '\n', Tab: '\t' };
function decodeAttribute(v) {
  return v.replace(/&(#[0-9]+|#[xX][0-9a-fA-F]+|[A-Za-z]+);?/g, (m, name) => {
    if (name[0] === '#') {
      const n = name[1] === 'x' || name[1] === 'X' ? parseInt(name.slice(2), 16) : parseInt(name.slice(1), 10);
      return String.fromCodePoint(n);
    }
    return entities[name] !== undefined ? entities[name] : m;
  });
}

function pieces(html) {
  const out = [];
  const open = /<script\b[^>]*>/ig;
  let m;
  while ((m = open.exec(html))) {
    const start = m.index + m[0].length;
    const end = html.toLowerCase().indexOf('</script', start);
    out.push(['script block', html.slice(start, end < 0 ? html.length : end)]);
  }
  const attr = /\s(on[a-z]+|href)=("([^"]*)"|'([^']*)'|([^\s>]*))/ig;
  while ((m = attr.exec(html))) {
    let value = decodeAttribute(m[3] !== undefined ? m[3] : m[4] !== undefined ? m[4] : m[5]);
    const isLink = /^\s*javascript:/i.test(value);
    if (m[1].toLowerCase() === 'href' && !isLink) continue;
    if (isLink) value = value.replace(/^\s*javascript:/i, '');
    out.push([m[1] + ' attribute', value]);
  }
  return out;
}

let accepted = 0, checked = 0;
for (const line of lines) {
  const entry = JSON.parse(line);
  if (!entry.accepted) continue;
  ++accepted;
  for (const html of [entry.popup, entry.link]) {
    for (const [what, code] of pieces(html)) {
      ++checked;
      try {
        new Function(code);
      } catch (e) {
        console.error(`${what} does not parse (${e.message}):\n${code}\nin:\n${html}`);
        process.exit(1);
      }
    }
  }
}
console.log(`${lines.length} entries, ${accepted} accepted, ${checked} scripts parsed`);
if (lines.length < 1000 || accepted < lines.length / 10 || checked < accepted * 2) process.exit(1);
