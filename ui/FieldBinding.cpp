#include "ui/FieldBinding.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QString>

namespace orvanta {

namespace {

template <class Control>
Control* Find(const QObject& form, const QString& name, const char* type) {
  QObject* found = form.findChild<QObject*>(name);
  if (found == nullptr) {
    throw FieldBindingError(QStringLiteral("the form has no %1 named \"%2\"")
                                .arg(QLatin1String(type), name)
                                .toStdString());
  }
  auto* control = qobject_cast<Control*>(found);
  if (control == nullptr) {
    throw FieldBindingError(
        QStringLiteral("\"%1\" is a %2, not a %3")
            .arg(name, QLatin1String(found->metaObject()->className()), QLatin1String(type))
            .toStdString());
  }
  return control;
}

}  // namespace

FieldBinding::FieldBinding(const QObject& form) {
  for (std::size_t i = 0; i < kSettingsFields.size(); ++i) {
    const SettingsField& field = kSettingsFields[i];
    Controls& controls = controls_[i];
    const QString name = QString::fromLatin1(field.Control);
    const auto line = [&] { controls.Line = Find<QLineEdit>(form, name, "QLineEdit"); };
    const auto group = [&](const WordList& words) {
      for (std::size_t k = 0; k < words.Size; ++k) {
        controls.Group.push_back(
            Find<QAbstractButton>(form, name + QString::number(k), "QAbstractButton"));
      }
    };
    VisitKind(
        field, [&](const TextField&) { line(); }, [&](const NumberField&) { line(); },
        [&](const CheckField&) {
          controls.Group.push_back(Find<QCheckBox>(form, name, "QCheckBox"));
        },
        [&](const ChoiceField& f) { group(f.Words); },
        [&](const OptionsField& f) { group(f.Words); });
  }
}

PopupSettings FieldBinding::Read() const {
  PopupSettings s;
  for (std::size_t i = 0; i < kSettingsFields.size(); ++i) {
    const Controls& controls = controls_[i];
    VisitKind(
        kSettingsFields[i],
        [&](const TextField& f) { s.*f.Member = controls.Line->text().toStdString(); },
        [&](const NumberField& f) { s.*f.Member = controls.Line->text().toStdString(); },
        [&](const CheckField& f) { s.*f.Member = controls.Group[0]->isChecked() ? 1 : 0; },
        [&](const ChoiceField& f) {
          for (std::size_t k = 0; k < controls.Group.size(); ++k)
            if (controls.Group[k]->isChecked()) f.Set(s, static_cast<int>(k));
        },
        [&](const OptionsField& f) {
          for (std::size_t k = 0; k < controls.Group.size(); ++k)
            (s.*f.Member)[k] = controls.Group[k]->isChecked() ? 1 : 0;
        });
  }
  return s;
}

void FieldBinding::Write(const PopupSettings& entries) const {
  for (std::size_t i = 0; i < kSettingsFields.size(); ++i) {
    const Controls& controls = controls_[i];
    VisitKind(
        kSettingsFields[i],
        [&](const TextField& f) {
          controls.Line->setText(QString::fromStdString(entries.*f.Member));
        },
        [&](const NumberField& f) {
          controls.Line->setText(QString::fromStdString(entries.*f.Member));
        },
        [&](const CheckField& f) { controls.Group[0]->setChecked(entries.*f.Member == 1); },
        [&](const ChoiceField& f) {
          controls.Group.at(static_cast<std::size_t>(f.Get(entries)))->setChecked(true);
        },
        [&](const OptionsField& f) {
          for (std::size_t k = 0; k < controls.Group.size(); ++k)
            controls.Group[k]->setChecked((entries.*f.Member)[k] == 1);
        });
  }
}

void FieldBinding::WriteTexts(const PopupSettings& entries) const {
  for (std::size_t i = 0; i < kSettingsFields.size(); ++i)
    if (const auto text = TextMember(kSettingsFields[i]))
      controls_[i].Line->setText(QString::fromStdString(entries.*text));
}

}  // namespace orvanta
