#include "preview/TextFile.h"

#include "core/Utf8.h"
#include "files/FileWriter.h"

namespace orvanta {

namespace {

constexpr char32_t kHigh1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToWindows1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHigh1252[i] != 0 && kHigh1252[i] == cp) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

std::string Utf8ToWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();)
    out.push_back(ToWindows1252(DecodeUtf8(utf8, i).value_or(0xFFFD)));
  return out;
}

void WriteBinaryFile(std::string_view bytes, const std::string& path) {
  if (auto problem = files::WriteFile(path, bytes))
    throw FileWriteError("Cannot write \"" + path + "\": " + problem->Reason);
}

std::string TextFileBytes(std::string_view text) {
  std::string bytes = Utf8ToWindows1252(text);
  bytes += "\r\n";
  return bytes;
}

void WriteTextFile(std::string_view text, const std::string& path) {
  WriteBinaryFile(TextFileBytes(text), path);
}

}  // namespace orvanta
