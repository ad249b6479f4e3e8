#pragma once

namespace orvanta {

// Sets the engine up to draw in software before it first starts: no OpenGL
// context, driver or GPU thread, one renderer process for every view. Call
// once the application object exists and before the first profile is made;
// later calls do nothing.
void PrepareEngine();

}  // namespace orvanta
