#include "core/TextReplace.h"

#include <cstring>
#include <vector>

namespace orvanta {

void ReplaceInPlace(std::string& text, std::string_view find, std::string_view with) {
  std::size_t pos = find.empty() ? std::string::npos : text.find(find);
  if (pos == std::string::npos) return;
  const std::size_t fs = find.size();
  const std::size_t ws = with.size();
  if (ws <= fs) {
    // Shrinking or equal: one forward pass; writes never pass the search point.
    std::size_t w = pos;
    while (pos != std::string::npos) {
      if (ws > 0) std::memcpy(&text[w], with.data(), ws);
      w += ws;
      const std::size_t r = pos + fs;
      pos = text.find(find, r);
      const std::size_t end = pos == std::string::npos ? text.size() : pos;
      if (w != r) std::memmove(&text[w], text.data() + r, end - r);
      w += end - r;
    }
    text.resize(w);
    return;
  }
  // Growing: find every place, make room once, then fill from the back.
  thread_local std::vector<std::size_t> places;
  places.clear();
  for (; pos != std::string::npos; pos = text.find(find, pos + fs)) places.push_back(pos);
  const std::size_t oldSize = text.size();
  const std::size_t newSize = oldSize + places.size() * (ws - fs);
  if (newSize > text.capacity()) text.reserve(newSize + newSize / 4);
  text.resize(newSize);
  char* d = text.data();
  std::size_t src = oldSize;
  std::size_t dst = newSize;
  for (std::size_t k = places.size(); k-- > 0;) {
    const std::size_t tail = src - (places[k] + fs);
    dst -= tail;
    std::memmove(d + dst, d + places[k] + fs, tail);
    dst -= ws;
    std::memcpy(d + dst, with.data(), ws);
    src = places[k];
  }
  if (places.capacity() > (std::size_t{1} << 20)) std::vector<std::size_t>().swap(places);
}

}  // namespace orvanta
