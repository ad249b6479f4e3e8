#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include "cli/Output.h"
#include "core/EntryRule.h"
#include "core/Generator.h"
#include "core/Message.h"
#include "core/NumericEntry.h"
#include "core/SettingsFields.h"
#include "core/Utf8.h"
#include "files/FileWriter.h"
#include "orvanta/Version.h"
#include "preview/TestPages.h"
#include "preview/TextFile.h"
#include "settings/SettingsFile.h"

namespace orvanta {

namespace {

constexpr const char* kProgram = "orvanta-cli";

// A message for the user and the exit code that goes with it.
struct UsageError {
  std::string message;
  int exitCode;
};

// The long form of a field's option: "--function" of "-f,--function".
std::string LongOption(const SettingsField& field) {
  const std::string spellings = field.Option;
  return spellings.substr(spellings.rfind(',') + 1);
}

[[noreturn]] void UnknownWord(const std::string& option, const std::string& value,
                              const WordList& words) {
  throw UsageError{
      option + ": unknown value " + Quoted(value) + " (accepted: " + words.Joined() + ")", 2};
}

// What each spelling of an option is: its long form and whether it takes a
// value.
struct OptionSpelling {
  std::string longForm;
  bool takesValue = false;
  bool repeatable = false;
};

std::map<std::string, OptionSpelling> Spellings(const CLI::App& scope) {
  std::map<std::string, OptionSpelling> spellings;
  for (const CLI::Option* opt : scope.get_options()) {
    if (opt->get_lnames().empty()) continue;
    OptionSpelling s;
    s.longForm = "--" + opt->get_lnames().front();
    s.takesValue = opt->get_items_expected_min() > 0;
    s.repeatable = opt->get_items_expected_max() > 1;
    spellings[s.longForm] = s;
    for (const auto& name : opt->get_snames()) spellings["-" + name] = s;
  }
  return spellings;
}

// The spelling nearest to a mistyped option, when it is near enough.
std::string NearestOption(const std::string& typed,
                          const std::map<std::string, OptionSpelling>& known) {
  const std::string name = typed.substr(0, typed.find('='));
  std::string best;
  std::size_t bestDistance = 3;
  for (const auto& entry : known) {
    const std::string& candidate = entry.first;
    if (candidate.size() < 3) continue;
    std::vector<std::size_t> row(candidate.size() + 1);
    for (std::size_t j = 0; j <= candidate.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= name.size(); ++i) {
      std::size_t diagonal = row[0];
      row[0] = i;
      for (std::size_t j = 1; j <= candidate.size(); ++j) {
        const std::size_t above = row[j];
        row[j] = std::min(
            {row[j] + 1, row[j - 1] + 1, diagonal + (name[i - 1] == candidate[j - 1] ? 0 : 1)});
        diagonal = above;
      }
    }
    if (row[candidate.size()] < bestDistance) {
      bestDistance = row[candidate.size()];
      best = candidate;
    }
  }
  return best;
}

// Checks the arguments as typed and hands them on in a form CLI11 reads
// the same way: options taking a value swallow the next argument whatever it
// looks like, so "--left -5" and "--function -x" mean what they say, and
// such values are joined as "--name=value". Every complaint quotes the
// argument as it was typed.
std::vector<std::string> CheckedArguments(const CLI::App& app, int argc, const char* const* argv) {
  const auto topLevel = Spellings(app);
  const auto generate = Spellings(*app.get_subcommand("generate"));
  std::vector<std::string> args;
  std::set<std::string> given;
  bool inGenerate = false;
  const auto addValue = [&](const std::string& typed, const OptionSpelling& s,
                            const std::string& value) {
    if (!s.repeatable && !given.insert(s.longForm).second)
      throw UsageError{"option " + Quoted(typed) + " is given more than once", 2};
    if (value.empty()) {  // CLI11 reads "--name=" as "value follows"
      args.push_back(s.longForm);
      args.push_back("");
    } else {
      args.push_back(s.longForm + "=" + value);
    }
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto& known = inGenerate ? generate : topLevel;
    // The value written into the argument itself, else the next argument.
    const auto takeValue = [&](const OptionSpelling& s, std::optional<std::string> attached) {
      if (attached)
        addValue(arg, s, *attached);
      else if (i + 1 < argc)
        addValue(arg, s, argv[++i]);
      else
        throw UsageError{"option " + Quoted(arg) + " needs a value", 2};
    };
    if (arg.size() < 2 || arg[0] != '-') {
      if (inGenerate) throw UsageError{"unexpected argument " + Quoted(arg), 2};
      if (arg != "generate")
        throw UsageError{"unknown command " + Quoted(arg) + " (accepted: generate)", 2};
      inGenerate = true;
      args.push_back(arg);
      continue;
    }
    if (arg.rfind("--", 0) == 0) {
      const std::size_t eq = arg.find('=');
      const auto found = known.find(arg.substr(0, eq));
      if (arg.size() == 2 || found == known.end()) {
        const std::string near = NearestOption(arg, known);
        throw UsageError{"unknown option " + Quoted(arg) +
                             (near.empty() ? "" : "; did you mean " + near + "?") + " (see --help)",
                         2};
      }
      if (!found->second.takesValue)
        args.push_back(arg);
      else
        takeValue(found->second, eq != std::string::npos
                                     ? std::optional<std::string>(arg.substr(eq + 1))
                                     : std::nullopt);
      continue;
    }
    // A short option, or several flags in one ("-ch"), the last of which may
    // take the rest of the argument or the next one as its value.
    for (std::size_t k = 1; k < arg.size(); ++k) {
      const auto found = known.find(std::string("-") + arg[k]);
      if (found == known.end())
        throw UsageError{"unknown option " + Quoted(arg) + " (see --help)", 2};
      if (!found->second.takesValue) {
        args.push_back(found->first);
        continue;
      }
      takeValue(found->second,
                k + 1 < arg.size() ? std::optional<std::string>(arg.substr(k + 1)) : std::nullopt);
      break;
    }
  }
  if (!inGenerate && args.empty())
    throw UsageError{"a command is required (accepted: generate); see --help", 2};
  return args;
}

nlohmann::json SettingsJson(const PopupSettings& s) {
  nlohmann::json j;
  for (const SettingsField& field : kSettingsFields) {
    nlohmann::json& value = j[field.Key];
    VisitKind(
        field, [&](const TextField& f) { value = s.*f.Member; },
        [&](const NumberField& f) { value = s.*f.Member; },
        [&](const CheckField& f) { value = s.*f.Member; },
        [&](const ChoiceField& f) { value = std::string(f.Names.At(f.Get(s), field.Key)); },
        [&](const OptionsField& f) { value = s.*f.Member; });
  }
  return j;
}

// Where `text` stops being UTF-8, or npos.
std::size_t InvalidUtf8At(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t at = i;
    if (!DecodeUtf8(text, i)) return at;
  }
  return std::string_view::npos;
}

// JSON carries text, so bytes that are no UTF-8 could only be changed;
// they are refused before anything is written.
void CheckJsonText(const PopupSettings& s) {
  for (const SettingsField& field : kSettingsFields) {
    const auto member = TextMember(field);
    if (member == nullptr) continue;
    const std::string& text = s.*member;
    const std::size_t at = InvalidUtf8At(text);
    if (at == std::string_view::npos) continue;
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[at]));
    throw UsageError{std::string("--json: ") + field.Key + " is not valid UTF-8 (byte " + byte +
                         " at offset " + std::to_string(at) +
                         "); JSON cannot carry it unchanged, the plain output can; "
                         "nothing was written",
                     2};
  }
}

