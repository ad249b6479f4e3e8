#include "ui/CodeText.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace orvanta {

namespace {

class PlainLineBreaks : public QObject {
 public:
  explicit PlainLineBreaks(QPlainTextEdit& box) : QObject(&box) { box.installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        !key->modifiers().testFlag(Qt::ShiftModifier))
      return false;
    QKeyEvent plain(QEvent::KeyPress, key->key(), key->modifiers() & ~Qt::ShiftModifier,
                    key->text(), key->isAutoRepeat());
    QCoreApplication::sendEvent(watched, &plain);
    return true;
  }
};

class CrLfCopy : public QObject {
 public:
  explicit CrLfCopy(QPlainTextEdit& box) : QObject(&box), box_(box) {
    box.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() != QEvent::KeyPress ||
        !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
      return false;
    const QTextCursor cursor = box_.textCursor();
    if (!cursor.hasSelection()) return true;
    QString text = cursor.selectedText();
    text.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    text.replace(QChar(QChar::LineSeparator), QStringLiteral("\r\n"));
    QGuiApplication::clipboard()->setText(text);
    return true;
  }

 private:
  QPlainTextEdit& box_;
};

}  // namespace

QString ToWidgetText(std::string_view crlfText) {
  QString text = QString::fromUtf8(crlfText.data(), static_cast<qsizetype>(crlfText.size()));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

std::string FromWidgetText(const QPlainTextEdit& box) {
  // The raw text keeps non-breaking spaces and marks block ends with U+2029,
  // where toPlainText would turn both into something else.
  QString text = box.document()->toRawText();
  text.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
  text.replace(QChar(QChar::LineSeparator), QStringLiteral("\r\n"));
  return text.toStdString();
}

void SetCodeText(QPlainTextEdit& box, std::string_view crlfText) {
  box.setPlainText(ToWidgetText(crlfText));
}

bool CodeBox::canInsertFromMimeData(const QMimeData* source) const {
  return source != nullptr && source->hasText();
}

void CodeBox::insertFromMimeData(const QMimeData* source) {
  if (!canInsertFromMimeData(source)) return;
  const QString text = source->text();
  if (!text.isEmpty()) insertPlainText(text);
}

void UsePlainLineBreaks(QPlainTextEdit& box) { new PlainLineBreaks(box); }

void CopyWithLineBreaks(QPlainTextEdit& box) { new CrLfCopy(box); }

}  // namespace orvanta
