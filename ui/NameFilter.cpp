#include "ui/NameFilter.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include <QRegularExpression>
#include <algorithm>
#include <limits>

#include "core/EntryRule.h"
#include "core/NumericEntry.h"

namespace orvanta {

bool IsNameCharacterAllowed(char32_t code) { return code < 32 || IsFunctionNameCharacter(code); }

namespace {

bool AllAllowed(const QString& text) {
  for (const char32_t code : text.toUcs4())
    if (!IsNameCharacterAllowed(code)) return false;
  return true;
}

QString AllowedOnly(const QString& text) {
  QString kept;
  for (const char32_t code : text.toUcs4())
    if (IsNameCharacterAllowed(code)) kept.append(QString::fromUcs4(&code, 1));
  return kept;
}

}  // namespace

bool NameKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // The Delete key is an editing key, not the character 127 it carries.
    if (key->key() == Qt::Key_Delete) return false;
    return !AllAllowed(key->text());
  }
  if (event->type() == QEvent::InputMethod) {
    // Composed characters (accents, input methods) are typed too.
    auto* input = static_cast<QInputMethodEvent*>(event);
    if (AllAllowed(input->commitString())) return false;
    QInputMethodEvent filtered(input->preeditString(), input->attributes());
    filtered.setCommitString(AllowedOnly(input->commitString()), input->replacementStart(),
                             input->replacementLength());
    watched->event(&filtered);  // straight to the field, past the filters
    return true;
  }
  return false;
}

EntryValidator::EntryValidator(Kind kind, QObject* parent) : QValidator(parent), kind_(kind) {}

EntryValidator* EntryValidator::Install(QLineEdit& field, Kind kind) {
  auto* validator = new EntryValidator(kind, &field);
  field.setMaxLength(std::numeric_limits<int>::max());
  field.setValidator(validator);
  validator->before_ = field.text();
  connect(&field, &QLineEdit::textChanged, validator,
          [validator](const QString& text) { validator->before_ = text; });
  return validator;
}

namespace {

const QString kPrefill = QStringLiteral("http://");

// The length of "scheme://" at the start of `text`, or 0.
int SchemeLength(const QString& text) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
  const QRegularExpressionMatch match = scheme.match(text);
  return match.hasMatch() ? static_cast<int>(match.capturedLength()) : 0;
}

}  // namespace

QValidator::State EntryValidator::validate(QString& input, int& pos) const {
  const QList<uint> codes = input.toUcs4();
  if (static_cast<std::size_t>(codes.size()) > kLongestEntry) {
    emit tooLong();
    return Invalid;
  }
  if (kind_ == Kind::FreeText) return Acceptable;
  if (kind_ == Kind::Address) {
    // "http://https://..." is never meant: typed or pasted after the
    // prefill, the address with its own scheme replaces it.
    if (input.startsWith(kPrefill) && SchemeLength(input.mid(kPrefill.size())) > 0) {
      input.remove(0, kPrefill.size());
      pos = std::max(0, pos - static_cast<int>(kPrefill.size()));
    } else if (before_ == kPrefill && input.size() > kPrefill.size() && input.endsWith(kPrefill) &&
               SchemeLength(input) > 0) {
      input.chop(kPrefill.size());
      pos = std::min(pos, static_cast<int>(input.size()));
    }
    return Acceptable;
  }
  QString kept;
  int keptPos = 0;
  int at = 0;  // UTF-16 position in `input`
  for (const char32_t code : codes) {
    const int width = code > 0xFFFF ? 2 : 1;
    if (code >= 32 && IsNameCharacterAllowed(code)) {
      kept.append(QString::fromUcs4(&code, 1));
      if (at < pos) keptPos += width;
    }
    at += width;
  }
  if (kind_ == Kind::FunctionName && !kept.isEmpty() && kept[0].isDigit()) return Invalid;
  input = kept;
  pos = keptPos;
  return Acceptable;
}

QValidator::State NumberValidator::validate(QString& input, int&) const {
  return IsNumericEntry(input.toStdString()) ? Acceptable : Invalid;
}

}  // namespace orvanta
