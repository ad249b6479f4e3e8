#include "ini/ProfileFormat.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_set>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvanta::profile {

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasBom(std::string_view text) { return text.substr(0, kBom.size()) == kBom; }

struct Line {
  std::size_t Begin = 0;  // first byte of the line
  std::size_t End = 0;    // end of its content: before LF, CR LF, or a final CR
  std::size_t Next = 0;   // first byte of the following line
};

Line LineAt(std::string_view text, std::size_t pos) {
  const std::size_t n = text.size();
  const void* hit = pos < n ? std::memchr(text.data() + pos, '\n', n - pos) : nullptr;
  Line line;
  line.Begin = pos;
  if (hit != nullptr) {
    const auto lf = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    line.Next = lf + 1;
    line.End = lf;
  } else {
    line.Next = n;
    line.End = n;
  }
  if (line.End > pos && text[line.End - 1] == '\r') --line.End;
  return line;
}

enum class Kind { Blank, Comment, Section, Entry };

struct Parsed {
  Kind Type = Kind::Blank;
  std::size_t ContentBegin = 0;  // first non-blank byte
  std::string_view Name;         // section name or key, trimmed
  std::size_t NameEnd = 0;       // offset just past the trimmed key
  bool HasEquals = false;
  std::size_t ValueBegin = 0;  // trimmed value [ValueBegin, ValueEnd)
  std::size_t ValueEnd = 0;
};

Parsed ParseLine(std::string_view text, const Line& line) {
  Parsed p;
  std::size_t b = line.Begin;
  if (b == 0 && HasBom(text)) b = kBom.size() < line.End ? kBom.size() : line.End;
  while (b < line.End && IsBlank(text[b])) ++b;
  p.ContentBegin = b;
  if (b == line.End) return p;
  const char first = text[b];
  if (first == ';' || first == '#') {
    p.Type = Kind::Comment;
    return p;
  }
  const std::string_view content = text.substr(b, line.End - b);
  if (first == '[') {
    p.Type = Kind::Section;
    std::string_view name = content.substr(1);
    const std::size_t close = name.find(']');
    if (close != kNotFound) name = name.substr(0, close);
    p.Name = TrimBlanks(name);
    return p;
  }
  p.Type = Kind::Entry;
  const std::size_t eq = content.find('=');
  const std::string_view key = TrimBlanks(content.substr(0, eq));
  p.Name = key;
  p.NameEnd = static_cast<std::size_t>(key.data() - text.data()) + key.size();
  if (eq != kNotFound) {
    p.HasEquals = true;
    std::size_t vb = b + eq + 1;
    std::size_t ve = line.End;
    while (vb < ve && IsBlank(text[vb])) ++vb;
    while (ve > vb && IsBlank(text[ve - 1])) --ve;
    p.ValueBegin = vb;
    p.ValueEnd = ve;
  }
  return p;
}

// The start of the first section header line at or after `from`, which must
// be the start of a line. Looks only at the "[" characters, so text outside
// the wanted section costs little more than a memchr.
std::size_t NextHeader(std::string_view text, std::size_t from) {
  const std::size_t n = text.size();
  std::size_t pos = from;
  while (pos < n) {
    const void* hit = std::memchr(text.data() + pos, '[', n - pos);
    if (hit == nullptr) return kNotFound;
    const auto bracket = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    std::size_t s = bracket;
    while (s > from && IsBlank(text[s - 1])) --s;
    if (s == from || text[s - 1] == '\n') return s;
    if (s == kBom.size() && HasBom(text)) return 0;
    pos = bracket + 1;
  }
  return kNotFound;
}

// A section is its header line; its body runs to the next header line.
struct SectionSpan {
  Line Header;
};

std::size_t BodyEnd(std::string_view text, const SectionSpan& span) {
  const std::size_t next = NextHeader(text, span.Header.Next);
  return next == kNotFound ? text.size() : next;
}

std::optional<SectionSpan> FindSection(std::string_view text, std::string_view name,
                                       std::size_t from = 0) {
  for (std::size_t h = NextHeader(text, from); h != kNotFound;) {
    const Line header = LineAt(text, h);
    if (NamesEqual(ParseLine(text, header).Name, name)) return SectionSpan{header};
    h = NextHeader(text, header.Next);
  }
  return std::nullopt;
}

