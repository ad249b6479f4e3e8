// Puts a help balloon over a small form, or the consult dialog over its
// owner, on the screen for a screenshot. Prints "crop WxH+X+Y" for the area
// worth keeping once the picture is ready, and quits after a while.
//   uihelp_screens balloon|consult [milliseconds]
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "ui/help/FieldHelp.h"
#include "ui/help/FrmConsult.h"

namespace {

void PrintCrop(QRect area) {
  area.adjust(-8, -8, 8, 8);
  std::printf("crop %dx%d+%d+%d\n", area.width(), area.height(), area.x(), area.y());
  std::fflush(stdout);
}

// A corner of the main screen: the three text rows and two window options.
QWidget* MakeForm() {
  auto* form = new QWidget;
  form->setWindowTitle(QStringLiteral("Orvanta"));
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(8.25);
  form->setFont(font);
  form->setGeometry(40, 40, 330, 150);
  struct Row {
    const char* label;
    const char* field;
  };
  int y = 12;
  for (const Row row : {Row{"Function Name", "txtName"}, Row{"Window Name", "txtTitle"},
                        Row{"Page URL", "txtURL"}}) {
    auto* label = new QLabel(QLatin1String(row.label), form);
    label->setGeometry(12, y + 2, 80, 15);
    auto* field = new QLineEdit(form);
    field->setObjectName(QLatin1String(row.field));
    field->setGeometry(96, y, 195, 20);
    y += 24;
  }
  form->findChild<QLineEdit*>(QStringLiteral("txtURL"))->setText(QStringLiteral("http://"));
  auto* toolbar = new QCheckBox(QStringLiteral("Toolbar"), form);
  toolbar->setObjectName(QStringLiteral("chkWindOpt_0"));
  toolbar->setGeometry(12, y + 10, 90, 18);
  auto* location = new QCheckBox(QStringLiteral("Location Bar"), form);
  location->setObjectName(QStringLiteral("chkWindOpt_1"));
  location->setGeometry(12, y + 30, 110, 18);
  return form;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Windows"));
  const bool consult = argc > 1 && std::strcmp(argv[1], "consult") == 0;
  const int lifetime = argc > 2 ? std::atoi(argv[2]) : 8000;
  QTimer::singleShot(lifetime, &app, &QApplication::quit);

  if (consult) {
    auto* form = new QWidget;
    form->setWindowTitle(QStringLiteral("Orvanta"));
    form->setGeometry(40, 40, 504, 484);
    form->show();
    auto* dialog = new orvanta::FrmConsult([](const QUrl&) {}, form);
    QTimer::singleShot(300, [dialog] {
      dialog->open();
      QTimer::singleShot(700, [dialog] { PrintCrop(dialog->frameGeometry()); });
    });
    return app.exec();
  }

  QWidget* form = MakeForm();
  form->show();
  orvanta::SetupFieldHelp(form);
  auto* target = form->findChild<QCheckBox*>(QStringLiteral("chkWindOpt_0"));
  // The real pointer rests on "Toolbar": the balloon comes the way it would
  // for a user.
  QTimer::singleShot(300, [target] { QCursor::setPos(target->mapToGlobal(QPoint(30, 9))); });
  auto* poll = new QTimer(form);
  QObject::connect(poll, &QTimer::timeout, [form, poll] {
    auto* controller = form->findChild<orvanta::FieldHelpController*>();
    if (controller == nullptr || controller->shown() == nullptr) return;
    poll->stop();
    QTimer::singleShot(200, [form, controller] {
      PrintCrop(form->frameGeometry().united(controller->shown()->frameGeometry()));
    });
  });
  poll->start(50);
  return app.exec();
}
