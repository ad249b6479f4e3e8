#pragma once

namespace orvanta {

// `orvanta --report SETTINGS_FILE [--json] [--allow-popups]`, the options
// in any order around "--report": previews the popup the settings file
// describes without a visible window, sets off its trigger as a user would,
// and prints what the engine did. Returns the exit code: 0 done, 2 bad input,
// 1 the preview could not be made or the report not written.
int RunReport(int argc, char* argv[]);

}  // namespace orvanta