struct EntryLine {
  Line Where;
  Parsed Entry;
};

template <typename F>
void ForEachEntry(std::string_view text, const SectionSpan& span, F&& visit) {
  for (std::size_t pos = span.Header.Next; pos < text.size();) {
    const Line line = LineAt(text, pos);
    const Parsed p = ParseLine(text, line);
    if (p.Type == Kind::Section) return;
    if (p.Type == Kind::Entry && !visit(EntryLine{line, p})) return;
    pos = line.Next;
  }
}

// Letters compare equal in either case; a few other bytes do too, which is
// fine for a filter.
char Folded(char c) { return static_cast<char>(c | 0x20); }

// Whether a line may start at p (the byte before is at most a blank) with a
// key whose first byte is key[0] and whose byte at `other` is key[other], or
// with a section header.
bool MayStartLine(const char* d, std::size_t p, std::size_t begin, std::size_t end,
                  std::string_view key, std::size_t other) {
  if (p > begin && static_cast<unsigned char>(d[p - 1]) > ' ') return false;
  if (d[p] == '[') return true;
  return end - p > other && Folded(d[p]) == Folded(key[0]) &&
         Folded(d[p + other]) == Folded(key[other]);
}

#if defined(__SSE2__)
// The MayStartLine test for the sixteen positions from i, as a bit mask.
[[gnu::always_inline]] inline unsigned CandidateMask(const char* d, std::size_t i,
                                                     std::size_t other, __m128i first,
                                                     __m128i second) {
  const auto load = [d](std::size_t at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at));
  };
  const __m128i fold = _mm_set1_epi8(0x20);
  const __m128i before = load(i - 1);
  const __m128i here = load(i);
  const __m128i key = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(here, fold), first),
                                    _mm_cmpeq_epi8(_mm_or_si128(load(i + other), fold), second));
  const __m128i lineStart = _mm_cmpeq_epi8(_mm_min_epu8(before, _mm_set1_epi8(' ')), before);
  const __m128i header = _mm_cmpeq_epi8(here, _mm_set1_epi8('['));
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_and_si128(lineStart, _mm_or_si128(key, header))));
}
#endif

// Calls visit(p), in ascending order, for every p in [begin, end) where
// MayStartLine holds; stops when visit returns false. Looking for these
// rather than for every line start keeps a big section about as cheap as
// reading it once. Two bytes of the key, the first and one a little later,
// let few lines through even where many keys begin alike.
template <typename F>
void ForEachLineCandidate(const char* d, std::size_t begin, std::size_t end, std::string_view key,
                          F&& visit) {
  const std::size_t other = std::min<std::size_t>(key.size() - 1, 3);
  std::size_t i = begin;
  if (i < end && MayStartLine(d, i, begin, end, key, other) && !visit(i)) return;
  ++i;
#if defined(__SSE2__)
  const __m128i first = _mm_set1_epi8(Folded(key[0]));
  const __m128i second = _mm_set1_epi8(Folded(key[other]));
  for (; i + 64 + other <= end; i += 64) {
    const std::uint64_t mask = CandidateMask(d, i, other, first, second) |
                               std::uint64_t{CandidateMask(d, i + 16, other, first, second)} << 16 |
                               std::uint64_t{CandidateMask(d, i + 32, other, first, second)} << 32 |
                               std::uint64_t{CandidateMask(d, i + 48, other, first, second)} << 48;
    for (std::uint64_t m = mask; m != 0; m &= m - 1) {
      if (!visit(i + static_cast<std::size_t>(__builtin_ctzll(m)))) return;
    }
  }
#endif
  for (; i < end; ++i) {
    if (MayStartLine(d, i, begin, end, key, other) && !visit(i)) return;
  }
}

