#pragma once

namespace orvanta {

// `orvanta --report SETTINGS_FILE [--json]`: previews the popup the settings
// file describes without a visible window, sets off its trigger as a user
// would, and prints what the engine did. Returns the exit code: 0 done, 2 bad
// input, 1 the preview could not be made. `args` starts after "--report".
int RunReport(int argc, char* argv[], int first);

}  // namespace orvanta
