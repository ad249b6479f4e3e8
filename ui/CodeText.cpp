#include "ui/CodeText.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace orvanta {

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
  return text.toStdString();
}

void SetCodeText(QPlainTextEdit& box, std::string_view crlfText) {
  box.setPlainText(ToWidgetText(crlfText));
}

}  // namespace orvanta