struct GenerateOptions {
  // By the row of kSettingsFields: the value of a text, number or choice,
  // whether a check was given.
  std::array<std::optional<std::string>, kSettingsFieldCount> values;
  std::array<bool, kSettingsFieldCount> checks{};
  std::vector<std::string> options;  // the window options' words
  const CLI::Option* optionsOption = nullptr;
  std::optional<std::string> testPages, settings, saveSettings;
  bool link = false;
  bool json = false;
};

// Breaks `text` into lines of at most 78 columns, each after `indent`.
std::string Wrapped(const std::string& text, const std::string& indent) {
  std::string out, line;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && indent.size() + line.size() + 1 + word.size() > 78) {
      out += indent + line + '\n';
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  if (!line.empty()) out += indent + line + '\n';
  return out;
}

void AddGenerateOptions(CLI::App& gen, GenerateOptions& o) {
  constexpr std::size_t kHelpColumn = 30;
  std::string footer;
  for (std::size_t i = 0; i < kSettingsFields.size(); ++i) {
    const SettingsField& field = kSettingsFields[i];
    const auto addValue = [&] {
      gen.add_option(field.Option, o.values[i], field.Label)->type_name(field.ValueName);
    };
    VisitKind(
        field, [&](const TextField&) { addValue(); }, [&](const NumberField&) { addValue(); },
        [&](const CheckField&) { gen.add_flag(field.Option, o.checks[i], field.Label); },
        [&](const ChoiceField& f) {
          // Words that do not fit beside the option go under the list.
          std::string help = std::string(field.Label) + ": " + f.Words.Joined();
          if (kHelpColumn + help.size() > 78) {
            help = std::string(field.Label) + "; " + field.ValueName + " is one of:";
            footer += std::string(field.ValueName) + ": " + f.Words.Joined() + "\n";
          }
          gen.add_option(field.Option, o.values[i], help)->type_name(field.ValueName);
        },
        [&](const OptionsField& f) {
          o.optionsOption = gen.add_option(field.Option, o.options, field.Label)
                                ->delimiter(',')
                                ->type_name(field.ValueName);
          footer += std::string(field.ValueName) + ":\n" + Wrapped(f.Words.Joined(), "  ");
        });
  }
  gen.add_flag("--link", o.link, "Print the link code instead");
  gen.add_flag("--json", o.json, "Print both texts and the settings as JSON");
  gen.add_option("--test-pages", o.testPages, "Also write the test pages into DIR")
      ->type_name("DIR");
  gen.add_option("--settings", o.settings, "Start from [Popup] of FILE; - is standard input")
      ->type_name("FILE");
  gen.add_option("--save-settings", o.saveSettings, "Save the settings as [Popup] of FILE")
      ->type_name("FILE");
  gen.get_formatter()->column_width(kHelpColumn);
  gen.footer(footer + "DIR gets test_page.htm, test_link.htm and gobutton.gif.");
}

