#pragma once

#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "modules/host/PreviewPlugin.h"
#include "preview/webengine/ViewState.h"

class QLabel;
class QWebEngineNewWindowRequest;
class QWebEngineProfile;
class QWebEngineView;

namespace orvanta {

class PageSchemeHandler;
class PopupProbe;
class PopupWindow;
class PreviewPage;
class RendererWatchdog;
class WindowStacking;

// One preview view: the widget in its box, the engine's view in it and the
// popups its pages open. Its parent owns it, as any widget; the engine's
// parts go with it, or earlier with release().
class PreviewView : public QWidget, public PreviewBrowser {
  Q_OBJECT
 public:
  PreviewView(QWebEngineProfile* profile, PageSchemeHandler* pages, RendererWatchdog* watchdog,
              std::shared_ptr<const WindowStacking> stacking, QWidget* parent);
  ~PreviewView() override;

  QWidget* widget() override { return this; }
  void navigate(const QString& filePath) override;
  void setLoadFinishedHandler(std::function<void(bool ok)> handler) override;
  void setPopupOpenedHandler(std::function<void(QWidget* popup)> handler) override;
  QList<QWidget*> popupWindows() const override;
  void showNotice(const QString& line) override;
  void setPopupFactsHandler(std::function<void(const PopupFacts&)> handler) override;
  void setPageNoteHandler(std::function<void(const PageNote&)> handler) override;
  void setPopupsAllowed(bool allowed) override;
  void setDialogsCancelled(bool cancelled) override { dialogsCancelled_ = cancelled; }
  void setPageDialogsWatched(bool watched) override;
  void locate(const QString& selector, std::function<void(QRect)> done) override;
  bool stopped() const override { return state_.stopped(); }
  void reload() override;
  void setStoppedHandler(std::function<void(bool)> handler) override;

  bool dialogsCancelled() const { return dialogsCancelled_; }
  // A dialog of one of this view's pages was answered with Cancel unseen.
  void dialogCancelled(const QString& kind, const QString& message, bool inPopup);
  // Whether `page` is the view's own, the test page's.
  bool isMainPage(const QObject* page) const;
  PopupProbe& probe() { return *probe_; }
  ViewState state() const { return state_.state(); }
  qint64 rendererPid() const;

  // Called by a page of this view for each window its script opens.
  QWebEnginePage* openPopup(const QWebEngineNewWindowRequest& request, const QObject* from);
  void closePopups();
  // Deletes the popups and the engine's view with its page now; what is
  // called after does nothing. Not while a page is inside a dialog's call.
  void releasePages();
  // Cancels the pages' dialogs and releases the pages once no call into a
  // page is under way, then deletes the view.
  void release();

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  // Makes a move of the state machine and tells whether stopped() changed.
  template <class Move>
  auto move(Move&& step);
  PopupWindow* newPopup(bool asTab);
  void popupShown(PopupWindow* popup);
  void rendererEnded(QWebEnginePage::RenderProcessTerminationStatus status);
  void loadFinished(bool ok);
  void load(const QUrl& address);
  void watchLoad();

  QWebEngineProfile* profile_;
  QPointer<PageSchemeHandler> pages_;
  QPointer<RendererWatchdog> watchdog_;
  PopupProbe* probe_;
  QLabel* notice_;
  QPointer<QWebEngineView> view_;
  QPointer<PreviewPage> page_;
  std::vector<QPointer<PopupWindow>> popups_;
  std::function<void(bool)> onLoadFinished_;
  std::function<void(QWidget*)> onPopupOpened_;
  std::function<void(bool)> onStopped_;
  std::function<void(const PageNote&)> onNote_;
  ViewStateMachine state_;
  bool dialogsCancelled_ = false;
  bool popupsAllowed_ = false;
  QUrl pending_;
  QUrl last_;
};

}  // namespace orvanta
