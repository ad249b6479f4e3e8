#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace orvanta::files {
class FolderLock;
}

namespace orvanta {

inline constexpr const char* kTestPageName = "test_page.htm";
inline constexpr const char* kLinkTestPageName = "test_link.htm";
inline constexpr const char* kGoButtonName = "gobutton.gif";

// The text of "test_link.htm" around the link code.
std::string LinkTestPageText(std::string_view linkCode);

// The button picture the image-link code refers to.
std::string_view GoButtonGif();

// The one writer of test pages: it holds an exclusive lock on their folder
// while it lives, so that the pages written through it all come from one
// writer, whichever process or window writes there too. Every member
// throws FileWriteError.
class PageWriter {
 public:
  // `folder` ends with "/"; waits for the lock.
  explicit PageWriter(std::string folder);
  ~PageWriter();
  PageWriter(PageWriter&&) noexcept;
  PageWriter& operator=(PageWriter&&) noexcept;

  const std::string& Folder() const { return folder_; }
  void WritePopupPage(std::string_view popupCode) const;
  void WriteLinkPage(std::string_view linkCode) const;
  // Writes gobutton.gif unless the folder already has one.
  void EnsureGoButton() const;
  // Any other text file of the folder, such as a launched page.
  void WriteText(const std::string& name, std::string_view text) const;
  // Both pages and the picture (unless the folder has one). All are written
  // beside their targets first and replace them only when every one was
  // written, so a failure leaves the folder as it was.
  void WriteAll(std::string_view popupCode, std::string_view linkCode) const;

 private:
  std::string folder_;
  std::unique_ptr<files::FolderLock> lock_;
};

// Writes gobutton.gif into `folder` (ending with "/") unless it has one;
// takes no lock. Throws FileWriteError.
void EnsureGoButton(const std::string& folder);
// PageWriter(folder).WriteAll(...).
void WriteTestPages(const std::string& folder, std::string_view popupCode,
                    std::string_view linkCode);

}  // namespace orvanta
