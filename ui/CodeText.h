#pragma once

#include <QString>
#include <string>
#include <string_view>

class QPlainTextEdit;

namespace orvanta {

// The generated texts break lines with CR LF; the text box keeps one block
// per line. These two convert at the box's edge so that what is copied or
// saved is exactly what generation produced.
QString ToWidgetText(std::string_view crlfText);
std::string FromWidgetText(const QPlainTextEdit& box);

void SetCodeText(QPlainTextEdit& box, std::string_view crlfText);

}  // namespace orvanta
