#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/PopupSettings.h"

namespace orvanta {

// A fixed list of words, indexed like the enum or the options it names.
struct WordList {
  const std::string_view* Data = nullptr;
  std::size_t Size = 0;

  template <std::size_t N>
  constexpr WordList(const std::array<std::string_view, N>& words)  // NOLINT: implicit on purpose
      : Data(words.data()), Size(N) {}
  constexpr WordList() = default;

  const std::string_view* begin() const { return Data; }
  const std::string_view* end() const { return Data + Size; }
  // The word at `index`; throws std::out_of_range naming `what` outside the list.
  std::string_view At(int index, const char* what) const;
  // The index of `word` (exact), or -1.
  int IndexOf(std::string_view word) const;
  // Every word, `separator` between them.
  std::string Joined(std::string_view separator = ", ") const;
};

// Stable names used in settings files and JSON, indexed by the enum's value.
inline constexpr std::array<std::string_view, 4> kOrderNames = {"Normal", "PopupOver", "PopupUnder",
                                                                "InPage"};
inline constexpr std::array<std::string_view, 6> kActivationNames = {
    "StandardLink", "PageLoad", "PageClose", "FormButton", "MouseOver", "ImageLink"};
// The command line's shorter words for the same values.
inline constexpr std::array<std::string_view, 4> kOrderWords = {"normal", "over", "under",
                                                                "inpage"};
inline constexpr std::array<std::string_view, 6> kActivationWords = {
    "link", "load", "close", "button", "mouseover", "image"};
// The window options by the index of PopupSettings::WindowOptions.
inline constexpr std::array<std::string_view, kWindowOptionCount> kWindowOptionWords = {
    "toolbar",    "location",  "directories", "status",     "menubar",
    "scrollbars", "resizable", "dependent",   "fullscreen", "titlebar"};

static_assert(kOrderNames.size() == static_cast<std::size_t>(WindowOrder::InPage) + 1);
static_assert(kActivationNames.size() == static_cast<std::size_t>(ActivationKind::ImageLink) + 1);
static_assert(kOrderWords.size() == kOrderNames.size());
static_assert(kActivationWords.size() == kActivationNames.size());

// Both throw std::out_of_range for a value outside the enum.
std::string_view OrderName(WindowOrder order);
std::string_view ActivationName(ActivationKind kind);

}  // namespace orvanta
