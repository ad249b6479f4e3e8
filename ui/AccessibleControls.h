#pragma once

#include <functional>

class QLabel;
class QLineEdit;
class QScrollBar;

namespace orvanta {

// The arrows beside a number field are a short scroll bar counting down
// from 0; a screen reader is told they are a spin button holding the
// field's value, which its increase and decrease actions step.
void ExposeAsSpinButton(QScrollBar& arrows, QLineEdit& field);

// A label that works as a link is told to be a link, and the reader's press
// action follows it.
void ExposeAsLink(QLabel& label, std::function<void()> follow);

}  // namespace orvanta
