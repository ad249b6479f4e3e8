#include "preview/webengine/WebPreview.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWindow>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#include <algorithm>
#include <csignal>
#include <memory>
#include <sys/types.h>

#include "preview/webengine/BrowserCustomizer.h"
#include "preview/webengine/EngineSetup.h"
#include "preview/webengine/PageScheme.h"
#include "preview/webengine/PopupProbe.h"

namespace orvanta {

namespace {

void BindCustomizer(QWebEngineView* view) {
  auto* customizer = new BrowserCustomizer(view);
  customizer->setContextMenuEnabled(false);
  customizer->setBrowserShortcutsEnabled(false);
}

// Dialogs closer together than this count as one run of dialogs.
constexpr qint64 kQuickSuccessionMs = 2000;
constexpr int kDialogsBeforeStopOffer = 3;
// How long a renderer gets to answer before it counts as hung: twice, so a
// slow machine is not taken for a hung page.
constexpr int kAnswerWaitMs = 450;

}  // namespace

// A page's alert, confirm or prompt, drawn across the top of the page's own
// view. Nothing else is blocked: the engine waits for the answer, the
// program does not.
class PageDialog : public QFrame {
 public:
  PageDialog(QWidget* view, const QString& message, bool withText, const QString& text,
             bool withCancel, bool offerStop)
      : QFrame(view), view_(view) {
    setObjectName(QStringLiteral("pageDialog"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(message, this);
    label->setObjectName(QStringLiteral("lblPageDialog"));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    if (withText) {
      edit_ = new QLineEdit(text, this);
      edit_->setObjectName(QStringLiteral("txtPageDialog"));
      layout->addWidget(edit_);
    }
    if (offerStop) {
      stop_ = new QCheckBox(QCoreApplication::translate("PageDialog",
                                                        "Stop further dialogs from this page"),
                            this);
      stop_->setObjectName(QStringLiteral("chkStopDialogs"));
      layout->addWidget(stop_);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(QCoreApplication::translate("PageDialog", "OK"), this);
    ok->setObjectName(QStringLiteral("cmdPageDialogOk"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    connect(ok, &QPushButton::clicked, this, [this] { finish(true); });
    if (withCancel) {
      auto* cancel = new QPushButton(QCoreApplication::translate("PageDialog", "Cancel"), this);
      cancel->setObjectName(QStringLiteral("cmdPageDialogCancel"));
      buttons->addWidget(cancel);
      connect(cancel, &QPushButton::clicked, this, [this] { finish(false); });
    }
    layout->addLayout(buttons);
    focus_ = edit_ != nullptr ? static_cast<QWidget*>(edit_) : ok;
    view->installEventFilter(this);
  }

  // Shows the dialog and returns once it is answered; false for Cancel, or
  // when the program is quitting.
  bool exec() {
    place();
    show();
    raise();
    focus_->setFocus(Qt::OtherFocusReason);
    if (!done_) loop_.exec();
    return accepted_;
  }

  void finish(bool accepted) {
    if (done_) return;
    done_ = true;
    accepted_ = accepted;
    loop_.quit();
  }

  QString text() const { return edit_ != nullptr ? edit_->text() : QString(); }
  bool stopChosen() const { return stop_ != nullptr && stop_->isChecked(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == view_ && event->type() == QEvent::Resize) place();
    return QFrame::eventFilter(watched, event);
  }

  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape) {
      finish(false);
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      finish(true);
    } else {
      QFrame::keyPressEvent(event);
    }
  }

 private:
  void place() {
    const int width = view_->width();
    const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                                     : sizeHint().height();
    setGeometry(0, 0, width, std::min(height, view_->height()));
  }

  QWidget* view_;
  QLineEdit* edit_ = nullptr;
  QCheckBox* stop_ = nullptr;
  QWidget* focus_ = nullptr;
  QEventLoop loop_;
  bool done_ = false;
  bool accepted_ = false;
};

int PreviewPage::openDialogs_ = 0;

PreviewPage::PreviewPage(QWebEngineProfile* profile, WebPreviewBrowser* owner, QObject* parent)
    : QWebEnginePage(profile, parent), owner_(owner) {
  connect(this, &QWebEnginePage::newWindowRequested, this, &PreviewPage::windowRequested);
  connect(this, &QWebEnginePage::urlChanged, this, &PreviewPage::arrived);
}

void PreviewPage::cancelDialog() {
  if (!dialog_.isNull()) static_cast<PageDialog*>(dialog_.data())->finish(false);
}

void PreviewPage::leave() {
  // A page that opens the next dialog at once would otherwise hold the
  // renderer until the user answers again.
  dialogsStopped_ = true;
  cancelDialog();
}

void PreviewPage::afterDialog(std::function<void()> then) {
  if (dialog_.isNull()) {
    then();
  } else {
    afterDialog_.push_back(std::move(then));
  }
}

void PreviewPage::javaScriptAlert(const QUrl&, const QString& msg) {
  runDialog(DialogKind::Alert, msg, nullptr);
}

bool PreviewPage::javaScriptConfirm(const QUrl&, const QString& msg) {
  return runDialog(DialogKind::Confirm, msg, nullptr);
}

bool PreviewPage::javaScriptPrompt(const QUrl&, const QString& msg, const QString& defaultValue,
                                   QString* result) {
  QString text = defaultValue;
  const bool accepted = runDialog(DialogKind::Prompt, msg, &text);
  if (accepted && result != nullptr) *result = text;
  return accepted;
}

bool PreviewPage::runDialog(DialogKind kind, const QString& message, QString* text) {
  QWidget* view = QWebEngineView::forPage(this);
  if (!owner_.isNull() && owner_->dialogsCancelled()) {
    static const char* const kKinds[] = {"alert", "confirm", "prompt"};
    owner_->dialogCancelled(QString::fromLatin1(kKinds[static_cast<int>(kind)]), message,
                            !owner_->isMainPage(this));
    return false;
  }
  if (dialogsStopped_ || view == nullptr || !dialog_.isNull()) return false;
  if (lastDialogEnd_.isValid() && lastDialogEnd_.elapsed() < kQuickSuccessionMs) {
    ++dialogsInRow_;
  } else {
    dialogsInRow_ = 1;
  }
  QPointer<PageDialog> dialog =
      new PageDialog(view, message, kind == DialogKind::Prompt, text != nullptr ? *text : QString(),
                     kind != DialogKind::Alert, dialogsInRow_ >= kDialogsBeforeStopOffer);
  dialog_ = dialog;
  ++openDialogs_;
  const bool accepted = dialog->exec();
  --openDialogs_;
  if (!dialog.isNull()) {
    if (dialog->stopChosen()) dialogsStopped_ = true;
    if (accepted && text != nullptr) *text = dialog->text();
    delete dialog.data();
  }
  dialog_ = nullptr;
  lastDialogEnd_.start();
  // Whatever waited for the answer, such as deleting the window, runs only
  // once the engine's call into this page has returned.
  const auto waiting = std::move(afterDialog_);
  afterDialog_.clear();
  for (const auto& then : waiting) QTimer::singleShot(0, this, then);
  return accepted;
}

void PreviewPage::windowRequested(QWebEngineNewWindowRequest& request) {
  QWebEnginePage* popup = owner_.isNull() ? nullptr : owner_->openPopup(request, this);
  if (popup != nullptr) request.openIn(popup);
}

void PreviewPage::arrived(const QUrl& address) {
  // The engine reports the new address once the new document replaced the
  // old one, which could no longer ask for a dialog then.
  if (expected_.isEmpty() || address != expected_) return;
  expected_ = QUrl();
  dialogsStopped_ = false;
  dialogsInRow_ = 0;
}

void PreviewPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel /*level*/,
                                           const QString& message, int lineNumber,
                                           const QString& sourceId) {
  // Only the test page's probe speaks to the program; every other message,
  // of the test page or of a page in a popup, is dropped.
  if (!owner_.isNull() && owner_->isMainPage(this))
    owner_->probe().takeMessage(message, lineNumber, sourceId);
}

PopupWindow::PopupWindow(QWebEngineProfile* profile, WebPreviewBrowser* owner)
    : page_(new PreviewPage(profile, owner, this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  // A popup left open must not keep the program running.
  setAttribute(Qt::WA_QuitOnClose, false);
  setPage(page_);
  BindCustomizer(this);
  resize(640, 480);
  connect(page_, &QWebEnginePage::geometryChangeRequested, this,
          &PopupWindow::applyRequestedGeometry);
  connect(page_, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
  connect(page_, &QWebEnginePage::titleChanged, this, &QWidget::setWindowTitle);
  connect(page_, &QWebEnginePage::renderProcessTerminated, this, &QWidget::close);
}

void PopupWindow::applyRequestedGeometry(const QRect& requested) {
  if (tab_ || !requested.isValid()) return;
  // The size window.open asks for is that of the content; later moveTo and
  // resizeTo calls arrive as the outer rectangle, frame included.
  QRect content = requested;
  const QWindow* handle = windowHandle();
  if (shown_ && handle != nullptr) content = requested.marginsRemoved(handle->frameMargins());
  setGeometry(content);
}

void PopupWindow::showAsTab(const QRect& browserWindow) {
  tab_ = true;
  setGeometry(browserWindow);
}

bool PopupWindow::showOnce() {
  if (shown_ || closed_) return false;
  shown_ = true;
  show();
  return true;
}

void PopupWindow::closeEvent(QCloseEvent* event) {
  closed_ = true;
  if (page_->inDialog()) {
    // The engine is inside a call into the page; it goes once that returns.
    setAttribute(Qt::WA_DeleteOnClose, false);
    page_->afterDialog([this] { deleteLater(); });
    page_->cancelDialog();
  }
  QWebEngineView::closeEvent(event);
}

WebPreviewBrowser::WebPreviewBrowser(QWebEngineProfile* profile, PageSchemeHandler* pages,
                                     QWidget* parent)
    : profile_(profile), pages_(pages), container_(new QWidget(parent)) {
  auto* layout = new QVBoxLayout(container_);
  layout->setContentsMargins(0, 0, 0, 0);
  notice_ = new QLabel(container_);
  notice_->setObjectName(QStringLiteral("lblPageNotice"));
  notice_->setTextFormat(Qt::PlainText);
  notice_->setAlignment(Qt::AlignCenter);
  notice_->hide();
  layout->addWidget(notice_);
  view_ = new QWebEngineView(container_);
  page_ = new PreviewPage(profile_, this, view_);
  view_->setPage(page_);
  probe_->watchPage(page_);
  BindCustomizer(view_);
  layout->addWidget(view_, 1);
  container_->setFocusProxy(view_);
  container_->installEventFilter(this);
  connect(page_, &QWebEnginePage::loadFinished, this, [this](bool ok) {
    // The load the renderer's end cut short is done again.
    if (restarting_ && !ok) return;
    restarting_ = false;
    pending_ = QUrl();
    if (onLoadFinished_) onLoadFinished_(ok);
  });
  connect(page_, &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
            rendererEnded(status);
          });
}

WebPreviewBrowser::~WebPreviewBrowser() { releasePages(); }

void WebPreviewBrowser::navigate(const QString& filePath) {
  if (view_.isNull() || pages_.isNull()) return;
  last_ = PageSchemeHandler::addressOf(filePath);
  reload();
}

void WebPreviewBrowser::reload() {
  if (view_.isNull() || last_.isEmpty()) return;
  notice_->hide();
  view_->show();
  setStopped(false);
  load(last_);
}

void WebPreviewBrowser::setStopped(bool stopped) {
  if (stopped_ == stopped) return;
  stopped_ = stopped;
  if (onStopped_) onStopped_(stopped);
}

void WebPreviewBrowser::setStoppedHandler(std::function<void(bool)> handler) {
  onStopped_ = std::move(handler);
}

void WebPreviewBrowser::showNotice(const QString& line) {
  if (view_.isNull()) return;
  notice_->setText(line);
  notice_->setToolTip(line);
  notice_->show();
  view_->hide();
  setStopped(false);
  // The old page goes, so that nothing of it runs on behind the line.
  load(QUrl(QStringLiteral("about:blank")));
}

void WebPreviewBrowser::load(const QUrl& address) {
  page_->leave();
  probe_->newLoad();
  // Each load of a test page gets an address of its own, so that the engine
  // tells when its document replaced the last one; the pages ignore it.
  QUrl target = address;
  if (target.scheme() == QString::fromLatin1(PageSchemeHandler::scheme()))
    target.setQuery(QStringLiteral("load=%1").arg(QRandomGenerator::system()->generate64(), 0, 36));
  page_->expect(target);
  for (const auto& popup : popups_) {
    if (!popup.isNull()) popup->previewPage()->leave();
  }
  const bool hadPage = rendererPid() > 0;
  pending_ = target;
  restarting_ = false;
  restartedOnce_ = false;
  page_->afterDialog([this, target] {
    if (pending_ == target && !view_.isNull()) view_->load(target);
  });
  // A page that never gives the renderer back would hold this load forever.
  if (hadPage) watchLoad();
}

qint64 WebPreviewBrowser::rendererPid() const {
  return page_.isNull() ? 0 : page_->renderProcessPid();
}

void WebPreviewBrowser::probe(int waitMs, std::function<void()> hung) {
  if (page_.isNull()) return;
  auto answered = std::make_shared<bool>(false);
  page_->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                       [answered](const QVariant&) { *answered = true; });
  QTimer::singleShot(waitMs, this, [answered, hung = std::move(hung)] {
    // A renderer waiting for a dialog's answer runs no script but is fine.
    if (!*answered && !PreviewPage::anyDialogOpen()) hung();
  });
}

void WebPreviewBrowser::watchLoad() {
  const int token = ++loadToken_;
  const auto stillWaiting = [this, token] { return token == loadToken_ && loading(); };
  probe(kAnswerWaitMs, [this, stillWaiting] {
    if (!stillWaiting()) return;
    probe(kAnswerWaitMs, [this, stillWaiting] {
      if (stillWaiting() && onHung_) onHung_();
    });
  });
}

void WebPreviewBrowser::rendererEnded(QWebEnginePage::RenderProcessTerminationStatus status) {
  page_->cancelDialog();
  if (restarting_ && loading() && !restartedOnce_) {
    restartedOnce_ = true;
    const QUrl target = pending_;
    QTimer::singleShot(0, this, [this, target] {
      if (pending_ != target || view_.isNull()) return;
      view_->load(target);
      watchLoad();
    });
    return;
  }
  if (status == QWebEnginePage::NormalTerminationStatus) return;
  restarting_ = false;
  pending_ = QUrl();
  ++loadToken_;
  notice_->setText(tr("The page stopped. Preview or Reload loads it again."));
  notice_->setToolTip(QString());
  notice_->show();
  setStopped(true);
}

bool WebPreviewBrowser::eventFilter(QObject* watched, QEvent* event) {
  // The user moved on: a page that keeps the renderer busy is ended.
  if (watched == container_ && event->type() == QEvent::Hide && rendererPid() > 0 && onHung_) {
    probe(kAnswerWaitMs * 2, [this] {
      if (!view_.isNull() && !view_->isVisible() && onHung_) onHung_();
    });
  }
  return QObject::eventFilter(watched, event);
}

void WebPreviewBrowser::setLoadFinishedHandler(std::function<void(bool ok)> handler) {
  onLoadFinished_ = std::move(handler);
}

void WebPreviewBrowser::setPopupOpenedHandler(std::function<void(QWidget* popup)> handler) {
  onPopupOpened_ = std::move(handler);
}

QList<QWidget*> WebPreviewBrowser::popupWindows() const {
  QList<QWidget*> open;
  for (const auto& popup : popups_) {
    if (!popup.isNull() && popup->isVisible()) open.append(popup.data());
  }
  return open;
}

PopupWindow* WebPreviewBrowser::newPopup(bool asTab) {
  popups_.erase(std::remove_if(popups_.begin(), popups_.end(),
                               [](const QPointer<PopupWindow>& p) { return p.isNull(); }),
                popups_.end());
  auto* popup = new PopupWindow(profile_, this);
  popups_.emplace_back(popup);
  // The pages of the test page's popups are part of what the author allows.
  popup->previewPage()->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows,
                                                 popupsAllowed_);
  if (asTab) popup->showAsTab(container_->window()->geometry());
  probe_->popupMade(popup, popup->previewPage(), container_->window());
  // The engine hands over the requested geometry right after this returns;
  // showing later puts the window up at its final place and size at once.
  QPointer<PopupWindow> guard(popup);
  QTimer::singleShot(0, this, [this, guard] {
    if (!guard.isNull() && guard->showOnce()) popupShown(guard.data());
  });
  return popup;
}

QWebEnginePage* WebPreviewBrowser::openPopup(const QWebEngineNewWindowRequest& request,
                                             const QObject* from) {
  if (profile_ == nullptr) return nullptr;
  probe_->windowRequested(request, isMainPage(from));
  const bool asTab = request.destination() == QWebEngineNewWindowRequest::InNewTab ||
                     request.destination() == QWebEngineNewWindowRequest::InNewBackgroundTab;
  return newPopup(asTab)->previewPage();
}

void WebPreviewBrowser::setPopupsAllowed(bool allowed) {
  popupsAllowed_ = allowed;
  probe_->setPopupsAllowed(allowed);
  if (!page_.isNull())
    page_->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, allowed);
}

void WebPreviewBrowser::setPageNoteHandler(std::function<void(const PageNote&)> handler) {
  onNote_ = handler;
  probe_->setNoteHandler(std::move(handler));
}

void WebPreviewBrowser::dialogCancelled(const QString& kind, const QString& message, bool inPopup) {
  if (onNote_)
    onNote_(PageNote{PageNote::Kind::DialogCancelled, kind + QLatin1String(": ") + message, 0,
                     inPopup});
}

void WebPreviewBrowser::popupShown(PopupWindow* popup) {
  probe_->popupShown(popup);
  if (onPopupOpened_) onPopupOpened_(popup);
}

void WebPreviewBrowser::closePopups() {
  // Closing one popup may run script that closes or opens others.
  const auto popups = popups_;
  for (const auto& popup : popups) {
    if (!popup.isNull()) popup->close();
  }
}

void WebPreviewBrowser::releasePages() {
  if (!page_.isNull()) page_->cancelDialog();
  ++loadToken_;
  pending_ = QUrl();
  last_ = QUrl();
  onHung_ = nullptr;
  onStopped_ = nullptr;
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

WebPreviewFactory::WebPreviewFactory() {
  PageSchemeHandler::registerScheme();
  pages_ = new PageSchemeHandler(this);
}

WebPreviewFactory::~WebPreviewFactory() {
  // The module may be unloaded after the application object is gone; the
  // engine cannot be touched any more then.
  if (QCoreApplication::instance() != nullptr) shutdown();
}

QWebEngineProfile* WebPreviewFactory::profile() {
  if (profile_ == nullptr) {
    PrepareEngineStart();
    profile_ = new QWebEngineProfile(this);  // off the record; starts the engine
    QWebEngineSettings* settings = profile_->settings();
    // As in a browser, a script opens a window only right after the user's
    // click or key press; the engine returns null to the page otherwise.
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    // The Page URL goes into the script as typed, so a test page may run
    // whatever was typed there: the pages are no local files to the engine,
    // and nothing local may read files either.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    profile_->installUrlSchemeHandler(PageSchemeHandler::scheme(), pages_);
  }
  return profile_;
}

PreviewBrowser* WebPreviewFactory::createBrowser(QWidget* parent) {
  browsers_.push_back(std::make_unique<WebPreviewBrowser>(profile(), pages_, parent));
  WebPreviewBrowser* browser = browsers_.back().get();
  browser->setHungHandler([this, browser] { endRenderer(browser); });
  return browser;
}

void WebPreviewFactory::endRenderer(WebPreviewBrowser* from) {
  const qint64 pid = from->rendererPid();
  if (pid <= 0 || pid == endedPid_) return;
  endedPid_ = pid;
  for (const auto& browser : browsers_) browser->expectRestart();
  ::kill(static_cast<pid_t>(pid), SIGKILL);
}

void WebPreviewFactory::serveFile(const QString& path) { pages_->serve(path); }

QString WebPreviewFactory::engineName() const {
  if (profile_ == nullptr) return {};
  // The browser the engine says it is, as web servers and scripts see it.
  const QString agent = profile_->httpUserAgent();
  const qsizetype at = agent.indexOf(QLatin1String("Chrome/"));
  QString browser = at < 0 ? QString() : agent.mid(at).section(QLatin1Char(' '), 0, 0);
  QString name = QStringLiteral("Qt WebEngine %1").arg(QString::fromLatin1(qWebEngineVersion()));
  if (!browser.isEmpty())
    name += QStringLiteral(", which identifies itself as %1")
                .arg(browser.replace(QLatin1Char('/'), QLatin1Char(' ')));
  return name;
}

void WebPreviewFactory::closeAllPopups() {
  for (const auto& browser : browsers_) browser->closePopups();
}

void WebPreviewFactory::shutdown() {
  // The browser objects stay (empty) so that a late call through a pointer
  // the main window kept does nothing instead of crashing.
  for (const auto& browser : browsers_) browser->releasePages();
  delete profile_;
  profile_ = nullptr;
}

}  // namespace orvanta
