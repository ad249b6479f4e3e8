// The INI parser and writer on arbitrary text and arguments. The input is an
// operation byte, then section, key and value separated by NUL bytes, then
// the file's text. Every read must agree with a plain line-by-line reading,
// and every write must change exactly what it was asked to and be idempotent.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "ini/ProfileFormat.h"

namespace {

using namespace orvanta::profile;

using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string_view NextField(std::string_view& rest) {
  const std::size_t nul = rest.find('\0');
  const std::string_view field = rest.substr(0, nul);
  rest.remove_prefix(nul == std::string_view::npos ? rest.size() : nul + 1);
  return field;
}

Pairs Split(const std::vector<std::string>& entries) {
  Pairs out;
  for (const std::string& e : entries) {
    const std::size_t eq = e.find('=');
    if (eq == std::string::npos) {
      out.emplace_back(e, "");
    } else {
      out.emplace_back(e.substr(0, eq), e.substr(eq + 1));
    }
  }
  return out;
}

Pairs EntriesOf(std::string_view text, std::string_view section) {
  const auto entries = SectionEntries(text, section);
  return entries ? Split(*entries) : Pairs{};
}

// Equal entries, keys compared as the format compares them.
bool SameEntries(const Pairs& a, const Pairs& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!NamesEqual(a[i].first, b[i].first) || a[i].second != b[i].second) return false;
  }
  return true;
}

bool Listed(const std::vector<std::string>& names, std::string_view name) {
  for (const auto& n : names) {
    if (NamesEqual(n, name)) return true;
  }
  return false;
}

// Every section and key the plain reading finds, FindValue finds alike.
void CheckReads(std::string_view text) {
  const std::vector<std::string> names = SectionNames(text);
  for (const std::string& name : names) {
    const auto entries = SectionEntries(text, name);
    FUZZ_CHECK(entries.has_value());
    const Pairs pairs = Split(*entries);
    for (const auto& [key, value] : pairs) {
      const ValueResult found = FindValue(text, name, key);
      FUZZ_CHECK(found.Result == Lookup::Found);
      for (const auto& [firstKey, firstValue] : pairs) {
        if (NamesEqual(firstKey, key)) {
          FUZZ_CHECK(found.Value == firstValue);
          break;
        }
      }
    }
  }
}

// The sections other than `section` read the same before and after.
void CheckOthersKept(std::string_view before, std::string_view after, std::string_view section) {
  for (const std::string& name : SectionNames(before)) {
    if (!NamesEqual(name, TrimBlanks(section))) {
      FUZZ_CHECK(EntriesOf(before, name) == EntriesOf(after, name));
    }
  }
}

void CheckEdit(std::string_view text, const Edit& edit) {
  std::size_t pos = 0;
  for (const Splice& s : edit) {
    FUZZ_CHECK(s.Offset >= pos && s.Offset + s.Length <= text.size());
    pos = s.Offset + s.Length;
  }
}

void CheckSetValue(std::string_view text, std::string_view s, std::string_view k,
                   std::string_view v) {
  const Edit edit = SetValue(text, s, k, v);
  CheckEdit(text, edit);
  const std::string after = Apply(text, edit);
  const ValueResult found = FindValue(after, s, k);
  FUZZ_CHECK(found.Result == Lookup::Found && found.Value == TrimBlanks(v));
  CheckOthersKept(text, after, s);

  Pairs expected = EntriesOf(text, s);
  bool replaced = false;
  for (auto& [key, value] : expected) {
    if (NamesEqual(key, TrimBlanks(k))) {
      value = std::string(TrimBlanks(v));
      replaced = true;
      break;
    }
  }
  if (!replaced) expected.emplace_back(TrimBlanks(k), TrimBlanks(v));
  FUZZ_CHECK(EntriesOf(after, s) == expected);

  std::vector<std::string> names = SectionNames(text);
  if (!Listed(names, TrimBlanks(s))) names.emplace_back(TrimBlanks(s));
  FUZZ_CHECK(SectionNames(after) == names);
  FUZZ_CHECK(SetValue(after, s, k, v).empty());
  CheckReads(after);
}

void CheckRemoveKey(std::string_view text, std::string_view s, std::string_view k) {
  const Edit edit = RemoveKey(text, s, k);
  CheckEdit(text, edit);
  const std::string after = Apply(text, edit);
  FUZZ_CHECK(FindValue(after, s, k).Result != Lookup::Found);
  Pairs expected;
  for (const auto& entry : EntriesOf(text, s)) {
    if (!NamesEqual(entry.first, TrimBlanks(k))) expected.push_back(entry);
  }
  FUZZ_CHECK(EntriesOf(after, s) == expected);
  CheckOthersKept(text, after, s);
  FUZZ_CHECK(SectionNames(after) == SectionNames(text));
  FUZZ_CHECK(RemoveKey(after, s, k).empty());
}

void CheckRemoveSection(std::string_view text, std::string_view s) {
  const Edit edit = RemoveSection(text, s);
  CheckEdit(text, edit);
  const std::string after = Apply(text, edit);
  std::vector<std::string> names;
  for (const std::string& n : SectionNames(text)) {
    if (!NamesEqual(n, TrimBlanks(s))) names.push_back(n);
  }
  FUZZ_CHECK(SectionNames(after) == names);
  CheckOthersKept(text, after, s);
  FUZZ_CHECK(RemoveSection(after, s).empty());
}

void CheckReplaceSection(std::string_view text, std::string_view s, std::string_view list) {
  // The value field holds the entries as key:value items separated by commas.
  std::vector<KeyValue> entries;
  Pairs expected;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
    const std::size_t colon = item.find(':');
    const std::string_view key = item.substr(0, colon);
    const std::string_view value =
        colon == std::string_view::npos ? std::string_view() : item.substr(colon + 1);
    if (KeyProblem(key) || ValueProblem(key, value)) return;
    entries.emplace_back(key, value);
    expected.emplace_back(TrimBlanks(key), TrimBlanks(value));
  }
  const Edit edit = ReplaceSection(text, s, entries);
  CheckEdit(text, edit);
  const std::string after = Apply(text, edit);
  const auto read = SectionEntries(after, s);
  FUZZ_CHECK(read.has_value());
  FUZZ_CHECK(SameEntries(Split(*read), expected));
  CheckOthersKept(text, after, s);
  FUZZ_CHECK(ReplaceSection(after, s, entries).empty());
  CheckReads(after);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::uint8_t op = data[0] % 4;
  const std::string_view section = NextField(rest);
  const std::string_view key = NextField(rest);
  const std::string_view value = NextField(rest);
  const std::string_view text = rest;

  CheckReads(text);
  if (SectionNameProblem(section)) return 0;
  switch (op) {
    case 0:
      if (!KeyProblem(key) && !ValueProblem(key, value)) CheckSetValue(text, section, key, value);
      break;
    case 1:
      if (!KeyProblem(key)) CheckRemoveKey(text, section, key);
      break;
    case 2:
      CheckRemoveSection(text, section);
      break;
    default:
      CheckReplaceSection(text, section, value);
      break;
  }
  return 0;
}
