#pragma once

#include <QObject>
#include <QValidator>

class QLineEdit;

namespace orvanta {

// Characters a function name may hold pass (letters, digits, "_" and "$"),
// and so do control codes (backspace, enter, the clipboard shortcuts);
// everything else is refused.
bool IsNameCharacterAllowed(char32_t code);

// Swallows refused characters typed into the function name.
class NameKeyFilter : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Checks every change of an entry field, pasted and dropped text included:
// the function name drops refused and control characters and refuses a
// digit in front; the address drops the prefilled "http://" when an address
// with a scheme of its own arrives after or before it; a text longer than the
// longest entry is refused whole.
class EntryValidator : public QValidator {
  Q_OBJECT
 public:
  enum class Kind { FunctionName, Address, FreeText };
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
  QString before_;  // the field's text before the change being checked
};

// Refuses a change that would leave a number field holding what is neither a
// number nor the beginning of one; the field keeps its text.
class NumberValidator : public QValidator {
  Q_OBJECT
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

}  // namespace orvanta
