// The settings repair, the generator and the numeric entry check on
// arbitrary entries. The input holds the seven text fields and the two
// timings separated by NUL bytes, then bytes for the check states and
// choices.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/Generator.h"
#include "core/NumericEntry.h"
#include "core/PopupSettings.h"
#include "fuzz/FuzzCheck.h"

namespace {

using namespace orvanta;

std::string NextField(std::string_view& rest) {
  const std::size_t nul = rest.find('\0');
  std::string field(rest.substr(0, nul));
  rest.remove_prefix(nul == std::string_view::npos ? rest.size() : nul + 1);
  return field;
}

// On texts made only of digits, signs, points and E, the entry check agrees
// with the C library reading the whole text, or the text with one more digit,
// as a number: it passes numbers and every beginning of one.
bool WholeNumber(const std::string& text) {
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size();
}

void CheckNumericEntry(const std::string& text) {
  if (text.find_first_not_of("0123456789+-.eE") != std::string::npos) {
    // D is the exponent letter the C library does not know; E stands in.
    if (text.find_first_not_of("0123456789+-.eEdD") != std::string::npos) {
      IsNumericEntry(text);
      return;
    }
    std::string asE = text;
    for (char& c : asE) {
      if (c == 'd' || c == 'D') c = 'E';
    }
    FUZZ_CHECK(IsNumericEntry(text) == IsNumericEntry(asE));
    return;
  }
  FUZZ_CHECK(IsNumericEntry(text) == (WholeNumber(text) || WholeNumber(text + "0")));
}

bool EmptyOrPadded(const std::string& s) {
  return s.empty() || s.front() == ' ' || s.back() == ' ';
}

bool TimingOk(const std::string& t) {
  if (t.empty()) return true;
  const double n = LeadingNumber(t);
  return n >= 1 && n <= 360;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  PopupSettings typed;
  typed.FunctionName = NextField(rest);
  typed.WindowName = NextField(rest);
  typed.PageUrl = NextField(rest);
  typed.Width = NextField(rest);
  typed.Height = NextField(rest);
  typed.Top = NextField(rest);
  typed.Left = NextField(rest);
  typed.DelaySeconds = NextField(rest);
  typed.CloseSeconds = NextField(rest);
  const auto byte = [&](std::size_t i) {
    return i < rest.size() ? static_cast<std::uint8_t>(rest[i]) : std::uint8_t{0};
  };
  typed.Center = byte(0) % 3;  // 2: a state that does not count as ticked
  typed.Order = static_cast<WindowOrder>(byte(1) % 3);
  typed.Activation = static_cast<ActivationKind>(byte(2) % 6);
  const unsigned options = byte(3) | unsigned{byte(4)} << 8;
  for (int i = 0; i < kWindowOptionCount; ++i) typed.WindowOptions[i] = (options >> i) & 1;

  for (const std::string* f : {&typed.Width, &typed.Height, &typed.Top, &typed.Left,
                               &typed.DelaySeconds, &typed.CloseSeconds}) {
    CheckNumericEntry(*f);
  }

  const Generation g = GeneratePopupCode(typed);
  const PopupSettings& r = g.Settings;
  for (const std::string* f :
       {&r.FunctionName, &r.WindowName, &r.PageUrl, &r.Width, &r.Height, &r.Top, &r.Left}) {
    FUZZ_CHECK(!EmptyOrPadded(*f));
  }
  FUZZ_CHECK(r.PageUrl.compare(0, 4, "http") == 0);
  FUZZ_CHECK(TimingOk(r.DelaySeconds) && TimingOk(r.CloseSeconds));
  const std::string* pairs[][2] = {{&typed.Width, &r.Width},
                                   {&typed.Height, &r.Height},
                                   {&typed.Top, &r.Top},
                                   {&typed.Left, &r.Left},
                                   {&typed.DelaySeconds, &r.DelaySeconds},
                                   {&typed.CloseSeconds, &r.CloseSeconds}};
  for (const auto& pair : pairs) {
    if (IsNumericEntry(*pair[0])) FUZZ_CHECK(IsNumericEntry(*pair[1]));
  }

  const std::string& code = g.Code.PopupCode;
  FUZZ_CHECK(code.size() >= 2 && code.compare(code.size() - 2, 2, "\r\n") == 0);
  // The template's line-break markers are all gone; the address and the
  // window name keep theirs, once each.
  const auto bullets = [](const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = text.find("\xE2\x80\xA2"); at != std::string::npos;
         at = text.find("\xE2\x80\xA2", at + 1))
      ++n;
    return n;
  };
  std::size_t elsewhere = 0;
  for (const std::string* f :
       {&r.FunctionName, &r.Width, &r.Height, &r.Top, &r.Left, &r.DelaySeconds, &r.CloseSeconds})
    elsewhere += bullets(*f);
  if (elsewhere == 0) FUZZ_CHECK(bullets(code) == bullets(r.PageUrl) + bullets(r.WindowName));
  const bool simple = r.Order == WindowOrder::Normal && r.Center != 1 && r.DelaySeconds.empty() &&
                      r.CloseSeconds.empty() && r.Activation != ActivationKind::PageLoad &&
                      r.Activation != ActivationKind::PageClose;
  if (!simple) FUZZ_CHECK(g.Code.LinkCode.empty());
  return 0;
}
