#include "core/Generator.h"

#include <string>
#include <utility>
#include <vector>

#include "core/Activation.h"
#include "core/CodeTemplate.h"
#include "core/Fragment.h"
#include "core/ScriptString.h"
#include "core/WindowFeatures.h"

namespace orvanta {

namespace T = CodeTemplate;

namespace {

bool IsPageEvent(ActivationKind k) {
  return k == ActivationKind::PageLoad || k == ActivationKind::PageClose;
}

// A fragment without words, its line-break markers turned into CR LF.
std::string Lines(std::string_view text) {
  std::string out;
  Fragment(text, true).Render(out, [](std::string&, int) {});
  return out;
}

// The section layout with its fixed sections written in, so that only the
// sections that depend on the entries remain words.
std::string FlatLayout() {
  const std::pair<std::string_view, std::string_view> fixed[] = {
      {"#STARTINSTRUCTION", T::InstructionHeader},
      {"#HEADSTART", T::HeadStartComment},
      {"#SCRIPT1START", T::ScriptOpen},
      {"#SCRIPT1END", T::ScriptClose},
      {"#HEADEND", T::HeadClose},
      {"#BODYTEXT", T::TestScreenHeading},
      {"#ENDINSTRUCTION", T::DocumentClose}};
  std::string flat;
  Fragment(T::SectionLayout, false).Render(flat, [&](std::string& o, int w) {
    const std::string& word = TemplateWords()[static_cast<std::size_t>(w)];
    for (const auto& [name, text] : fixed)
      if (name == word) {
        o += text;
        return;
      }
    o += word;
  });
  return flat;
}

// The template, split into its pieces once for the whole run.
struct ParsedTemplate {
  Fragment Layout{FlatLayout(), true};
  Fragment Function{T::FunctionTemplate, true};
  // The centring lines hold the size's two words of the feature template.
  Fragment Center{T::CenterLines, {"WIDTH", "HEIGHT"}, true};
  Fragment AutoClose{T::AutoCloseLine, true};
  Fragment StartPop{T::StartPopFunction, true};
  Fragment TriggerBody{T::TriggerBodyTag, true};
  Fragment Activation{T::ActivationSection, true};
  Fragment Link{T::LinkTemplate, false};
  Fragment InPage{T::InPageFunctionTemplate, true};
  Fragment InPagePlace{T::InPagePlaceLines, true};
  Fragment InPageAutoClose{T::InPageAutoCloseLine, true};
  Fragment LeaveBody{T::LeaveBodyTag, true};
  std::string InPageNoScroll = Lines(T::InPageNoScrollLine);

  std::string PlainBody = Lines(T::PlainBodyTag);
  std::string Over = Lines(T::OverLine);
  std::string Under = Lines(T::UnderLine);
  std::string ReopenNote = Lines(T::ReopenNote);

