#pragma once

#include <QObject>
#include <QValidator>

class QLineEdit;

namespace orvanta {

// Letters A-Z, a-z and digits pass, and so do control codes (backspace,
// enter, the clipboard shortcuts); everything else is refused.
bool IsNameCharacterAllowed(char32_t code);

// Swallows refused characters typed into a name field.
class NameKeyFilter : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Checks every change of an entry field, pasted and dropped text included:
// a name field drops refused and control characters, the function name
// refuses a digit in front, and a text longer than the longest entry is
// refused whole.
class EntryValidator : public QValidator {
  Q_OBJECT
 public:
  enum class Kind { FunctionName, WindowName, FreeText };
  EntryValidator(Kind kind, QObject* parent);
  State validate(QString& input, int& pos) const override;

  // Puts a validator on `field` and lifts the field's own length limit, which
  // would cut a long paste silently.
  static EntryValidator* Install(QLineEdit& field, Kind kind);

 signals:
  // A change was refused for its length.
  void tooLong() const;

 private:
  Kind kind_;
};

}  // namespace orvanta
