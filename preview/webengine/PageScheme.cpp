#include "preview/webengine/PageScheme.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <unistd.h>

namespace orvanta {

QByteArray PageSchemeHandler::scheme() { return QByteArrayLiteral("orvanta-page"); }

void PageSchemeHandler::registerScheme() {
  if (QWebEngineUrlScheme::schemeByName(scheme()).name() == scheme()) return;
  // A path like a file's, so that relative addresses in the pages resolve as
  // they would beside the file. Every page gets an origin of its own, so no
  // script reads another page or file of the scheme either.
  QWebEngineUrlScheme page(scheme());
  page.setSyntax(QWebEngineUrlScheme::Syntax::Path);
  page.setFlags(QWebEngineUrlScheme::NoAccessAllowed);
  QWebEngineUrlScheme::registerScheme(page);
}

QUrl PageSchemeHandler::addressOf(const QString& filePath) {
  QUrl address;
  address.setScheme(QString::fromLatin1(scheme()));
  address.setPath(QDir::cleanPath(QFileInfo(filePath).absoluteFilePath()));
  return address;
}

void PageSchemeHandler::serve(const QString& filePath) {
  served_.Add(QDir::cleanPath(QFileInfo(filePath).absoluteFilePath()).toStdString());
}

void PageSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  const QString path = job->requestUrl().path();
  const int fd = job->requestMethod() == "GET" ? served_.Open(path.toStdString()) : -1;
  QFile file;
  if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    if (fd >= 0) ::close(fd);
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    return;
  }
  auto* body = new QBuffer(job);
  body->setData(file.readAll());
  body->open(QIODevice::ReadOnly);
  static const QMimeDatabase types;
  job->reply(types.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toLatin1(), body);
}

}  // namespace orvanta
