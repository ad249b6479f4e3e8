#pragma once

#include <memory>
#include <optional>

class QWidget;

namespace orvanta {

// Which of two top-level windows the window system shows above the other.
class WindowStacking {
 public:
  virtual ~WindowStacking() = default;
  // Whether `upper` lies above `lower` on the screen; empty when the window
  // system cannot tell.
  virtual std::optional<bool> above(const QWidget* upper, const QWidget* lower) const = 0;

  // The window system's answer on an X server, none elsewhere.
  static std::shared_ptr<const WindowStacking> forPlatform();
  static std::shared_ptr<const WindowStacking> none();
};

}  // namespace orvanta
