#pragma once

#include <array>
#include <stdexcept>
#include <vector>

#include "core/PopupSettings.h"
#include "core/SettingsFields.h"

class QAbstractButton;
class QLineEdit;
class QObject;

namespace orvanta {

// A control of the fields table that the form lacks or has as another type.
class FieldBindingError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// The screen's controls of each row of kSettingsFields, found once by the
// row's object names. The window reads and writes its entries only here.
class FieldBinding {
 public:
  // Throws FieldBindingError naming the first control `form` lacks.
  explicit FieldBinding(const QObject& form);

  PopupSettings Read() const;
  // Every field, in the table's order.
  void Write(const PopupSettings& entries) const;
  // Only the texts and numbers, as a repair changes them.
  void WriteTexts(const PopupSettings& entries) const;

 private:
  // A text or number's line; the buttons of a check, a choice or the options.
  struct Controls {
    QLineEdit* Line = nullptr;
    std::vector<QAbstractButton*> Group;
  };
  std::array<Controls, kSettingsFieldCount> controls_;
};

}  // namespace orvanta
