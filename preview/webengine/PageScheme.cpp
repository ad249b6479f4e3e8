#include "preview/webengine/PageScheme.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <algorithm>

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
  const QFileInfo file(filePath);
  const QString folder = QDir::cleanPath(file.absolutePath());
  if (!folders_.contains(folder)) folders_ << folder;
  QUrl address;
  address.setScheme(QString::fromLatin1(scheme()));
  address.setPath(QDir::cleanPath(file.absoluteFilePath()));
  return address;
}

void PageSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  const QString path = QDir::cleanPath(job->requestUrl().path());
  const bool servable = std::any_of(folders_.cbegin(), folders_.cend(), [&](const QString& folder) {
    return path.startsWith(folder == QLatin1String("/") ? folder : folder + QLatin1Char('/'));
  });
  QFile file(path);
  if (job->requestMethod() != "GET" || !servable || !QFileInfo(path).isFile() ||
      !file.open(QIODevice::ReadOnly)) {
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