// Calls visit for every entry line of the section whose key is `key`, in
// file order; stops when visit returns false.
template <typename F>
void ForEachKeyLine(std::string_view text, const SectionSpan& span, std::string_view key,
                    F&& visit) {
  if (key.empty()) {
    ForEachEntry(text, span, [&](const EntryLine& e) { return !e.Entry.Name.empty() || visit(e); });
    return;
  }
  const char* d = text.data();
  const std::size_t begin = span.Header.Next;
  const std::size_t end = text.size();
  ForEachLineCandidate(d, begin, end, key, [&](std::size_t p) {
    std::size_t start = p;
    while (start > begin && IsBlank(d[start - 1])) --start;
    if (start > begin && d[start - 1] != '\n') return true;
    if (d[p] != '[') {
      if (end - p < key.size()) return true;
      for (std::size_t j = 0; j < key.size(); ++j) {
        if (LowerAscii(d[p + j]) != LowerAscii(key[j])) return true;
      }
    }
    const Line line = LineAt(text, start);
    const Parsed parsed = ParseLine(text, line);
    if (parsed.Type == Kind::Section) return false;  // the section ends here
    if (parsed.Type != Kind::Entry || !NamesEqual(parsed.Name, key)) return true;
    return visit(EntryLine{line, parsed});
  });
}

std::optional<EntryLine> FindEntry(std::string_view text, const SectionSpan& span,
                                   std::string_view key) {
  std::optional<EntryLine> found;
  ForEachKeyLine(text, span, key, [&](const EntryLine& e) {
    found = e;
    return false;
  });
  return found;
}

// The section's last entry line, or its header when it has none.
Line LastEntryOrHeader(std::string_view text, const SectionSpan& span) {
  const std::size_t first = span.Header.Next;
  for (std::size_t pos = BodyEnd(text, span); pos > first;) {
    std::size_t s = pos - 1;
    while (s > first && text[s - 1] != '\n') --s;
    const Line line = LineAt(text, s);
    if (ParseLine(text, line).Type == Kind::Entry) return line;
    pos = s;
  }
  return span.Header;
}

std::vector<EntryLine> EntriesOf(std::string_view text, const SectionSpan& span) {
  std::vector<EntryLine> out;
  ForEachEntry(text, span, [&](const EntryLine& e) {
    out.push_back(e);
    return true;
  });
  return out;
}

// What starts a new line after `anchor`, which may be the last line of a text
// without a final line break.
std::string Separator(std::string_view text, const Line& anchor, std::string_view eol) {
  if (anchor.Next > anchor.End && text[anchor.Next - 1] == '\n') return {};
  if (anchor.Next > 0 && text[anchor.Next - 1] == '\r') return "\n";
  return std::string(eol);
}

// A splice that adds `lines` (each already ended) after `anchor`.
Splice InsertAfter(std::string_view text, const Line& anchor, std::string_view eol,
                   std::string lines) {
  const std::string sep = Separator(text, anchor, eol);
  if (!sep.empty()) {
    // Keep the file without a final line break as it was.
    lines.erase(lines.size() - eol.size());
    lines.insert(0, sep);
  }
  return Splice{anchor.Next, 0, std::move(lines)};
}

// A splice that adds a whole section at the end of the text.
Splice AppendSection(std::string_view text, std::string_view section, std::string_view eol,
                     const std::string& entryLines) {
  std::string out;
  if (text.empty() || text == kBom || text.back() == '\n') {
    // already at the start of a line
  } else if (text.back() == '\r') {
    out += '\n';
  } else {
    out += eol;
  }
  out += '[';
  out += section;
  out += ']';
  out += eol;
  out += entryLines;
  return Splice{text.size(), 0, std::move(out)};
}

std::string EntryText(std::string_view key, std::string_view value) {
  std::string s;
  s.reserve(key.size() + 1 + value.size());
  s += key;
  s += '=';
  s += value;
  return s;
}

// Sets the value of an existing entry line, keeping the rest of the line.
std::optional<Splice> UpdateValue(std::string_view text, const EntryLine& e,
                                  std::string_view value) {
  const Parsed& p = e.Entry;
  if (p.HasEquals) {
    if (text.substr(p.ValueBegin, p.ValueEnd - p.ValueBegin) == value) return std::nullopt;
    return Splice{p.ValueBegin, p.ValueEnd - p.ValueBegin, std::string(value)};
  }
  if (value.empty()) return std::nullopt;  // a bare key already reads as empty
  return Splice{p.NameEnd, 0, "=" + std::string(value)};
}

