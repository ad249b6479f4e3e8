#pragma once

namespace orvanta {

// Settles how the engine draws before the first profile is made: software,
// with no OpenGL library loaded. The environment it reads was set once at
// start-up (PrepareEngineEnvironment); nothing here changes it.
void PrepareEngineStart();

}  // namespace orvanta
