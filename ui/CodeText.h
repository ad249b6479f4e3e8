#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <string>
#include <string_view>

class QMimeData;

namespace orvanta {

// The generated texts break lines with CR LF; the text box keeps one block
// per line. These two convert at the box's edge so that what is copied or
// saved is exactly what generation produced. A line separator (U+2028) that
// got into the box, by a paste for instance, leaves it as CR LF too.
QString ToWidgetText(std::string_view crlfText);
std::string FromWidgetText(const QPlainTextEdit& box);

void SetCodeText(QPlainTextEdit& box, std::string_view crlfText);

// The code boxes. Pastes, middle clicks and drops take plain text only, read
// here: Qt 6.4's own insertion crashes when nobody owns the X clipboard or
// selection, and the boxes hold only text anyway.
class CodeBox : public QPlainTextEdit {
  Q_OBJECT
 public:
  using QPlainTextEdit::QPlainTextEdit;

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
};

// Shift+Enter in the box starts a new line as Enter does, instead of the
// line separator a text box puts there.
void UsePlainLineBreaks(QPlainTextEdit& box);

// Ctrl+C in the box copies the selection with CR LF line breaks, as the
// Copy buttons copy the whole text.
void CopyWithLineBreaks(QPlainTextEdit& box);

}  // namespace orvanta