std::string Quoted(std::string_view text) {
  std::string s = "\"";
  for (char c : text) {
    if (c == '\r') {
      s += "\\r";
    } else if (c == '\n') {
      s += "\\n";
    } else {
      s += c;
    }
  }
  s += '"';
  return s;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != kNotFound; }

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string_view LineEnding(std::string_view text) {
  const std::size_t lf = text.find('\n');
  if (lf != kNotFound && (lf == 0 || text[lf - 1] != '\r')) return "\n";
  return "\r\n";
}

ValueResult FindValue(std::string_view text, std::string_view section, std::string_view key) {
  const auto span = FindSection(text, TrimBlanks(section));
  if (!span) return {};
  const auto entry = FindEntry(text, *span, TrimBlanks(key));
  if (!entry) return {Lookup::NoKey, {}};
  const Parsed& p = entry->Entry;
  if (!p.HasEquals) return {Lookup::Found, {}};
  return {Lookup::Found, text.substr(p.ValueBegin, p.ValueEnd - p.ValueBegin)};
}

std::optional<std::vector<std::string>> SectionEntries(std::string_view text,
                                                       std::string_view section) {
  const auto span = FindSection(text, TrimBlanks(section));
  if (!span) return std::nullopt;
  std::vector<std::string> out;
  ForEachEntry(text, *span, [&](const EntryLine& e) {
    if (e.Entry.HasEquals) {
      out.push_back(EntryText(
          e.Entry.Name, text.substr(e.Entry.ValueBegin, e.Entry.ValueEnd - e.Entry.ValueBegin)));
    } else {
      out.emplace_back(e.Entry.Name);
    }
    return true;
  });
  return out;
}

bool VisitSectionEntries(std::string_view text, std::string_view section,
                         const std::function<void(std::string_view, std::string_view)>& visit) {
  const auto span = FindSection(text, TrimBlanks(section));
  if (!span) return false;
  ForEachEntry(text, *span, [&](const EntryLine& e) {
    visit(e.Entry.Name, e.Entry.HasEquals
                            ? text.substr(e.Entry.ValueBegin, e.Entry.ValueEnd - e.Entry.ValueBegin)
                            : std::string_view());
    return true;
  });
  return true;
}

std::vector<std::string> SectionNames(std::string_view text) {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (std::size_t h = NextHeader(text, 0); h != kNotFound;) {
    const Line header = LineAt(text, h);
    const std::string_view name = ParseLine(text, header).Name;
    std::string folded(name);
    for (char& c : folded) c = LowerAscii(c);
    if (seen.insert(std::move(folded)).second) names.emplace_back(name);
    h = NextHeader(text, header.Next);
  }
  return names;
}

std::optional<std::string> SectionNameProblem(std::string_view section) {
  const std::string_view s = TrimBlanks(section);
  if (s.empty()) return std::string("Section name is empty");
  if (HasLineBreak(s)) return "Section name " + Quoted(s) + " contains a line break";
  if (s.find(']') != kNotFound) return "Section name " + Quoted(s) + " contains \"]\"";
  return std::nullopt;
}

std::optional<std::string> KeyProblem(std::string_view key) {
  const std::string_view k = TrimBlanks(key);
  if (k.empty()) return std::string("Key name is empty");
  if (HasLineBreak(k)) return "Key " + Quoted(k) + " contains a line break";
  if (k.find('=') != kNotFound) return "Key " + Quoted(k) + " contains \"=\"";
  if (k[0] == '[' || k[0] == ';' || k[0] == '#') {
    return "Key " + Quoted(k) + " begins with \"" + std::string(1, k[0]) + "\"";
  }
  return std::nullopt;
}

std::optional<std::string> ValueProblem(std::string_view key, std::string_view value) {
  if (HasLineBreak(value)) {
    return "Value of key " + Quoted(TrimBlanks(key)) + " contains a line break";
  }
  return std::nullopt;
}