// Applies the command-line options over `s`.
void ApplyOptions(const GenerateOptions& o, PopupSettings& s) {
  for (std::size_t i = 0; i < kSettingsFields.size(); ++i) {
    const auto& value = o.values[i];
    if (std::holds_alternative<NumberField>(kSettingsFields[i].Kind) && value &&
        !IsNumericEntry(*value))
      throw UsageError{LongOption(kSettingsFields[i]) + ": " + Quoted(*value) + " is not a number",
                       2};
  }
  for (std::size_t i = 0; i < kSettingsFields.size(); ++i) {
    const SettingsField& field = kSettingsFields[i];
    const auto& value = o.values[i];
    VisitKind(
        field,
        [&](const TextField& f) {
          if (value) s.*f.Member = *value;
        },
        [&](const NumberField& f) {
          if (value) s.*f.Member = *value;
        },
        [&](const CheckField& f) {
          if (o.checks[i]) s.*f.Member = 1;
        },
        [&](const ChoiceField& f) {
          if (!value) return;
          const int index = f.Words.IndexOf(*value);
          if (index < 0) UnknownWord(LongOption(field), *value, f.Words);
          f.Set(s, index);
        },
        [&](const OptionsField& f) {
          if (o.optionsOption->count() == 0) return;
          (s.*f.Member).fill(0);
          for (const auto& word : o.options) {
            const int index = f.Words.IndexOf(word);
            if (index < 0) UnknownWord(LongOption(field), word, f.Words);
            (s.*f.Member)[static_cast<std::size_t>(index)] = 1;
          }
        });
  }
  // The screen empties both timings while "Page Close" is chosen.
  if (s.Activation == ActivationKind::PageClose) {
    s.DelaySeconds.clear();
    s.CloseSeconds.clear();
  }
}

// The option that gave `key`, or the settings file when no option did.
std::string SourceOf(const GenerateOptions& o, const std::string& key, const PopupSettings& typed,
                     std::string& value) {
  for (std::size_t i = 0; i < kSettingsFields.size(); ++i) {
    const SettingsField& field = kSettingsFields[i];
    const auto member = TextMember(field);
    if (key != field.Key || member == nullptr) continue;
    value = typed.*member;
    if (o.values[i]) return LongOption(field);
    return "settings file " + Quoted(o.settings.value_or("")) + ": [Popup] " + key;
  }
  value.clear();
  return key;
}

