#include <QLatin1String>

#include "ui/help/FieldHelp.h"

namespace orvanta {

const std::array<FieldHelpItem, 37>& FieldHelpTable() {
  static const std::array<FieldHelpItem, 37> kTable = {{
      {"txtName", "Specify a unique name for your JavaScript code"},
      {"txtTitle", "Specify a unique name for your window"},
      {"txtURL", "Specifies the URL or,\r\nthe web page to be displayed"},
      {"txtPixels_2",
       "Specifies how far from the screen top\r\n"
       "(Y-coordinate), the window should be positioned"},
      {"txtPixels_3",
       "Specifies how far from the screen left edge\r\n"
       "(X-coordinate), the window should be positioned"},
      {"txtPixels_0", "Specifies the width, in pixels, \r\nof the window's document display area."},
      {"txtPixels_1", "Specifies the height, in pixels,\r\nof the window's document display area"},
      {"ChkCenter", "Center the popup in the middle of the screen"},
      {"OptWin_0", "Display the Popup window,\r\nin its default location"},
      {"OptWin_1", "Display the Popup window,\r\nin front of all other windows"},
      {"OptWin_2", "Display the Popup window,\r\nbehind the current window"},
      {"OptAction_0", "Popup the window when a\r\nstandard link is clicked"},
      {"OptAction_1", "Popup the window when the\r\npage is first loaded"},
      {"OptAction_2", "Popup the window when the\r\npage is closed"},
      {"OptAction_3", "Popup the window when a\r\nform button is clicked"},
      {"OptAction_4", "Popup the window when the\r\nmove is moved over a link"},
      {"OptAction_5", "Popup the window when an\r\nimage or a picture is clicked"},
      {"chkWindOpt_0",
       "Specifies whether to display \r\nthe browser toolbar (the toolbar at\r\n"
       "the top of the window,\r\nincluding Back and Forward)"},
      {"chkWindOpt_1",
       "Specifies whether to display \r\nthe input field for entering URLs\r\n"
       "directly into the browser"},
      {"chkWindOpt_2",
       "Specifies whether to display \r\ndirectory buttons (best known as the \r\n"
       "`What's Cool` and `What's New` buttons)"},
      {"chkWindOpt_3", "Specifies whether to add a \r\nstatus bar at the bottom of the window"},
      {"chkWindOpt_4",
       "Specifies whether to display \r\n"
       "the menu bar (the menu at the top of the window,\r\nincluding File and Edit)."},
      {"chkWindOpt_5",
       "Specifies whether to enable \r\nhorizontal and vertical scrollbars\r\n"
       "when they are necessary"},
      {"chkWindOpt_6",
       "Specifies whether the window \r\nshould have resize handles around its border"},
      {"chkWindOpt_7",
       "Specifies whether the window \r\nshould be a dependent child of the\r\n"
       "current (opener) window."},
      {"chkWindOpt_8", "Specifies whether to display the\r\nbrowser in a full-screen window"},
      {"chkWindOpt_9", "Specifies whether to display \r\na title bar for the window"},
      {"txtDelay_0",
       "Specify the number of seconds to delay showing\r\n"
       "the Popup Window after the popup is activated"},
      {"txtDelay_1",
       "Specify the number of seconds to automatically close\r\n"
       " the Popup Window after it is activated"},
      {"cmdGo_0", "Generate the JavaScript code\r\nfor the Popup window"},
      {"cmdGo_2", "Clear the form's data fields\r\nfor the new Popup window"},
      {"picHelp_0", "Display the online Help file"},
      {"picHelp_1", "Display the online Help file"},
      {"picHelp_2", "Display the online Help file"},
      {"cmdCopy_0", "Copy the JavaScript Popup code\r\nto the clipboard"},
      {"cmdCopy_1", "Copy the JavaScript Launch code\r\nto the clipboard"},
      {"OptWin_3",
       "Display the page in a dialog inside your page, which no\r\n"
       "popup blocker stops. Window Options but Scroll Bars mean\r\n"
       "nothing there and are off; Page Close opens it when the\r\n"
       "pointer leaves the page at the top, as nothing shows on unload"},
  }};
  return kTable;
}

int SetupFieldHelp(QWidget* form) {
  if (form == nullptr) return 0;
  int attached = 0;
  for (const FieldHelpItem& item : FieldHelpTable()) {
    // A missing control costs only its own balloon.
    QWidget* control = form->findChild<QWidget*>(QLatin1String(item.control));
    if (control != nullptr &&
        AddFieldHelp(control, QString::fromLatin1(item.text), form) != nullptr)
      ++attached;
  }
  return attached;
}

}  // namespace orvanta
