#include "core/Enums.h"

#include <stdexcept>

namespace orvanta {

std::string_view WordList::At(int index, const char* what) const {
  if (index < 0 || static_cast<std::size_t>(index) >= Size) {
    throw std::out_of_range(std::string(what) + " " + std::to_string(index) +
                            " is out of range (0 to " + std::to_string(Size - 1) + ")");
  }
  return Data[index];
}

int WordList::IndexOf(std::string_view word) const {
  for (std::size_t i = 0; i < Size; ++i)
    if (Data[i] == word) return static_cast<int>(i);
  return -1;
}

std::string WordList::Joined(std::string_view separator) const {
  std::string out;
  for (std::size_t i = 0; i < Size; ++i) {
    if (i > 0) out += separator;
    out += Data[i];
  }
  return out;
}

std::string_view OrderName(WindowOrder order) {
  return WordList(kOrderNames).At(static_cast<int>(order), "window order");
}

std::string_view ActivationName(ActivationKind kind) {
  return WordList(kActivationNames).At(static_cast<int>(kind), "activation kind");
}

}  // namespace orvanta
