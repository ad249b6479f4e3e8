#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/SettingsFile.h"
#include "core/Enums.h"
#include "core/Generator.h"
#include "core/NumericEntry.h"
#include "core/WindowFeatures.h"
#include "orvanta/Version.h"
#include "preview/TestPages.h"
#include "preview/TextFile.h"

namespace orvanta {

namespace {

constexpr const char* kProgram = "orvanta-cli";

// A message for the user and the exit code that goes with it.
struct UsageError {
  std::string message;
  int exitCode;
};

const std::vector<std::pair<std::string, WindowOrder>> kTypeWords = {
    {"normal", WindowOrder::Normal},
    {"over", WindowOrder::PopupOver},
    {"under", WindowOrder::PopupUnder}};

const std::vector<std::pair<std::string, ActivationKind>> kTriggerWords = {
    {"link", ActivationKind::StandardLink}, {"load", ActivationKind::PageLoad},
    {"close", ActivationKind::PageClose},   {"button", ActivationKind::FormButton},
    {"mouseover", ActivationKind::MouseOver}, {"image", ActivationKind::ImageLink}};

template <typename T>
std::string JoinWords(const std::vector<std::pair<std::string, T>>& words) {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : ", ") + w.first;
  return out;
}

template <typename T>
T LookUpWord(const std::vector<std::pair<std::string, T>>& words, const std::string& option,
             const std::string& value) {
  for (const auto& w : words)
    if (w.first == value) return w.second;
  throw UsageError{option + ": unknown value \"" + value + "\" (accepted: " + JoinWords(words) +
                       ")",
                   2};
}

std::string OptionWordList() {
  std::string out;
  for (const auto& o : kWindowOptions) out += (out.empty() ? "" : ", ") + std::string(o.Word);
  return out;
}

// Options taking a value swallow the next argument whatever it looks like,
// so "--left -5" and "--function -x" mean what they say. CLI11 would read
// such a value as an option; joining it as "--name=value" avoids that.
std::vector<std::string> JoinOptionValues(const CLI::App& app, int argc,
                                          const char* const* argv) {
  std::map<std::string, std::string> takesValue;  // spelling -> long form
  for (const CLI::App* scope : {&app, static_cast<const CLI::App*>(app.get_subcommand("generate"))}) {
    for (const CLI::Option* opt : scope->get_options()) {
      if (opt->get_items_expected_min() == 0 || opt->get_lnames().empty()) continue;
      const std::string longForm = "--" + opt->get_lnames().front();
      takesValue[longForm] = longForm;
      for (const auto& s : opt->get_snames()) takesValue["-" + s] = longForm;
    }
  }
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::optional<std::string> value;
    if (takesValue.count(arg) && i + 1 < argc) {
      value = argv[++i];
    } else if (const auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0 &&
                                                  takesValue.count(arg.substr(0, eq))) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    if (!value) {
      args.push_back(arg);
    } else if (value->empty()) {
      // CLI11 reads "--name=" as "value follows"; a separate "" is kept.
      args.push_back(takesValue[arg]);
      args.push_back("");
    } else {
      args.push_back(takesValue[arg] + "=" + *value);
    }
  }
  return args;
}

void CheckNumber(const std::string& option, const std::optional<std::string>& value) {
  if (value && !IsNumericEntry(*value))
    throw UsageError{option + ": \"" + *value + "\" is not a number", 2};
}

nlohmann::json SettingsJson(const PopupSettings& s) {
  nlohmann::json j;
  j["FunctionName"] = s.FunctionName;
  j["WindowName"] = s.WindowName;
  j["PageUrl"] = s.PageUrl;
  j["Width"] = s.Width;
  j["Height"] = s.Height;
  j["Top"] = s.Top;
  j["Left"] = s.Left;
  j["Center"] = s.Center;
  j["Order"] = std::string(OrderName(s.Order));
  j["WindowOptions"] = s.WindowOptions;
  j["DelaySeconds"] = s.DelaySeconds;
  j["CloseSeconds"] = s.CloseSeconds;
  j["Activation"] = std::string(ActivationName(s.Activation));
  return j;
}

struct GenerateOptions {
  std::optional<std::string> function, windowName, url, width, height, top, left;
  std::optional<std::string> type, trigger, delay, close, testPages;
  std::optional<std::string> settings, saveSettings;
  std::vector<std::string> options;
  bool center = false;
  bool link = false;
  bool json = false;
};

