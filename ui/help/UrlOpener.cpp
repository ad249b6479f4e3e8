#include "ui/help/UrlOpener.h"

#include <QDesktopServices>

namespace orvanta {

void DesktopOpen(const QUrl& target) { QDesktopServices::openUrl(target); }

}  // namespace orvanta
