#include "core/TextReplace.h"

namespace orvanta {

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with) {
  if (find.empty()) return std::string(text);
  std::string out;
  std::size_t pos = text.find(find);
  if (pos == std::string_view::npos) return std::string(text);
  out.reserve(text.size() + (with.size() > find.size() ? (with.size() - find.size()) * 4 : 0));
  std::size_t from = 0;
  while (pos != std::string_view::npos) {
    out.append(text.data() + from, pos - from);
    out.append(with.data(), with.size());
    from = pos + find.size();
    pos = text.find(find, from);
  }
  out.append(text.data() + from, text.size() - from);
  return out;
}

}  // namespace orvanta
