#pragma once

#include <string>
#include <string_view>

namespace orvanta {

inline constexpr const char* kTestPageName = "test_page.htm";
inline constexpr const char* kLinkTestPageName = "test_link.htm";
inline constexpr const char* kGoButtonName = "gobutton.gif";

// The text of "test_link.htm" around the link code.
std::string LinkTestPageText(std::string_view linkCode);

// The button picture the image-link code refers to.
std::string_view GoButtonGif();

// `folder` ends with "/". Each function throws FileWriteError.
void WritePopupTestPage(const std::string& folder, std::string_view popupCode);
void WriteLinkTestPage(const std::string& folder, std::string_view linkCode);
// Writes gobutton.gif unless the folder already has one.
void EnsureGoButton(const std::string& folder);
// All three: both pages and the picture (unless the folder has one). All
// are written beside their targets first and replace them only when every
// one was written, so a failure leaves the folder as it was.
void WriteTestPages(const std::string& folder, std::string_view popupCode,
                    std::string_view linkCode);

}  // namespace orvanta
