#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace orvanta {

// InPage shows the page in a dialog inside the visitor's page instead of a
// window of its own.
enum class WindowOrder { Normal = 0, PopupOver = 1, PopupUnder = 2, InPage = 3 };

enum class ActivationKind {
  StandardLink = 0,
  PageLoad = 1,
  PageClose = 2,
  FormButton = 3,
  MouseOver = 4,
  ImageLink = 5
};

inline constexpr int kWindowOptionCount = 10;

// The main-screen entries. Before ReadPopupSettings they are the entries as
// typed; afterwards the repaired values the generator works from. Numbers stay
// texts and reach the output character for character.
struct PopupSettings {
  std::string FunctionName;
  std::string WindowName;
  std::string PageUrl = "http://";
  std::string Width;
  std::string Height;
  std::string Top;
  std::string Left;
  int Center = 0;  // only 1 counts as ticked
  WindowOrder Order = WindowOrder::Normal;
  std::array<int, kWindowOptionCount> WindowOptions{};  // 0 or 1 each
  std::string DelaySeconds;                             // empty: off
  std::string CloseSeconds;                             // empty: off
  ActivationKind Activation = ActivationKind::StandardLink;

  bool operator==(const PopupSettings& o) const;
  bool operator!=(const PopupSettings& o) const { return !(*this == o); }
};

// Val-style reading of the leading number of a text: blanks, tabs and line
// feeds are ignored, E or D introduce the exponent, &H/&O read hex or octal.
double LeadingNumber(std::string_view text);

// Trims, defaults and repairs the typed entries.
PopupSettings ReadPopupSettings(const PopupSettings& typed);

// Removes U+0020 at both ends, nothing else.
std::string TrimSpaces(std::string_view text);

}  // namespace orvanta
