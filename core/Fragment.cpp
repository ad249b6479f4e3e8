#include "core/Fragment.h"

#include <stdexcept>

#include "core/CodeTemplate.h"

namespace orvanta {

namespace {

bool IsWordStart(char c) { return c >= 'A' && c <= 'Z'; }
bool IsWordChar(char c) { return IsWordStart(c) || (c >= '0' && c <= '9'); }

// The "#NAME" at `at`, or empty: "#" and a capital letter, then capitals and
// digits, so that a colour such as "#00FFFF" is no word.
std::string_view HashWordAt(std::string_view text, std::size_t at) {
  if (text[at] != '#' || at + 1 >= text.size() || !IsWordStart(text[at + 1])) return {};
  std::size_t end = at + 2;
  while (end < text.size() && IsWordChar(text[end])) ++end;
  return text.substr(at, end - at);
}

std::vector<std::string> CollectTemplateWords() {
  std::vector<std::string> words;
  for (std::string_view text : CodeTemplate::FragmentsWithWords) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const std::string_view word = HashWordAt(text, i);
      if (word.empty()) continue;
      bool known = false;
      for (const std::string& w : words) known = known || w == word;
      if (!known) words.emplace_back(word);
      i += word.size() - 1;
    }
  }
  return words;
}

}  // namespace

const std::vector<std::string>& TemplateWords() {
  static const std::vector<std::string> words = CollectTemplateWords();
  return words;
}

int TemplateWordIndex(std::string_view word) {
  const std::vector<std::string>& words = TemplateWords();
  for (std::size_t i = 0; i < words.size(); ++i)
    if (words[i] == word) return static_cast<int>(i);
  throw std::logic_error("the code template holds no " + std::string(word));
}

void Fragment::AddLiteral(std::string_view text, bool lineBreaks) {
  if (text.empty()) return;
  const std::size_t begin = literals_.size();
  if (lineBreaks) {
    for (std::size_t from = 0;;) {
      const std::size_t marker = text.find(CodeTemplate::LineBreakMarker, from);
      literals_.append(text.substr(from, marker - from));
      if (marker == std::string_view::npos) break;
      literals_.append("\r\n");
      from = marker + CodeTemplate::LineBreakMarker.size();
    }
  } else {
    literals_.append(text);
  }
  if (!pieces_.empty() && pieces_.back().Word < 0) {
    pieces_.back().Size += literals_.size() - begin;
  } else {
    pieces_.push_back({-1, begin, literals_.size() - begin});
  }
}

Fragment::Fragment(std::string_view text, bool lineBreaks) {
  std::size_t literal = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view word = HashWordAt(text, i);
    if (word.empty()) continue;
    AddLiteral(text.substr(literal, i - literal), lineBreaks);
    pieces_.push_back({TemplateWordIndex(word), 0, 0});
    i += word.size() - 1;
    literal = i + 1;
  }
  AddLiteral(text.substr(literal), lineBreaks);
}

Fragment::Fragment(std::string_view text, const std::vector<std::string_view>& words,
                   bool lineBreaks) {
  std::size_t literal = 0;
  for (std::size_t i = 0; i < text.size();) {
    int found = -1;
    for (std::size_t w = 0; w < words.size() && found < 0; ++w)
      if (!words[w].empty() && text.substr(i, words[w].size()) == words[w])
        found = static_cast<int>(w);
    if (found < 0) {
      ++i;
      continue;
    }
    AddLiteral(text.substr(literal, i - literal), lineBreaks);
    pieces_.push_back({found, 0, 0});
    i += words[static_cast<std::size_t>(found)].size();
    literal = i;
  }
  AddLiteral(text.substr(literal), lineBreaks);
}

std::vector<int> Fragment::Words() const {
  std::vector<int> words;
  for (const Piece& piece : pieces_)
    if (piece.Word >= 0) words.push_back(piece.Word);
  return words;
}

}  // namespace orvanta
