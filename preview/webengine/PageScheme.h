#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

namespace orvanta {

// Serves the test pages to the views under a scheme of their own instead of
// as local files. A page of that scheme is no local content and its origin is
// opaque: its scripts can read no local file, not even the files beside it,
// while pictures, frames and popup pages from its folder still load.
class PageSchemeHandler : public QWebEngineUrlSchemeHandler {
  Q_OBJECT
 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

  static QByteArray scheme();
  // Once, before the engine starts (before the first profile exists).
  static void registerScheme();

  // The address of a local file for the views; from then on the files of
  // its folder (and below) are served, and nothing else.
  QUrl addressOf(const QString& filePath);

  void requestStarted(QWebEngineUrlRequestJob* job) override;

 private:
  QStringList folders_;
};

}  // namespace orvanta