// Entries the code cannot be built from are refused before anything is
// written.
void CheckEntries(const GenerateOptions& o, const PopupSettings& typed,
                  const PopupSettings& repaired) {
  std::string value;
  if (const auto key = FindTooLongEntry(typed)) {
    const std::string source = SourceOf(o, *key, typed, value);
    throw UsageError{source + ": the text is " + std::to_string(EntryLength(value)) +
                         " characters long; the longest entry is " + std::to_string(kLongestEntry),
                     2};
  }
  if (const auto problem = FindEntryProblem(repaired)) {
    const std::string source = SourceOf(o, problem->Field, typed, value);
    const std::string shown = value.size() > 80 ? value.substr(0, 77) + "..." : value;
    throw UsageError{source + (source.rfind("--", 0) == 0 ? ": " : "=") + Quoted(shown) + ": " +
                         DescribeProblem(*problem),
                     2};
  }
}

void CheckNotEmpty(const char* option, const std::optional<std::string>& path) {
  if (path && path->empty()) throw UsageError{std::string(option) + ": the name is empty", 2};
}

// One file the command will write, once everything has been checked. An
// entry without a write is written by the entry before, with its own.
struct PlannedWrite {
  std::string path;
  std::function<void()> write;  // throws SettingsFileError or FileWriteError
};

std::string ListOf(const std::vector<PlannedWrite>& plan, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) out += (out.empty() ? "" : ", ") + Quoted(plan[i].path);
  return out;
}

// What a failure after the checks leaves behind.
std::string Outcome(const std::vector<PlannedWrite>& plan, std::size_t failed) {
  if (failed == 0) return "; nothing was written";
  std::string out = "; written: " + ListOf(plan, 0, failed);
  if (failed < plan.size()) out += "; not written: " + ListOf(plan, failed, plan.size());
  return out;
}

// Where a write to `path` lands; refuses what cannot be written before
// anything is.
files::WriteTarget CheckTarget(const std::string& path) {
  files::WriteTarget target;
  if (auto problem = files::FindWriteTarget(path, target))
    throw UsageError{"cannot write " + Quoted(path) + ": " + problem->Reason, 1};
  return target;
}

// What a planned write lands on, whatever the spelling: a file with other
// names by its device and inode; any other by its folder's and its name. A
// file another run replaces meanwhile gets a new inode, and a freed one may
// come back under another name, so single files are never told by inode.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;
  bool operator==(const FileIdentity& o) const {
    return device == o.device && inode == o.inode && name == o.name;
  }
};

FileIdentity IdentityOf(const files::WriteTarget& target) {
  struct stat st {};
  if (target.Exists && ::stat(target.Path.c_str(), &st) == 0 && st.st_nlink > 1)
    return {st.st_dev, st.st_ino, {}};
  if (::stat(files::FolderOf(target.Path).c_str(), &st) != 0) return {0, 0, target.Path};
  const std::size_t slash = target.Path.rfind('/');
  return {st.st_dev, st.st_ino,
          slash == std::string::npos ? target.Path : target.Path.substr(slash + 1)};
}

// Two planned files that are one, or one that is also our standard output,
// would overwrite each other.
void CheckDistinct(const std::vector<PlannedWrite>& plan, std::ostream& out) {
  struct stat output {};
  const auto* fdOut = dynamic_cast<FdOutput*>(out.rdbuf());
  const bool outputIsFile = fdOut && ::fstat(fdOut->Fd(), &output) == 0 && S_ISREG(output.st_mode);
  std::vector<FileIdentity> seen;
  for (const PlannedWrite& p : plan) {
    const files::WriteTarget target = CheckTarget(p.path);
    struct stat st {};
    if (outputIsFile && target.Exists && ::stat(target.Path.c_str(), &st) == 0 &&
        st.st_dev == output.st_dev && st.st_ino == output.st_ino) {
      throw UsageError{Quoted(p.path) + " is also the standard output; nothing was written", 2};
    }
    const FileIdentity identity = IdentityOf(target);
    for (std::size_t i = 0; i < seen.size(); ++i) {
      if (seen[i] == identity)
        throw UsageError{Quoted(plan[i].path) + " and " + Quoted(p.path) +
                             " are the same file; nothing was written",
                         2};
    }
    seen.push_back(identity);
  }
}

std::string LowerFirst(std::string message) {
  if (!message.empty())
    message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0])));
  return message;
}

std::string FolderPath(std::string dir) {
  if (dir.back() != '/') dir += '/';
  return dir;
}

