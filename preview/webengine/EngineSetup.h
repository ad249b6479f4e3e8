#pragma once

#include <QByteArray>

namespace orvanta {

// What the engine reads while it starts: software drawing, no OpenGL, one
// renderer process for every view. Make one around the creation of the first
// profile. Going away it puts the environment back, so that programs started
// later (the user's browser) do not inherit it.
class EngineStart {
 public:
  EngineStart();
  ~EngineStart();
  EngineStart(const EngineStart&) = delete;
  EngineStart& operator=(const EngineStart&) = delete;

 private:
  struct Saved {
    const char* name;
    bool set;
    QByteArray value;
  };
  static Saved Save(const char* name);
  static void Restore(const Saved& saved);

  Saved flags_;
  Saved glIntegration_;
};

}  // namespace orvanta
