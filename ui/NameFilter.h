#pragma once

#include <QObject>

namespace orvanta {

// Letters A-Z, a-z and digits pass, and so do control codes (backspace,
// enter, the clipboard shortcuts); everything else is refused.
bool IsNameCharacterAllowed(char32_t code);

// Swallows refused characters typed into a name field. Only typed text is
// inspected: pasted or dropped text arrives unfiltered.
class NameKeyFilter : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace orvanta
