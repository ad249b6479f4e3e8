#include "core/PopupSettings.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "core/SettingsFields.h"

namespace orvanta {

bool PopupSettings::operator==(const PopupSettings& o) const {
  for (const SettingsField& field : kSettingsFields)
    if (!SameField(field, *this, o)) return false;
  return true;
}

std::string TrimSpaces(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  return std::string(text.substr(b, e - b));
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

double ReadRadixInteger(const std::string& s, std::size_t pos, int radix) {
  double value = 0;
  for (; pos < s.size(); ++pos) {
    char c = s[pos];
    int d;
    if (IsDigit(c)) {
      d = c - '0';
    } else if (radix == 16 && c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (radix == 16 && c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      break;
    }
    if (d >= radix) break;
    value = value * radix + d;
  }
  return value;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
  }
  if (s.size() >= 2 && s[0] == '&') {
    if (s[1] == 'H' || s[1] == 'h') return ReadRadixInteger(s, 2, 16);
    if (s[1] == 'O' || s[1] == 'o') return ReadRadixInteger(s, 2, 8);
    return 0;
  }

  // Collect the longest prefix that reads as a decimal number, in a form
  // from_chars accepts ("." decimal point whatever the locale).
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::string mantissa;
  std::size_t intDigits = 0;
  bool anyDigit = false;
  while (i < s.size() && IsDigit(s[i])) {
    mantissa.push_back(s[i++]);
    ++intDigits;
    anyDigit = true;
  }
  if (i < s.size() && s[i] == '.') {
    mantissa.push_back('.');
    ++i;
    while (i < s.size() && IsDigit(s[i])) {
      mantissa.push_back(s[i++]);
      anyDigit = true;
    }
  }
  if (!anyDigit) return 0;
  long long exponent = 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::size_t j = i + 1;
    bool expNegative = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) expNegative = s[j++] == '-';
    bool expDigits = false;
    while (j < s.size() && IsDigit(s[j])) {
      if (exponent < 100000) exponent = exponent * 10 + (s[j] - '0');
      ++j;
      expDigits = true;
    }
    if (!expDigits) exponent = 0;
    if (expNegative) exponent = -exponent;
  }
  std::string number = mantissa + "e" + std::to_string(exponent);
  double value = 0;
  auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                   std::chars_format::general);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // Too large for a double reads as infinite; too small as zero.
    bool nonZero = mantissa.find_first_of("123456789") != std::string::npos;
    long long scale = exponent + static_cast<long long>(intDigits);
    value = (nonZero && scale > 0) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc()) {
    value = 0;
  }
  return negative ? -value : value;
}

namespace {

void TrimInPlace(std::string& text) {
  std::size_t e = text.size();
  while (e > 0 && text[e - 1] == ' ') --e;
  text.resize(e);
  std::size_t b = 0;
  while (b < e && text[b] == ' ') ++b;
  if (b > 0) text.erase(0, b);
}

// The leading number of a text of digits alone, read without LeadingNumber's
// general path; -1 for any other text.
double PlainDigits(const std::string& text) {
  if (text.empty() || text.size() > 9) return -1;
  double value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

void RepairTiming(std::string& text) {
  const double plain = PlainDigits(text);
  if ((plain >= 0 ? plain : LeadingNumber(text)) < 1) text.clear();
  if ((plain >= 0 ? plain : LeadingNumber(text)) > 360) text = "360";
  TrimInPlace(text);
}

void RepairPageUrl(std::string& url) {
  if (url.size() >= 2 && url.compare(url.size() - 2, 2, "//") == 0) url = "YourURL.htm";
  if (url.compare(0, 4, "http") != 0 || url.size() < 4) url.insert(0, "http://");
}

}  // namespace

PopupSettings ReadPopupSettings(const PopupSettings& typed) {
  PopupSettings s = typed;
  TrimInPlace(s.PageUrl);
  RepairPageUrl(s.PageUrl);

  TrimInPlace(s.FunctionName);
  if (s.FunctionName.empty()) s.FunctionName = "myfunc";
  TrimInPlace(s.WindowName);
  if (s.WindowName.empty()) s.WindowName = "windtitle";

  RepairTiming(s.DelaySeconds);
  RepairTiming(s.CloseSeconds);

  for (std::string* field : {&s.Width, &s.Height, &s.Top, &s.Left}) {
    TrimInPlace(*field);
    if (field->empty()) *field = "300";
  }
  return s;
}

}  // namespace orvanta