void AddGenerateOptions(CLI::App& gen, GenerateOptions& o) {
  gen.add_option("-f,--function", o.function, "Name of the script function");
  gen.add_option("-w,--window-name", o.windowName, "Window name");
  gen.add_option("-u,--url", o.url, "Address of the page to show (default \"http://\")");
  gen.add_option("--width", o.width, "Window width in pixels");
  gen.add_option("--height", o.height, "Window height in pixels");
  gen.add_option("--top", o.top, "Distance from the top of the screen");
  gen.add_option("--left", o.left, "Distance from the left of the screen");
  gen.add_flag("-c,--center", o.center, "Centre the window on the screen");
  gen.add_option("-t,--type", o.type, "Window type: " + JoinWords(kTypeWords));
  gen.add_option("-a,--trigger", o.trigger, "Activation: " + JoinWords(kTriggerWords));
  gen.add_option("-o,--option", o.options,
                 "Window options, repeatable or comma-separated: " + OptionWordList())
      ->delimiter(',');
  gen.add_option("-d,--delay", o.delay, "Delay popup by SECONDS");
  gen.add_option("-x,--close", o.close, "Auto close after SECONDS");
  gen.add_flag("--link", o.link, "Print the link code instead");
  gen.add_flag("--json", o.json, "Print both texts and the repaired settings as JSON");
  gen.add_option("--test-pages", o.testPages,
                 "Also write test_page.htm, test_link.htm and gobutton.gif into DIR");
  gen.add_option("--settings", o.settings,
                 "Start from the [Popup] section of FILE; options override it");
  gen.add_option("--save-settings", o.saveSettings,
                 "Save the repaired settings as the [Popup] section of FILE");
}

// Applies the command-line options over `s`.
void ApplyOptions(const GenerateOptions& o, bool optionGiven, PopupSettings& s) {
  CheckNumber("--width", o.width);
  CheckNumber("--height", o.height);
  CheckNumber("--top", o.top);
  CheckNumber("--left", o.left);
  CheckNumber("--delay", o.delay);
  CheckNumber("--close", o.close);
  if (o.function) s.FunctionName = *o.function;
  if (o.windowName) s.WindowName = *o.windowName;
  if (o.url) s.PageUrl = *o.url;
  if (o.width) s.Width = *o.width;
  if (o.height) s.Height = *o.height;
  if (o.top) s.Top = *o.top;
  if (o.left) s.Left = *o.left;
  if (o.center) s.Center = 1;
  if (o.type) s.Order = LookUpWord(kTypeWords, "--type", *o.type);
  if (o.trigger) s.Activation = LookUpWord(kTriggerWords, "--trigger", *o.trigger);
  if (optionGiven) {
    s.WindowOptions.fill(0);
    for (const auto& word : o.options) {
      const int index = WindowOptionIndex(word);
      if (index < 0)
        throw UsageError{"--option: unknown value \"" + word + "\" (accepted: " +
                             OptionWordList() + ")",
                         2};
      s.WindowOptions[index] = 1;
    }
  }
  if (o.delay) s.DelaySeconds = *o.delay;
  if (o.close) s.CloseSeconds = *o.close;
  // The screen empties both timings while "Page Close" is chosen.
  if (s.Activation == ActivationKind::PageClose) {
    s.DelaySeconds.clear();
    s.CloseSeconds.clear();
  }
}

std::string FolderPath(std::string dir) {
  if (dir.empty()) dir = ".";
  if (dir.back() != '/') dir += '/';
  return dir;
}

int RunGenerate(const GenerateOptions& o, bool optionGiven, std::ostream& out) {
  PopupSettings typed;
  if (o.settings) {
    try {
      LoadSettingsFile(*o.settings, typed);
    } catch (const SettingsFileError& e) {
      throw UsageError{e.what(), e.ExitCode()};
    }
  }
  ApplyOptions(o, optionGiven, typed);
  const Generation g = GeneratePopupCode(typed);
  if (o.saveSettings) {
    try {
      SaveSettingsFile(*o.saveSettings, g.Settings);
    } catch (const SettingsFileError& e) {
      throw UsageError{e.what(), e.ExitCode()};
    }
  }
  if (o.testPages) {
    try {
      WriteTestPages(FolderPath(*o.testPages), g.Code.PopupCode, g.Code.LinkCode);
    } catch (const FileWriteError& e) {
      throw UsageError{e.what(), 1};
    }
  }
  if (o.json) {
    nlohmann::json j;
    j["popup_code"] = g.Code.PopupCode;
    j["link_code"] = g.Code.LinkCode;
    j["settings"] = SettingsJson(g.Settings);
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    const std::string& text = o.link ? g.Code.LinkCode : g.Code.PopupCode;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  return 0;
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{"Orvanta: writes the HTML and JavaScript that open a popup window.", kProgram};
  app.set_version_flag("--version", std::string(kProgram) + " " + kVersionText);
  app.require_subcommand(1);
  CLI::App* gen = app.add_subcommand("generate", "Print the popup code for the given settings");
  GenerateOptions options;
  AddGenerateOptions(*gen, options);

  try {
    std::vector<std::string> args = JoinOptionValues(app, argc, argv);
    std::reverse(args.begin(), args.end());  // CLI11 takes them last-first
    app.parse(args);
    return RunGenerate(options, gen->count("--option") > 0, out);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e, out, err);
  } catch (const CLI::ParseError& e) {
    err << kProgram << ": " << e.what() << '\n';
    return 2;
  } catch (const UsageError& e) {
    err << kProgram << ": " << e.message << '\n';
    return e.exitCode;
  }
}

}  // namespace orvanta
