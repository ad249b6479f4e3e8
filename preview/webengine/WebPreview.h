#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "modules/host/PreviewPlugin.h"

class QWebEngineProfile;

namespace orvanta {

class PageSchemeHandler;
class PreviewView;
class RendererWatchdog;
class WindowStacking;

// The module's entry: makes the views on one engine profile, which it
// starts on first use. The views belong to their parents; the factory only
// tells them what concerns all of them.
class WebPreviewFactory : public QObject, public PreviewFactory {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID OrvantaPreviewFactory_iid)
  Q_INTERFACES(orvanta::PreviewFactory)

 public:
  WebPreviewFactory();
  ~WebPreviewFactory() override;

  PreviewBrowser* createBrowser(QWidget* parent) override;
  void closeAllPopups() override;
  void serveFile(const QString& path) override;
  void releaseViews() override;
  void shutdown() override;
  QString engineName() const override;

 signals:
  void popupsClosing();
  // Each view gives up its pages now; the profile goes next.
  void shuttingDown();
  void releasing();

 private:
  QWebEngineProfile* profile();
  void trimLater();

  QWebEngineProfile* profile_ = nullptr;
  PageSchemeHandler* pages_ = nullptr;
  RendererWatchdog* watchdog_;
  std::shared_ptr<const WindowStacking> stacking_;
  // The views made on profile_, which goes when they have.
  std::vector<QPointer<PreviewView>> views_;
  mutable QString engineName_;
};

}  // namespace orvanta
