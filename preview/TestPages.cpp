#include "preview/TestPages.h"

#include <sys/stat.h>

#include <utility>
#include <vector>

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

void EnsureGoButton(const std::string& folder) {
  const std::string path = folder + kGoButtonName;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return;
  WriteBinaryFile(GoButtonGif(), path);
}

PageWriter::PageWriter(std::string folder)
    : folder_(std::move(folder)), lock_(std::make_unique<files::FolderLock>(folder_)) {
  if (const auto& problem = lock_->Problem())
    throw FileWriteError("Cannot lock \"" + folder_ + "\": " + problem->Reason);
}

PageWriter::~PageWriter() = default;
PageWriter::PageWriter(PageWriter&&) noexcept = default;
PageWriter& PageWriter::operator=(PageWriter&&) noexcept = default;

void PageWriter::WritePopupPage(std::string_view popupCode) const {
  WriteTextFile(popupCode, folder_ + kTestPageName);
}

void PageWriter::WriteLinkPage(std::string_view linkCode) const {
  WriteTextFile(LinkTestPageText(linkCode), folder_ + kLinkTestPageName);
}

void PageWriter::EnsureGoButton() const { orvanta::EnsureGoButton(folder_); }

void PageWriter::WriteText(const std::string& name, std::string_view text) const {
  WriteTextFile(text, folder_ + name);
}

void PageWriter::WriteAll(std::string_view popupCode, std::string_view linkCode) const {
  const std::string popupPage = TextFileBytes(popupCode);
  const std::string linkPage = TextFileBytes(LinkTestPageText(linkCode));
  std::vector<std::pair<std::string, std::string_view>> wanted = {
      {folder_ + kTestPageName, popupPage}, {folder_ + kLinkTestPageName, linkPage}};
  struct stat st {};
  if (::stat((folder_ + kGoButtonName).c_str(), &st) != 0)
    wanted.emplace_back(folder_ + kGoButtonName, GoButtonGif());

  std::vector<files::PlannedFile> plan;
  for (const auto& [path, bytes] : wanted) {
    files::PlannedFile file;
    if (const auto problem = files::FindWriteTarget(path, file.Target))
      throw FileWriteError("Cannot write \"" + path + "\": " + problem->Reason +
                           "; the folder was left as it was");
    files::RemoveLeftovers(file.Target);
    file.Pieces = {bytes};
    plan.push_back(std::move(file));
  }
  std::size_t failed = 0;
  std::size_t replaced = 0;
  if (const auto problem = files::ReplaceFiles(plan, failed, replaced)) {
    std::string outcome = "; the folder was left as it was";
    if (replaced > 0) {
      outcome = "; replaced all the same:";
      for (std::size_t i = 0; i < replaced; ++i) outcome += " \"" + wanted[i].first + "\"";
    }
    throw FileWriteError("Cannot write \"" + wanted[failed].first + "\": " + problem->Reason +
                         outcome);
  }
}

void WriteTestPages(const std::string& folder, std::string_view popupCode,
                    std::string_view linkCode) {
  PageWriter(folder).WriteAll(popupCode, linkCode);
}

}  // namespace orvanta
