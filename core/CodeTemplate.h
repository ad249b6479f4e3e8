#pragma once

#include <string_view>

namespace orvanta {

// Fixed fragments the popup code is assembled from. "•" stands for a line
// break until the very last step of generation. Their names are the
// template's own, used in the design documents, so they keep their form.
// NOLINTBEGIN(readability-identifier-naming)
namespace CodeTemplate {

inline constexpr std::string_view LineBreakMarker = "\xE2\x80\xA2";  // U+2022

inline constexpr std::string_view SectionLayout =
    "#STARTINSTRUCTION \xE2\x80\xA2#HEADSTART \xE2\x80\xA2#SCRIPT1START "
    "\xE2\x80\xA2#SCRIPT1FUNCTION "
    "\xE2\x80\xA2#SCRIPT1END \xE2\x80\xA2#HEADEND \xE2\x80\xA2#BODYLINE \xE2\x80\xA2#BODYTEXT "
    "\xE2\x80\xA2#ACTIVATION \xE2\x80\xA2#ENDINSTRUCTION";

inline constexpr std::string_view InstructionHeader =
    "<!-- To install popup window:Paste the following into your HTML document\r\n"
    "1. FIRST part into the <HEAD>...</HEAD> section\r\n"
    "2. SECOND part into the <BODY>...</BODY> where you want to activate the popup -->\r\n"
    "\r\n"
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<meta http-equiv='Content-Language' content='en-us'>\r\n"
    "<meta http-equiv='Content-Type' content='text/html; charset=windows-1252'>\r\n"
    "<title>Popup Test Screen</title>\r\n";

inline constexpr std::string_view HeadStartComment =
    "<!-- FIRST: Copy this code into the <HEAD>...</HEAD> of your HTML document -->";

inline constexpr std::string_view ScriptOpen =
    "<SCRIPT language=JavaScript type=text/javascript>\xE2\x80\xA2<!-- Begin";

inline constexpr std::string_view FunctionTemplate =
    "function #FUNCTION() { #WINCENTER\xE2\x80\xA2 #WINNAME=window.open('#URL', "
    "'#WINTITLE','#WINPROP'); #WINORDER #AUTOCLOSE \xE2\x80\xA2}";

inline constexpr std::string_view CenterLines =
    "\xE2\x80\xA2 var winleft = (screen.width - WIDTH) / 2;\xE2\x80\xA2 var wintop = "
    "(screen.height - HEIGHT) / 2;";

inline constexpr std::string_view WindowFeatureTemplate =
    "top=TOP,left=LEFT,toolbar=TOOL,location=LOCATION,directories=DIR,status=STATUS,"
    "menubar=MENU,scrollbars=SCROLL,resizable=RESIZE,dependent=DEPENDENT,"
    "fullscreen=FULLSCREEN,titlebar=TITLEBAR,width=WIDTH,height=HEIGHT";

inline constexpr std::string_view AutoCloseLine =
    "\xE2\x80\xA2 setTimeout(\"win.close();\", #CLOSETIME*1000);";

inline constexpr std::string_view StartPopFunction =
    "\xE2\x80\xA2"
    "function StartPop() {\xE2\x80\xA2 timer = setTimeout(\"#FUNCTION()\", "
    "#DELAYTIME*1000); \xE2\x80\xA2}";

inline constexpr std::string_view CodeEndsComment =
    "<!--   ------------------ CODE ENDS HERE --------------   -->";

inline constexpr std::string_view ScriptClose =
    "// End --> \xE2\x80\xA2</SCRIPT> \xE2\x80\xA2<!--   ------------------ CODE ENDS HERE "
    "--------------   -->\xE2\x80\xA2";

inline constexpr std::string_view HeadClose = "</HEAD>\xE2\x80\xA2";

inline constexpr std::string_view PlainBodyTag = "<BODY bgcolor='#00FFFF'>\xE2\x80\xA2";

inline constexpr std::string_view TriggerBodyTag =
    "<!-- SECOND: Replace the BODY tag in your HTML document -->\xE2\x80\xA2<BODY "
    "bgcolor='#00FFFF' #LOADTYPE=#FUNCTION()>\xE2\x80\xA2<!--   ------------------ CODE ENDS "
    "HERE --------------   -->\xE2\x80\xA2";

inline constexpr std::string_view ActivationSection =
    "\xE2\x80\xA2<!-- SECOND: Paste this code into the BODY of your HTML document "
    "-->\xE2\x80\xA2#LINKTYPE \xE2\x80\xA2<!--   ------------------ CODE ENDS HERE "
    "--------------   -->\xE2\x80\xA2";

inline constexpr std::string_view TestScreenHeading =
    "<p align='center'><H2>Orvanta Test Screen.</H2></p><br>";

inline constexpr std::string_view DocumentClose = "</BODY>\xE2\x80\xA2</HTML>\xE2\x80\xA2";

// The In Page window type: a dialog in the visitor's page that frames the
// address. It never throws, also where dialogs are unknown. "winDialog"
// holds it until the focus is back, so that a trigger set off by that focus
// does not open it again.
inline constexpr std::string_view InPageFunctionTemplate =
    "function #FUNCTION() { \xE2\x80\xA2"
    " try {\xE2\x80\xA2"
    "  if (window.winDialog) return;\xE2\x80\xA2"
    "  var back = document.activeElement;\xE2\x80\xA2"
    "  var d = document.createElement('dialog');\xE2\x80\xA2"
    "  d.setAttribute('aria-label', '#WINTITLE');\xE2\x80\xA2"
    "  d.style.padding = '0';#PLACE\xE2\x80\xA2"
    "  var bar = d.appendChild(document.createElement('form'));\xE2\x80\xA2"
    "  bar.method = 'dialog';\xE2\x80\xA2"
    "  bar.style.cssText = 'margin:0;text-align:right';\xE2\x80\xA2"
    "  bar.appendChild(document.createElement('button')).textContent = 'Close';\xE2\x80\xA2"
    "  var frame = d.appendChild(document.createElement('iframe'));\xE2\x80\xA2"
    "  frame.title = '#WINTITLE';\xE2\x80\xA2"
    "  frame.style.cssText = 'display:block;border:0';\xE2\x80\xA2"
    "  frame.style.width = #FRAMEWIDTH + 'px';\xE2\x80\xA2"
    "  frame.style.height = #FRAMEHEIGHT + 'px';#NOSCROLL\xE2\x80\xA2"
    "  frame.src = '#URL';\xE2\x80\xA2"
    "  d.addEventListener('close', function () {\xE2\x80\xA2"
    "   if (d.parentNode) d.parentNode.removeChild(d);\xE2\x80\xA2"
    "   if (back && back.focus) back.focus();\xE2\x80\xA2"
    "   winDialog = null;\xE2\x80\xA2"
    "  });\xE2\x80\xA2"
    "  document.body.appendChild(d);\xE2\x80\xA2"
    "  winDialog = d;\xE2\x80\xA2"
    "  if (d.showModal) d.showModal(); else d.setAttribute('open', '');#INPAGECLOSE\xE2\x80\xA2"
    " } catch (e) {}\xE2\x80\xA2"
    "}";

inline constexpr std::string_view InPagePlaceLines =
    "\xE2\x80\xA2  d.style.margin = '0';\xE2\x80\xA2  d.style.right = 'auto';"
    "\xE2\x80\xA2  d.style.bottom = 'auto';\xE2\x80\xA2  d.style.top = #INPAGETOP + 'px';"
    "\xE2\x80\xA2  d.style.left = #INPAGELEFT + 'px';";

inline constexpr std::string_view InPageNoScrollLine =
    "\xE2\x80\xA2  frame.setAttribute('scrolling', 'no');";

inline constexpr std::string_view InPageAutoCloseLine =
    "\xE2\x80\xA2  setTimeout(function () { if (d.close) d.close(); }, #CLOSETIME*1000);";

// Nothing can be shown while a page unloads: in the page, "Page Close" is the
// pointer leaving the page at the top.
inline constexpr std::string_view LeaveBodyTag =
    "<!-- SECOND: Replace the BODY tag in your HTML document -->\xE2\x80\xA2<BODY "
    "bgcolor='#00FFFF' onmouseout=\"if (!event.relatedTarget && event.clientY <= 0) "
    "#FUNCTION()\">\xE2\x80\xA2<!--   ------------------ CODE ENDS HERE --------------   "
    "-->\xE2\x80\xA2";

// Generator constants.
inline constexpr std::string_view WindowVariable = "win";
inline constexpr std::string_view StartFunctionName = "StartPop";
inline constexpr std::string_view LinkTemplate =
    "javascript:void window.open('#URL','#WINTITLE',  '#WINPROP')";
// The position values of a centred window, in place of the TOP and LEFT of
// the feature template: they close the quoted text, add the variable the
// centring lines declare, and open the quoted text again.
inline constexpr std::string_view CenterTop = "'+wintop+'";
inline constexpr std::string_view CenterLeft = "'+winleft+'";
inline constexpr std::string_view OverLine = "\xE2\x80\xA2 win.focus()";
inline constexpr std::string_view UnderLine = "\xE2\x80\xA2 win.blur()";
inline constexpr std::string_view ReopenNote =
    "\xE2\x80\xA2<br><br><b>Note: The new popup window will not take effect if the old popup "
    "window was not closed.</b>\xE2\x80\xA2";

// Every fragment that holds "#" placeholders; the list of template words is
// read from these.
inline constexpr std::string_view FragmentsWithWords[] = {
    SectionLayout,    FunctionTemplate,    AutoCloseLine, StartPopFunction,
    TriggerBodyTag,   ActivationSection,   LinkTemplate,  InPageFunctionTemplate,
    InPagePlaceLines, InPageAutoCloseLine, LeaveBodyTag};

}  // namespace CodeTemplate
// NOLINTEND(readability-identifier-naming)
}  // namespace orvanta
