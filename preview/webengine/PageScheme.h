#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

#include "preview/ServedFiles.h"

namespace orvanta {

// Serves the test pages to the views under a scheme of their own instead of
// as local files. A page of that scheme is no local content and its origin is
// opaque: its scripts can read no local file. Only the files the program
// wrote and named (serve) load, the pages and their picture.
class PageSchemeHandler : public QWebEngineUrlSchemeHandler {
  Q_OBJECT
 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

  static QByteArray scheme();
  // Once, before the engine starts (before the first profile exists).
  static void registerScheme();

  // The address of a local file for the views.
  static QUrl addressOf(const QString& filePath);
  // From now on this file is served, when it is a regular file and no link
  // stands in its place. Nothing else is.
  void serve(const QString& filePath);

  void requestStarted(QWebEngineUrlRequestJob* job) override;

 private:
  ServedFiles served_;
};

}  // namespace orvanta