Edit SetValue(std::string_view text, std::string_view section, std::string_view key,
              std::string_view value) {
  const std::string_view s = TrimBlanks(section);
  const std::string_view k = TrimBlanks(key);
  const std::string_view v = TrimBlanks(value);
  const std::string_view eol = LineEnding(text);
  const auto span = FindSection(text, s);
  if (!span) return {AppendSection(text, s, eol, EntryText(k, v) + std::string(eol))};

  if (const auto entry = FindEntry(text, *span, k)) {
    if (auto splice = UpdateValue(text, *entry, v)) return {std::move(*splice)};
    return {};
  }
  return {
      InsertAfter(text, LastEntryOrHeader(text, *span), eol, EntryText(k, v) + std::string(eol))};
}

Edit RemoveKey(std::string_view text, std::string_view section, std::string_view key) {
  const auto span = FindSection(text, TrimBlanks(section));
  if (!span) return {};
  Edit edit;
  ForEachKeyLine(text, *span, TrimBlanks(key), [&](const EntryLine& e) {
    edit.push_back(Splice{e.Where.Begin, e.Where.Next - e.Where.Begin, {}});
    return true;
  });
  return edit;
}

Edit RemoveSection(std::string_view text, std::string_view section) {
  const std::string_view s = TrimBlanks(section);
  Edit edit;
  for (auto span = FindSection(text, s); span;) {
    std::size_t begin = span->Header.Begin;
    if (begin == 0 && HasBom(text)) begin = kBom.size();
    const std::size_t end = BodyEnd(text, *span);
    edit.push_back(Splice{begin, end - begin, {}});
    if (end >= text.size()) break;
    span = FindSection(text, s, end);
  }
  return edit;
}

Edit ReplaceSection(std::string_view text, std::string_view section,
                    const std::vector<KeyValue>& entries) {
  const std::string_view s = TrimBlanks(section);
  const std::string_view eol = LineEnding(text);
  const auto span = FindSection(text, s);
  if (!span) {
    std::string lines;
    for (const auto& [key, value] : entries) {
      lines += EntryText(TrimBlanks(key), TrimBlanks(value));
      lines += eol;
    }
    return {AppendSection(text, s, eol, lines)};
  }

  // Pair the section's entry lines with the new entries in order: a line
  // whose key matches keeps its spelling and spacing, any other is rewritten,
  // lines left over go, entries left over follow the last entry line.
  const std::vector<EntryLine> old = EntriesOf(text, *span);
  Edit edit;
  const std::size_t common = std::min(old.size(), entries.size());
  for (std::size_t i = 0; i < common; ++i) {
    const std::string_view k = TrimBlanks(entries[i].first);
    const std::string_view v = TrimBlanks(entries[i].second);
    if (NamesEqual(old[i].Entry.Name, k)) {
      if (auto splice = UpdateValue(text, old[i], v)) edit.push_back(std::move(*splice));
    } else {
      const std::size_t b = old[i].Entry.ContentBegin;
      edit.push_back(Splice{b, old[i].Where.End - b, EntryText(k, v)});
    }
  }
  for (std::size_t i = common; i < old.size(); ++i) {
    edit.push_back(Splice{old[i].Where.Begin, old[i].Where.Next - old[i].Where.Begin, {}});
  }
  if (entries.size() > common) {
    std::string lines;
    for (std::size_t i = common; i < entries.size(); ++i) {
      lines += EntryText(TrimBlanks(entries[i].first), TrimBlanks(entries[i].second));
      lines += eol;
    }
    const Line anchor = old.empty() ? span->Header : old.back().Where;
    edit.push_back(InsertAfter(text, anchor, eol, std::move(lines)));
  }
  return edit;
}

std::string Apply(std::string_view text, const Edit& edit) {
  std::size_t size = text.size();
  for (const Splice& s : edit) size = size - s.Length + s.Text.size();
  std::string out;
  out.reserve(size);
  std::size_t pos = 0;
  for (const Splice& s : edit) {
    out.append(text.substr(pos, s.Offset - pos));
    out += s.Text;
    pos = s.Offset + s.Length;
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace orvanta::profile
