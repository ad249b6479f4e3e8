#include "preview/TestPages.h"

#include <sys/stat.h>

#include "files/FileWriter.h"
#include "preview/TextFile.h"

namespace orvanta {

extern const unsigned char kGoButtonGifData[];
extern const std::size_t kGoButtonGifSize;

std::string LinkTestPageText(std::string_view linkCode) {
  std::string page = "<html><head><title>Popup Test Page</title></head><body>";
  page.append(linkCode);
  page.append("</body></html>");
  return page;
}

std::string_view GoButtonGif() {
  return {reinterpret_cast<const char*>(kGoButtonGifData), kGoButtonGifSize};
}

void WritePopupTestPage(const std::string& folder, std::string_view popupCode) {
  WriteTextFile(popupCode, folder + kTestPageName);
}

void WriteLinkTestPage(const std::string& folder, std::string_view linkCode) {
  WriteTextFile(LinkTestPageText(linkCode), folder + kLinkTestPageName);
}

void EnsureGoButton(const std::string& folder) {
  const std::string path = folder + kGoButtonName;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return;
  WriteBinaryFile(GoButtonGif(), path);
}

void WriteTestPages(const std::string& folder, std::string_view popupCode,
                    std::string_view linkCode) {
  const files::FolderLock lock(folder);
  if (const auto& problem = lock.Problem())
    throw FileWriteError("Cannot lock \"" + folder + "\": " + problem->Reason);
  WritePopupTestPage(folder, popupCode);
  WriteLinkTestPage(folder, linkCode);
  EnsureGoButton(folder);
}

}  // namespace orvanta
