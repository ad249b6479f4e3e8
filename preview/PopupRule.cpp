#include "preview/PopupRule.h"

#include <charconv>
#include <map>
#include <string>

namespace orvanta {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
bool IsSeparator(char c) { return IsSpace(c) || c == '=' || c == ','; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Names and values split at white space, "=" and ","; a later entry of a
// name replaces an earlier one.
std::map<std::string, std::string> Tokenize(std::string_view features) {
  std::map<std::string, std::string> entries;
  std::size_t i = 0;
  const std::size_t n = features.size();
  while (i < n) {
    while (i < n && IsSeparator(features[i])) ++i;
    std::string name;
    while (i < n && !IsSeparator(features[i])) name += Lower(features[i++]);
    std::string value;
    if (!name.empty()) {
      while (i < n && IsSpace(features[i])) ++i;
      if (i < n && IsSeparator(features[i]) && features[i] != ',') {
        while (i < n && IsSeparator(features[i]) && features[i] != ',') ++i;
        while (i < n && !IsSeparator(features[i])) value += Lower(features[i++]);
      }
      entries[name] = value;
    }
  }
  return entries;
}

// A feature's value read as a boolean: no value, "yes" and "true" are on,
// otherwise the leading integer, 0 when there is none.
bool ParseOn(const std::string& value) {
  if (value.empty() || value == "yes" || value == "true") return true;
  long long number = 0;
  const char* first = value.data();
  if (*first == '+') ++first;
  const auto [end, error] = std::from_chars(first, value.data() + value.size(), number);
  static_cast<void>(end);
  return error == std::errc() && number != 0;
}

}  // namespace

bool PopupWindowRequested(std::string_view features) {
  const auto entries = Tokenize(features);
  if (entries.empty()) return false;
  const auto on = [&entries](const char* name, bool otherwise) {
    const auto found = entries.find(name);
    return found == entries.end() ? otherwise : ParseOn(found->second);
  };
  if (entries.count("popup") != 0) return on("popup", false);
  if (!on("location", false) && !on("toolbar", false)) return true;
  if (!on("menubar", false)) return true;
  if (!on("resizable", true)) return true;
  if (!on("scrollbars", false)) return true;
  if (!on("status", false)) return true;
  return false;
}

}  // namespace orvanta
