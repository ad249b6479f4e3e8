#pragma once

#include <QStringList>

namespace orvanta {

// Sets what the preview engine reads from the environment: software drawing,
// no OpenGL integration, one renderer for every view. Call it first thing in
// main, before the application object and before any thread exists: the
// environment is never changed after that. The log filters for the engine's
// start-up chatter are installed here too, once.
void PrepareEngineEnvironment();

// The environment as the program was started, "NAME=value" each, for the
// programs started on the user's behalf (the browser). Empty before
// PrepareEngineEnvironment() ran.
const QStringList& UserEnvironment();

}  // namespace orvanta
