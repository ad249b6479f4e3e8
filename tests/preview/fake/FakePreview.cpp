// A preview module that fails as ORVANTA_FAKE_PREVIEW says: "no-view-NAME"
// makes no view in the box of that object name, "serve-throws" refuses
// every file; otherwise it makes plain widgets.
#include <QPointer>
#include <QWidget>
#include <memory>
#include <stdexcept>
#include <vector>

#include "modules/host/PreviewPlugin.h"

namespace orvanta {
namespace {

QByteArray Failure() { return qgetenv("ORVANTA_FAKE_PREVIEW"); }

class FakeBrowser : public QWidget, public PreviewBrowser {
 public:
  explicit FakeBrowser(QWidget* parent) : QWidget(parent) { setProperty("fakeView", true); }
  QWidget* widget() override { return this; }
  void navigate(const QString&) override {}
  void setLoadFinishedHandler(std::function<void(bool)>) override {}
  void setPopupOpenedHandler(std::function<void(QWidget*)>) override {}
  QList<QWidget*> popupWindows() const override { return {}; }
  void showNotice(const QString&) override {}
  void setPopupFactsHandler(std::function<void(const PopupFacts&)>) override {}
  void locate(const QString&, std::function<void(QRect)> done) override { done({}); }
  bool stopped() const override { return false; }
  void reload() override {}
  void setStoppedHandler(std::function<void(bool)>) override {}
  void setPopupsAllowed(bool) override {}
  void setDialogsCancelled(bool) override {}
  void setPageDialogsWatched(bool) override {}
  void setPageNoteHandler(std::function<void(const PageNote&)>) override {}
};

}  // namespace

class FakePreviewFactory : public QObject, public PreviewFactory {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID OrvantaPreviewFactory_iid)
  Q_INTERFACES(orvanta::PreviewFactory)

 public:
  PreviewBrowser* createBrowser(QWidget* parent) override {
    if (Failure() == "no-view-" + parent->objectName().toLatin1()) return nullptr;
    auto* browser = new FakeBrowser(parent);
    browsers_.emplace_back(browser);
    return browser;
  }
  void releaseViews() override {
    for (const QPointer<QWidget>& browser : browsers_) delete browser.data();
    browsers_.clear();
  }
  void closeAllPopups() override {}
  void serveFile(const QString&) override {
    if (Failure() == "serve-throws") throw std::runtime_error("no file may be served");
  }
  void shutdown() override {}
  QString engineName() const override { return QStringLiteral("fake"); }

 private:
  std::vector<QPointer<QWidget>> browsers_;
};

}  // namespace orvanta

#include "FakePreview.moc"