  int Script1Function = TemplateWordIndex("#SCRIPT1FUNCTION");
  int BodyLine = TemplateWordIndex("#BODYLINE");
  int ActivationWord = TemplateWordIndex("#ACTIVATION");
  int FunctionWord = TemplateWordIndex("#FUNCTION");
  int WinCenter = TemplateWordIndex("#WINCENTER");
  int WinName = TemplateWordIndex("#WINNAME");
  int Url = TemplateWordIndex("#URL");
  int WinTitle = TemplateWordIndex("#WINTITLE");
  int WinProp = TemplateWordIndex("#WINPROP");
  int WinOrder = TemplateWordIndex("#WINORDER");
  int AutoCloseWord = TemplateWordIndex("#AUTOCLOSE");
  int DelayTime = TemplateWordIndex("#DELAYTIME");
  int LoadType = TemplateWordIndex("#LOADTYPE");
  int Place = TemplateWordIndex("#PLACE");
  int InPageTop = TemplateWordIndex("#INPAGETOP");
  int FrameWidth = TemplateWordIndex("#FRAMEWIDTH");
  int FrameHeight = TemplateWordIndex("#FRAMEHEIGHT");
  int NoScroll = TemplateWordIndex("#NOSCROLL");
  int InPageClose = TemplateWordIndex("#INPAGECLOSE");
};

const ParsedTemplate& Parsed() {
  static const ParsedTemplate parsed;
  return parsed;
}

constexpr int kScrollBars = 5;

void AppendWindowFunction(std::string& out, const ParsedTemplate& t, const PopupSettings& s);

// The dialog that frames the address in the visitor's page.
void AppendInPageFunction(std::string& out, const ParsedTemplate& t, const PopupSettings& s) {
  t.InPage.Render(out, [&](std::string& o, int w) {
    if (w == t.FunctionWord) {
      o += s.FunctionName;
    } else if (w == t.WinTitle) {
      AppendScriptString(o, s.WindowName);
    } else if (w == t.Url) {
      AppendScriptString(o, s.PageUrl);
    } else if (w == t.Place) {
      if (s.Center != 1)
        t.InPagePlace.Render(
            o, [&](std::string& p, int k) { p += k == t.InPageTop ? s.Top : s.Left; });
    } else if (w == t.FrameWidth) {
      o += s.Width;
    } else if (w == t.FrameHeight) {
      o += s.Height;
    } else if (w == t.NoScroll) {
      if (s.WindowOptions[kScrollBars] != 1) o += t.InPageNoScroll;
    } else if (w == t.InPageClose) {
      if (!s.CloseSeconds.empty())
        t.InPageAutoClose.Render(o, [&](std::string& c, int) { c += s.CloseSeconds; });
    }
  });
}

void AppendScript(std::string& out, const ParsedTemplate& t, const PopupSettings& s) {
  if (s.Order == WindowOrder::InPage) {
    AppendInPageFunction(out, t, s);
  } else {
    AppendWindowFunction(out, t, s);
  }
  if (!s.DelaySeconds.empty()) {
    t.StartPop.Render(out, [&](std::string& o, int w) {
      o += w == t.DelayTime ? s.DelaySeconds : s.FunctionName;
    });
  }
}

void AppendWindowFunction(std::string& out, const ParsedTemplate& t, const PopupSettings& s) {
  t.Function.Render(out, [&](std::string& o, int w) {
    if (w == t.FunctionWord) {
      o += s.FunctionName;
    } else if (w == t.WinCenter) {
      if (s.Center == 1)
        t.Center.Render(o, [&](std::string& c, int g) { c += g == 0 ? s.Width : s.Height; });
    } else if (w == t.WinName) {
      o += T::WindowVariable;
    } else if (w == t.Url) {
      AppendScriptString(o, s.PageUrl);
    } else if (w == t.WinTitle) {
      AppendScriptString(o, s.WindowName);
    } else if (w == t.WinProp) {
      AppendWindowFeatures(o, s);
    } else if (w == t.WinOrder) {
      if (s.Order == WindowOrder::PopupOver) o += t.Over;
      if (s.Order == WindowOrder::PopupUnder) o += t.Under;
    } else if (w == t.AutoCloseWord) {
      if (!s.CloseSeconds.empty())
        t.AutoClose.Render(o, [&](std::string& c, int) { c += s.CloseSeconds; });
    }
  });
}

// The one-element link can express none of these.
bool NeedsScriptInHead(const PopupSettings& s) {
  return IsPageEvent(s.Activation) || !s.DelaySeconds.empty() || !s.CloseSeconds.empty() ||
         s.Center == 1 || s.Order != WindowOrder::Normal;
}

}  // namespace

std::string NoLinkCodeReason(const PopupSettings& s) {
  std::vector<std::string> causes;
  if (s.Activation == ActivationKind::PageLoad) causes.emplace_back("\"Page Load\"");
  if (s.Activation == ActivationKind::PageClose) causes.emplace_back("\"Page Close\"");
  if (!s.DelaySeconds.empty()) causes.emplace_back("\"Delay popup by\"");
  if (!s.CloseSeconds.empty()) causes.emplace_back("\"Auto close after\"");
  if (s.Center == 1) causes.emplace_back("\"Center\"");
  if (s.Order == WindowOrder::PopupOver) causes.emplace_back("the window type \"Popup Over\"");
  if (s.Order == WindowOrder::PopupUnder) causes.emplace_back("the window type \"Popup Under\"");
  if (s.Order == WindowOrder::InPage) causes.emplace_back("the window type \"In Page\"");
  const std::size_t n = causes.size();
  if (n == 0 || !NeedsScriptInHead(s)) return std::string();
  std::string list = causes[0];
  for (std::size_t i = 1; i < n; ++i) list += (i + 1 == n ? " and " : ", ") + causes[i];
  return "There is no link code: " + list + (n == 1 ? " needs" : " need") +
         " the script in the HEAD, so use the popup code.";
}

std::string CodeNote(const PopupSettings& s) {
  if (s.Order == WindowOrder::InPage && s.Activation == ActivationKind::PageClose)
    return "In the page, \"Page Close\" opens the dialog when the pointer leaves the page at the "
           "top: nothing can be shown while a page unloads.";
  return std::string();
}

GeneratedCode BuildPopupCode(const PopupSettings& s) {
  const ParsedTemplate& t = Parsed();
  const bool pageEvent = IsPageEvent(s.Activation);
  static const std::string startFunction(T::StartFunctionName);
  const std::string& triggerName = s.DelaySeconds.empty() ? s.FunctionName : startFunction;

  GeneratedCode out;
  const bool linkCode = !NeedsScriptInHead(s);
  if (linkCode) {
    t.Link.Render(out.LinkCode, [&](std::string& o, int w) {
      if (w == t.Url) AppendAttributeScriptString(o, s.PageUrl);
      if (w == t.WinTitle) AppendAttributeScriptString(o, s.WindowName);
      if (w == t.WinProp) AppendWindowFeatures(o, s, true);
    });
  }
  const std::string snippet =
      BuildActivationCode(s.Activation, triggerName, out.LinkCode, s.Order == WindowOrder::InPage);
  if (!linkCode) out.LinkCode.clear();

  std::string& code = out.PopupCode;
  code.reserve(2048 + 2 * (s.PageUrl.size() + s.WindowName.size()));
  t.Layout.Render(code, [&](std::string& o, int w) {
    if (w == t.Script1Function) {
      AppendScript(o, t, s);
    } else if (w == t.BodyLine) {
      if (s.Activation == ActivationKind::PageClose && s.Order == WindowOrder::InPage) {
        t.LeaveBody.Render(o, [&](std::string& b, int) { b += triggerName; });
      } else if (pageEvent) {
        t.TriggerBody.Render(o, [&](std::string& b, int k) {
          if (k == t.FunctionWord) b += triggerName;
          if (k == t.LoadType)
            b += s.Activation == ActivationKind::PageLoad ? "onload" : "onunload";
        });
      } else {
        o += t.PlainBody;
      }
    } else if (w == t.ActivationWord) {
      if (!pageEvent) {
        t.Activation.Render(o, [&](std::string& a, int) { a += snippet; });
        o += t.ReopenNote;
      }
    }
  });
  return out;
}

Generation GeneratePopupCode(const PopupSettings& typed) {
  Generation g;
  g.Settings = ReadPopupSettings(typed);
  g.Code = BuildPopupCode(g.Settings);
  return g;
}

}  // namespace orvanta
