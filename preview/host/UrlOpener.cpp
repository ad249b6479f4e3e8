#include "preview/host/UrlOpener.h"

#include <QDesktopServices>

namespace orvanta {

bool OpenUrl(const QUrl& target, const UrlOpener& opener) {
  if (!opener) return QDesktopServices::openUrl(target);
  try {
    opener(target);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace orvanta
