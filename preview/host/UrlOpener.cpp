#include "preview/host/UrlOpener.h"

#include <QDesktopServices>

namespace orvanta {

void OpenUrl(const QUrl& target, const UrlOpener& opener) {
  if (opener)
    opener(target);
  else
    QDesktopServices::openUrl(target);
}

}  // namespace orvanta
