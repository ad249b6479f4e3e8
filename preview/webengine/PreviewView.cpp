#include "preview/webengine/PreviewView.h"

#include <QHideEvent>
#include <QLabel>
#include <QRandomGenerator>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <utility>

#include "preview/webengine/PageScheme.h"
#include "preview/webengine/PopupProbe.h"
#include "preview/webengine/PreviewPage.h"
#include "preview/webengine/RendererWatchdog.h"

namespace orvanta {

template <class Move>
auto PreviewView::move(Move&& step) {
  const bool was = state_.stopped();
  auto result = std::forward<Move>(step)();
  if (state_.stopped() != was && onStopped_) onStopped_(state_.stopped());
  return result;
}

PreviewView::PreviewView(QWebEngineProfile* profile, PageSchemeHandler* pages,
                         RendererWatchdog* watchdog, std::shared_ptr<const WindowStacking> stacking,
                         QWidget* parent)
    : QWidget(parent),
      profile_(profile),
      pages_(pages),
      watchdog_(watchdog),
      probe_(new PopupProbe(std::move(stacking), this)),
      notice_(new QLabel(this)),
      view_(new QWebEngineView(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  notice_->setObjectName(QStringLiteral("lblPageNotice"));
  notice_->setTextFormat(Qt::PlainText);
  notice_->setAlignment(Qt::AlignCenter);
  notice_->hide();
  layout->addWidget(notice_);
  page_ = new PreviewPage(profile_, this, view_);
  view_->setPage(page_);
  probe_->watchPage(page_);
  BindCustomizer(view_);
  layout->addWidget(view_, 1);
  setFocusProxy(view_);
  connect(page_, &QWebEnginePage::loadFinished, this, &PreviewView::loadFinished);
  connect(page_, &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
            rendererEnded(status);
          });
  connect(&page_->dialogs(), &PageDialogHost::openChanged, this, [this](bool open) {
    if (open)
      move([this] { return state_.dialogOpened(); });
    else
      move([this] { return state_.dialogClosed(); });
  });
  if (watchdog != nullptr)
    connect(watchdog, &RendererWatchdog::ending, this, [this] { state_.expectRestart(); });
}

PreviewView::~PreviewView() { releasePages(); }

void PreviewView::navigate(const QString& filePath) {
  if (state_.released() || pages_.isNull()) return;
  last_ = PageSchemeHandler::addressOf(filePath);
  reload();
}

void PreviewView::reload() {
  if (state_.released() || last_.isEmpty()) return;
  notice_->hide();
  view_->show();
  load(last_);
}

void PreviewView::setStoppedHandler(std::function<void(bool)> handler) {
  onStopped_ = std::move(handler);
}

void PreviewView::showNotice(const QString& line) {
  if (state_.released()) return;
  notice_->setText(line);
  notice_->setToolTip(line);
  notice_->show();
  view_->hide();
  // The old page goes, so that nothing of it runs on behind the line.
  load(QUrl(QStringLiteral("about:blank")));
}

void PreviewView::load(const QUrl& address) {
  PageDialogHost& dialogs = page_->dialogs();
  dialogs.leave();
  probe_->newLoad();
  // Each load of a test page gets an address of its own, so that the engine
  // tells when its document replaced the last one; the pages ignore it.
  QUrl target = address;
  if (target.scheme() == QString::fromLatin1(PageSchemeHandler::scheme()))
    target.setQuery(QStringLiteral("load=%1").arg(QRandomGenerator::system()->generate64(), 0, 36));
  dialogs.expect(target);
  for (const auto& popup : popups_) {
    if (!popup.isNull()) popup->previewPage()->dialogs().leave();
  }
  const bool hadPage = rendererPid() > 0;
  pending_ = target;
  move([this] { return state_.load(); });
  dialogs.afterDialog([this, target] {
    if (pending_ == target && state_.loading()) view_->load(target);
  });
  // A page that never gives the renderer back would hold this load forever.
  if (hadPage) watchLoad();
}

void PreviewView::watchLoad() {
  if (watchdog_.isNull()) return;
  // A watch of the load the renderer's end cut short ends with it.
  const QUrl target = pending_;
  const bool retry = state_.retrying();
  watchdog_->watchLoad(page_, this, [this, target, retry] {
    return state_.loading() && pending_ == target && state_.retrying() == retry;
  });
}

void PreviewView::loadFinished(bool ok) {
  if (!move([this, ok] { return state_.loadFinished(ok); })) return;
  pending_ = QUrl();
  if (onLoadFinished_) onLoadFinished_(ok);
}

bool PreviewView::isMainPage(const QObject* page) const {
  return page != nullptr && page == page_.data();
}

qint64 PreviewView::rendererPid() const { return page_.isNull() ? 0 : page_->renderProcessPid(); }

void PreviewView::rendererEnded(QWebEnginePage::RenderProcessTerminationStatus status) {
  page_->dialogs().cancel();
  using AfterEnd = ViewStateMachine::AfterEnd;
  const AfterEnd after = move([this, status] {
    return state_.rendererEnded(status != QWebEnginePage::NormalTerminationStatus);
  });
  if (after == AfterEnd::LoadAgain) {
    const QUrl target = pending_;
    QTimer::singleShot(0, this, [this, target] {
      if (pending_ != target || !state_.loading()) return;
      view_->load(target);
      watchLoad();
    });
  } else if (after == AfterEnd::Stop) {
    pending_ = QUrl();
    notice_->setText(tr("The page stopped. Preview or Reload loads it again."));
    notice_->setToolTip(QString());
    notice_->show();
  }
}

void PreviewView::hideEvent(QHideEvent* event) {
  // The user moved on: a page that keeps the renderer busy is ended.
  if (rendererPid() > 0 && !watchdog_.isNull())
    watchdog_->watchLeave(page_, this, [this] { return !view_.isNull() && !isVisible(); });
  QWidget::hideEvent(event);
}

void PreviewView::setLoadFinishedHandler(std::function<void(bool ok)> handler) {
  onLoadFinished_ = std::move(handler);
}

void PreviewView::setPopupOpenedHandler(std::function<void(QWidget* popup)> handler) {
  onPopupOpened_ = std::move(handler);
}

void PreviewView::setPopupFactsHandler(std::function<void(const PopupFacts&)> handler) {
  probe_->setHandler(std::move(handler));
}

void PreviewView::locate(const QString& selector, std::function<void(QRect)> done) {
  if (!page_.isNull()) probe_->locate(page_, selector, std::move(done));
}

QList<QWidget*> PreviewView::popupWindows() const {
  QList<QWidget*> open;
  for (const auto& popup : popups_) {
    if (!popup.isNull() && popup->isVisible()) open.append(popup.data());
  }
  return open;
}

PopupWindow* PreviewView::newPopup(bool asTab) {
  popups_.erase(std::remove_if(popups_.begin(), popups_.end(),
                               [](const QPointer<PopupWindow>& p) { return p.isNull(); }),
                popups_.end());
  auto* popup = new PopupWindow(profile_, this);
  popups_.emplace_back(popup);
  // The pages of the test page's popups are part of what the author allows.
  popup->previewPage()->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows,
                                                 popupsAllowed_);
  if (asTab) popup->showAsTab(window()->geometry());
  probe_->popupMade(popup, popup->previewPage(), window());
  // The engine hands over the requested geometry right after this returns;
  // showing later puts the window up at its final place and size at once.
  QPointer<PopupWindow> guard(popup);
  QTimer::singleShot(0, this, [this, guard] {
    if (!guard.isNull() && guard->showOnce()) popupShown(guard.data());
  });
  return popup;
}