int RunGenerate(const GenerateOptions& o, std::ostream& out, std::ostream& err) {
  CheckNotEmpty("--settings", o.settings);
  CheckNotEmpty("--save-settings", o.saveSettings);
  CheckNotEmpty("--test-pages", o.testPages);
  PopupSettings typed;
  if (o.settings) {
    try {
      // The system's name for our standard input, a pipe or a file alike.
      LoadSettingsFile(*o.settings == "-" ? std::string("/dev/stdin") : *o.settings, typed);
    } catch (const SettingsFileError& e) {
      throw UsageError{e.what(), e.ExitCode()};
    }
  }
  ApplyOptions(o, typed);
  const Generation g = GeneratePopupCode(typed);
  CheckEntries(o, typed, g.Settings);
  if (o.json) CheckJsonText(g.Settings);

  std::vector<PlannedWrite> plan;
  if (o.saveSettings) {
    try {
      CheckSettingsSave(*o.saveSettings, g.Settings);
    } catch (const SettingsFileError& e) {
      throw UsageError{e.what(), e.ExitCode()};
    }
    plan.push_back({*o.saveSettings, [&] { SaveSettingsFile(*o.saveSettings, g.Settings); }});
  }
  if (o.testPages) {
    const std::string folder = FolderPath(*o.testPages);
    const std::string& popupCode = g.Code.PopupCode;
    const std::string& linkCode = g.Code.LinkCode;
    // The pages and the picture are written together, by the page writer;
    // their entries here only name them.
    plan.push_back({folder + kTestPageName, [folder, &popupCode, &linkCode] {
                      WriteTestPages(folder, popupCode, linkCode);
                    }});
    plan.push_back({folder + kLinkTestPageName, nullptr});
    struct stat st {};
    if (::stat((folder + kGoButtonName).c_str(), &st) != 0)
      plan.push_back({folder + kGoButtonName, nullptr});
  }
  {
    // Checked under the pages' lock, so that no other run's replace (which
    // links the old page aside for a moment) is seen halfway. Let go before
    // the writes: a settings file saved there locks the folder too.
    std::optional<PageWriter> checking;
    struct stat st {};
    if (o.testPages && ::stat(o.testPages->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      try {
        checking.emplace(FolderPath(*o.testPages));
      } catch (const FileWriteError& e) {
        throw UsageError{LowerFirst(e.what()) + "; nothing was written", 1};
      }
    }
    CheckDistinct(plan, out);
  }

  for (std::size_t i = 0; i < plan.size(); ++i) {
    if (!plan[i].write) continue;
    try {
      plan[i].write();
    } catch (const SettingsFileError& e) {
      throw UsageError{e.what() + Outcome(plan, i), 1};
    } catch (const FileWriteError& e) {
      // The page writer has said what became of the pages.
      throw UsageError{
          LowerFirst(e.what()) + (i > 0 ? "; written: " + ListOf(plan, 0, i) : std::string()), 1};
    }
  }

  if (o.json) {
    nlohmann::json j;
    j["popup_code"] = g.Code.PopupCode;
    j["link_code"] = g.Code.LinkCode;
    j["settings"] = SettingsJson(g.Settings);
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    if (o.link && g.Code.LinkCode.empty()) err << NoLinkCodeReason(g.Settings) << '\n';
    const std::string& text = o.link ? g.Code.LinkCode : g.Code.PopupCode;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  if (!out.flush()) {
    const auto* fdOut = dynamic_cast<FdOutput*>(out.rdbuf());
    const int error = fdOut ? fdOut->Error() : 0;
    std::string message = "cannot write the standard output: " +
                          (error ? std::system_category().message(error) : "write error");
    if (!plan.empty()) message += "; written: " + ListOf(plan, 0, plan.size());
    throw UsageError{message, 1};
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
    std::vector<std::string> args = CheckedArguments(app, argc, argv);
    std::reverse(args.begin(), args.end());  // CLI11 takes them last-first
    app.parse(args);
    return RunGenerate(options, out, err);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e, out, err);
  } catch (const CLI::ParseError& e) {
    err << kProgram << ": " << OneLine(e.what()) << '\n';
    return 2;
  } catch (const UsageError& e) {
    err << kProgram << ": " << OneLine(e.message) << '\n';
    return e.exitCode;
  } catch (const std::bad_alloc&) {
    err << kProgram << ": out of memory; nothing more was written\n";
    return 1;
  }
}

}  // namespace orvanta
