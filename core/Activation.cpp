#include "core/Activation.h"

namespace orvanta {

std::string BuildActivationCode(ActivationKind kind, const std::string& triggerName,
                                std::string& linkCode, bool inPage) {
  // The element's text before and after the call, for the snippet and for
  // the link code.
  const char* snippetBefore = nullptr;
  const char* linkBefore = nullptr;
  const char* after = nullptr;
  bool lineBreak = true;
  switch (kind) {
    case ActivationKind::StandardLink:
      snippetBefore = " <A HREF=\"";
      linkBefore = " <A HREF=\"#\" onClick=\"";
      after = "\">Click here</A>";
      lineBreak = false;
      break;
    case ActivationKind::FormButton:
      snippetBefore = " <form><input type='button' value='Open Window' onClick=\"";
      linkBefore = snippetBefore + 1;
      after = "\"></form>";
      break;
    case ActivationKind::MouseOver:
      snippetBefore = linkBefore = " <A HREF=\"#\" onMouseOver=\"";
      after = "\">Move your mouse over here</A>";
      break;
    case ActivationKind::ImageLink:
      snippetBefore = " <A HREF=\"";
      linkBefore = " <A HREF=\"#\" onClick=\"";
      after = "\"><img border='0' src='gobutton.gif' width='24' height='24'></A>";
      break;
    case ActivationKind::PageLoad:
    case ActivationKind::PageClose:
      return std::string();
  }
  std::string link;
  link.reserve(linkCode.size() + 128);
  link.append(linkBefore).append(linkCode).append(after).append("\r\n");
  linkCode.swap(link);
  std::string snippet;
  snippet.reserve(triggerName.size() + 128);
  snippet.append(snippetBefore).append("JavaScript: ").append(triggerName).append("()");
  if (inPage && kind == ActivationKind::MouseOver)
    snippet.append("\" onFocus=\"JavaScript: ").append(triggerName).append("()");
  snippet.append(after);
  if (lineBreak) snippet.append("\r\n");
  return snippet;
}

}  // namespace orvanta
