// The binding of the fields table to a form's controls, on forms built here.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "ui/FieldBinding.h"

namespace orvanta::test {
namespace {

// Every control the table names, with `omit` left out and `wrong` made a
// control of another type.
std::unique_ptr<QWidget> Form(const QString& omit = {}, const QString& wrong = {}) {
  auto form = std::make_unique<QWidget>();
  const auto add = [&](QWidget* parent, const QString& name, auto* control) {
    std::unique_ptr<QWidget> owned(control);
    if (name == omit) return;
    if (name == wrong) owned = std::make_unique<QWidget>();
    owned->setObjectName(name);
    owned.release()->setParent(parent);
  };
  for (const SettingsField& field : kSettingsFields) {
    const QString name = QString::fromLatin1(field.Control);
    // A group of its own, as radio buttons of one parent exclude each other.
    auto* group = new QWidget(form.get());
    const auto buttons = [&](const WordList& words, bool radio) {
      for (std::size_t k = 0; k < words.Size; ++k) {
        QAbstractButton* button = radio ? static_cast<QAbstractButton*>(new QRadioButton)
                                        : static_cast<QAbstractButton*>(new QCheckBox);
        add(group, name + QString::number(k), button);
      }
    };
    VisitKind(
        field, [&](const TextField&) { add(group, name, new QLineEdit); },
        [&](const NumberField&) { add(group, name, new QLineEdit); },
        [&](const CheckField&) { add(group, name, new QCheckBox); },
        [&](const ChoiceField& f) { buttons(f.Words, true); },
        [&](const OptionsField& f) { buttons(f.Words, false); });
  }
  return form;
}

std::string BindingError(const QWidget& form) {
  try {
    FieldBinding binding(form);
  } catch (const FieldBindingError& e) {
    return e.what();
  }
  return "bound";
}

TEST(FieldBinding, AFormMissingOrMistypingOneControlIsRefusedByName) {
  ASSERT_EQ(BindingError(*Form()), "bound");
  const struct {
    const char* Omit;
    const char* Wrong;
    const char* Error;
  } cases[] = {
      {"txtName", "", "the form has no QLineEdit named \"txtName\""},
      {"txtDelay_1", "", "the form has no QLineEdit named \"txtDelay_1\""},
      {"ChkCenter", "", "the form has no QCheckBox named \"ChkCenter\""},
      {"OptWin_3", "", "the form has no QAbstractButton named \"OptWin_3\""},
      {"OptAction_0", "", "the form has no QAbstractButton named \"OptAction_0\""},
      {"chkWindOpt_9", "", "the form has no QAbstractButton named \"chkWindOpt_9\""},
      {"", "txtPixels_2", "\"txtPixels_2\" is a QWidget, not a QLineEdit"},
      {"", "ChkCenter", "\"ChkCenter\" is a QWidget, not a QCheckBox"},
      {"", "OptAction_5", "\"OptAction_5\" is a QWidget, not a QAbstractButton"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BindingError(*Form(QString::fromLatin1(c.Omit), QString::fromLatin1(c.Wrong))),
              c.Error);
  }
}

TEST(FieldBinding, WhatIsWrittenIsReadBackAndARepairTouchesOnlyTexts) {
  const auto form = Form();
  const FieldBinding binding(*form);
  PopupSettings entries;
  for (const SettingsField& field : kSettingsFields) {
    const std::string value = VisitKind(
        field, [](const TextField&) { return std::string("a text"); },
        [](const NumberField&) { return std::string("12"); },
        [](const CheckField&) { return std::string("1"); },
        [](const ChoiceField& f) { return std::string(f.Names.Data[f.Names.Size - 1]); },
        [](const OptionsField& f) {
          return std::string(f.Words.Data[1]) + "," + std::string(f.Words.Data[f.Words.Size - 1]);
        });
    ASSERT_EQ(SetFieldValue(field, value, entries), std::nullopt) << field.Key;
  }
  binding.Write(entries);
  EXPECT_TRUE(binding.Read() == entries);

  PopupSettings repaired = entries;
  repaired.Width = "640";
  repaired.FunctionName = "other";
  repaired.Center = 0;
  repaired.Order = WindowOrder::Normal;
  binding.WriteTexts(repaired);
  PopupSettings expected = entries;
  expected.Width = "640";
  expected.FunctionName = "other";
  EXPECT_TRUE(binding.Read() == expected);
}

}  // namespace
}  // namespace orvanta::test