QWebEnginePage* PreviewView::openPopup(const QWebEngineNewWindowRequest& request,
                                       const QObject* from) {
  if (state_.released()) return nullptr;
  probe_->windowRequested(request, isMainPage(from));
  const bool asTab = request.destination() == QWebEngineNewWindowRequest::InNewTab ||
                     request.destination() == QWebEngineNewWindowRequest::InNewBackgroundTab;
  return newPopup(asTab)->previewPage();
}

void PreviewView::setPopupsAllowed(bool allowed) {
  popupsAllowed_ = allowed;
  probe_->setPopupsAllowed(allowed);
  if (!page_.isNull())
    page_->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, allowed);
}

void PreviewView::setPageDialogsWatched(bool watched) { probe_->watchDialogs(watched); }

void PreviewView::setPageNoteHandler(std::function<void(const PageNote&)> handler) {
  onNote_ = handler;
  probe_->setNoteHandler(std::move(handler));
}

void PreviewView::dialogCancelled(const QString& kind, const QString& message, bool inPopup) {
  if (onNote_)
    onNote_(PageNote{PageNote::Kind::DialogCancelled, kind + QLatin1String(": ") + message, 0,
                     inPopup});
}

void PreviewView::popupShown(PopupWindow* popup) {
  probe_->popupShown(popup);
  if (onPopupOpened_) onPopupOpened_(popup);
}

void PreviewView::closePopups() {
  // Closing one popup may run script that closes or opens others.
  const auto popups = popups_;
  for (const auto& popup : popups) {
    if (!popup.isNull()) popup->close();
  }
}

void PreviewView::releasePages() {
  // Whoever listens is told nothing more: at exit it may be half gone.
  onStopped_ = nullptr;
  state_.release();
  if (!page_.isNull()) page_->dialogs().cancel();
  pending_ = QUrl();
  last_ = QUrl();
  // Popups that closed but await deferred deletion still hold pages; they go
  // now too, so that no page outlives the profile.
  while (!popups_.empty()) {
    QPointer<PopupWindow> popup = popups_.back();
    popups_.pop_back();
    delete popup.data();
  }
  delete view_.data();  // deletes its page, a child of the view
  profile_ = nullptr;
}

void PreviewView::release() {
  if (!page_.isNull()) page_->dialogs().leave();
  for (const auto& popup : popups_) {
    if (!popup.isNull()) popup->previewPage()->dialogs().leave();
  }
  hide();
  PageDialogHost::whenNoneOpen(this, [this] {
    releasePages();
    deleteLater();
  });
}

}  // namespace orvanta
