#include "core/Activation.h"

namespace orvanta {

std::string BuildActivationCode(ActivationKind kind, const std::string& triggerName,
                                std::string& linkCode) {
  const std::string call = "JavaScript: " + triggerName + "()";
  const std::string image = "<img border='0' src='gobutton.gif' width='24' height='24'>";
  switch (kind) {
    case ActivationKind::StandardLink:
      linkCode = " <A HREF=\"#\" onClick=\"" + linkCode + "\">Click here</A>\r\n";
      return " <A HREF=\"" + call + "\">Click here</A>";
    case ActivationKind::FormButton:
      linkCode = "<form><input type='button' value='Open Window' onClick=\"" + linkCode +
                 "\"></form>\r\n";
      return " <form><input type='button' value='Open Window' onClick=\"" + call +
             "\"></form>\r\n";
    case ActivationKind::MouseOver:
      linkCode = " <A HREF=\"#\" onMouseOver=\"" + linkCode + "\">Move your mouse over here</A>\r\n";
      return " <A HREF=\"#\" onMouseOver=\"" + call + "\">Move your mouse over here</A>\r\n";
    case ActivationKind::ImageLink:
      linkCode = " <A HREF=\"#\" onClick=\"" + linkCode + "\">" + image + "</A>\r\n";
      return " <A HREF=\"" + call + "\">" + image + "</A>\r\n";
    case ActivationKind::PageLoad:
    case ActivationKind::PageClose:
      break;
  }
  return std::string();
}

}  // namespace orvanta
