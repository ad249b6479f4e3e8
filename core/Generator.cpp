#include "core/Generator.h"

#include <utility>

#include "core/Activation.h"
#include "core/CodeTemplate.h"
#include "core/TextReplace.h"
#include "core/WindowFeatures.h"

namespace orvanta {

namespace T = CodeTemplate;

namespace {

bool IsPageEvent(ActivationKind k) {
  return k == ActivationKind::PageLoad || k == ActivationKind::PageClose;
}

}  // namespace

std::string NoLinkCodeReason(const PopupSettings& s) {
  std::string causes[5];
  std::size_t n = 0;
  if (s.Activation == ActivationKind::PageLoad) causes[n++] = "\"Page Load\"";
  if (s.Activation == ActivationKind::PageClose) causes[n++] = "\"Page Close\"";
  if (!s.DelaySeconds.empty()) causes[n++] = "\"Delay popup by\"";
  if (!s.CloseSeconds.empty()) causes[n++] = "\"Auto close after\"";
  if (s.Center == 1) causes[n++] = "\"Center\"";
  if (s.Order == WindowOrder::PopupOver) causes[n++] = "the window type \"Popup Over\"";
  if (s.Order == WindowOrder::PopupUnder) causes[n++] = "the window type \"Popup Under\"";
  if (n == 0) return std::string();
  std::string list = causes[0];
  for (std::size_t i = 1; i < n; ++i) list += (i + 1 == n ? " and " : ", ") + causes[i];
  return "There is no link code: " + list + (n == 1 ? " needs" : " need") +
         " the script in the HEAD, so use the popup code.";
}

GeneratedCode BuildPopupCode(const PopupSettings& s) {
  // The HEAD script.
  std::string script(T::FunctionTemplate);
  ReplaceInPlace(script, "#FUNCTION", s.FunctionName);
  ReplaceInPlace(script, "#WINTITLE", s.WindowName);
  ReplaceInPlace(script, "#WINNAME", T::WindowVariable);
  ReplaceInPlace(script, "#URL", s.PageUrl);
  const bool center = s.Center == 1;
  if (center) {
    ReplaceInPlace(script, "#WINCENTER", T::CenterLines);
    FillWindowGeometry(script, s);
  }
  const std::string features = WindowFeatureString(s);
  ReplaceInPlace(script, "#WINPROP", features);

  std::string triggerName = s.FunctionName;
  if (!s.CloseSeconds.empty()) {
    ReplaceInPlace(script, "#AUTOCLOSE", T::AutoCloseLine);
    ReplaceInPlace(script, "#CLOSETIME", s.CloseSeconds);
  }
  if (!s.DelaySeconds.empty()) {
    script.append(T::StartPopFunction);
    ReplaceInPlace(script, "#DELAYTIME", s.DelaySeconds);
    ReplaceInPlace(script, "#FUNCTION", triggerName);
    triggerName = T::StartFunctionName;
  }
  ReplaceInPlace(script, "#AUTOCLOSE", "");

  std::string voidOpenLink(T::LinkTemplate);
  ReplaceInPlace(voidOpenLink, "#URL", s.PageUrl);
  ReplaceInPlace(voidOpenLink, "#WINTITLE", s.WindowName);
  ReplaceInPlace(voidOpenLink, "#WINPROP", features);

  if (s.Order == WindowOrder::PopupOver) ReplaceInPlace(script, "#WINORDER", T::OverLine);
  if (s.Order == WindowOrder::PopupUnder) ReplaceInPlace(script, "#WINORDER", T::UnderLine);
  ReplaceInPlace(script, "#WINCENTER", "");
  ReplaceInPlace(script, "#WINORDER", "");

  // The BODY code.
  std::string bodyLine;
  if (IsPageEvent(s.Activation)) {
    bodyLine = std::string(T::TriggerBodyTag);
    ReplaceInPlace(bodyLine, "#FUNCTION", triggerName);
    ReplaceInPlace(bodyLine, "#LOADTYPE",
                   s.Activation == ActivationKind::PageLoad ? "onload" : "onunload");
  } else {
    bodyLine = std::string(T::PlainBodyTag);
  }

  GeneratedCode out;
  out.LinkCode = std::move(voidOpenLink);
  const std::string snippet = BuildActivationCode(s.Activation, triggerName, out.LinkCode);
  std::string activationText(T::ActivationSection);
  ReplaceInPlace(activationText, "#LINKTYPE", snippet);
  if (IsPageEvent(s.Activation)) {
    activationText.clear();
  } else {
    activationText.append(T::ReopenNote);
  }
  if (!NoLinkCodeReason(s).empty()) out.LinkCode.clear();

  // Assembly.
  std::string code(T::SectionLayout);
  ReplaceInPlace(code, "#STARTINSTRUCTION", T::InstructionHeader);
  ReplaceInPlace(code, "#HEADSTART", T::HeadStartComment);
  ReplaceInPlace(code, "#SCRIPT1START", T::ScriptOpen);
  ReplaceInPlace(code, "#SCRIPT1FUNCTION", script);
  ReplaceInPlace(code, "#SCRIPT1END", T::ScriptClose);
  ReplaceInPlace(code, "#HEADEND", T::HeadClose);
  ReplaceInPlace(code, "#BODYLINE", bodyLine);
  ReplaceInPlace(code, "#BODYTEXT", T::TestScreenHeading);
  ReplaceInPlace(code, "#ACTIVATION", activationText);
  ReplaceInPlace(code, "#ENDINSTRUCTION", T::DocumentClose);
  ReplaceInPlace(code, T::LineBreakMarker, "\r\n");
  out.PopupCode = std::move(code);
  return out;
}

Generation GeneratePopupCode(const PopupSettings& typed) {
  Generation g;
  g.Settings = ReadPopupSettings(typed);
  g.Code = BuildPopupCode(g.Settings);
  return g;
}

}  // namespace orvanta
