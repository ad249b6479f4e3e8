#include "preview/session/PreviewSession.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QStandardPaths>
#include <QUrl>
#include <unistd.h>

#include <exception>
#include <optional>
#include <utility>

#include "modules/host/ModuleHost.h"
#include "modules/host/PreviewPlugin.h"
#include "preview/TestPages.h"
#include "preview/TextFile.h"
#include "preview/WorkFolder.h"

namespace orvanta {

namespace {

// In Page code makes a dialog element; measuring one costs each document of
// the view a world of the program's own, so other code goes without.
bool MayShowDialog(const std::string& code) {
  return QString::fromStdString(code).contains(QLatin1String("dialog"), Qt::CaseInsensitive);
}

}  // namespace

PreviewSession::PreviewSession(PreviewSetup setup, std::array<QFrame*, 2> viewBoxes,
                               QObject* parent)
    : QObject(parent), setup_(std::move(setup)), viewBoxes_(viewBoxes) {
  // Only chosen here: nothing is written before the first pages are.
  programFolder_ = setup_.programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                  : setup_.programFolder;
  const QString dataFolder =
      setup_.dataFolder.isEmpty()
          ? QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
          : setup_.dataFolder;
  work_ = std::make_unique<WorkFolder>(programFolder_.toStdString(), dataFolder.toStdString());
  workFolder_ = QString::fromStdString(work_->Path());
  work_->StartSweep();
  releaseTimer_.setSingleShot(true);
  releaseTimer_.setInterval(setup_.releaseDelay.value_or(std::chrono::seconds(30)));
  connect(&releaseTimer_, &QTimer::timeout, this, &PreviewSession::ReleaseViews);
}

PreviewSession::~PreviewSession() {
  // The views' pages go before the shared profile, and both before the
  // views' parent widgets.
  // At exit a failing module has no one left to tell.
  if (PreviewFactory* factory = Factory()) CallModule([factory] { factory->shutdown(); });
}

template <class Call>
bool PreviewSession::CallModule(Call&& call) const noexcept {
  try {
    std::forward<Call>(call)();
    return true;
  } catch (const std::exception& e) {
    moduleFailure_ = QString::fromStdString(e.what());
  } catch (...) {
    moduleFailure_ = tr("The reason is not known.");
  }
  return false;
}

void PreviewSession::WritePages(const std::string& popupCode, const std::string& linkCode) const {
  // The code is on the screen; "Preview" writes the pages again and says in
  // its views why when it cannot, so a failure here is left for it to tell.
  try {
    const PageWriter pages = work_->LockPages();
    try {
      pages.WritePopupPage(popupCode);
    } catch (const FileWriteError&) {
    }
    pages.WriteLinkPage(linkCode);
  } catch (const FileWriteError&) {
  }
}

void PreviewSession::Show(const std::string& popupCode, const std::string& linkCode) {
  dialogsWatched_ = MayShowDialog(popupCode) || MayShowDialog(linkCode);
  // One lock for the pair; a failure to take it is told in each view.
  std::optional<PageWriter> pages;
  ShowPage(0, kTestPageName, [&] {
    if (!pages) pages.emplace(work_->LockPages());
    pages->WritePopupPage(popupCode);
  });
  ShowPage(1, kLinkTestPageName, [&] {
    if (!pages) pages.emplace(work_->LockPages());
    pages->WriteLinkPage(linkCode);
  });
}

void PreviewSession::ShowPage(int view, const char* pageName, const std::function<void()>& write) {
  QString failure;
  try {
    write();
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  } catch (...) {
    failure = tr("The reason is not known.");
  }
  if (failure.isEmpty()) {
    Navigate(view, pageName);
  } else if (EnsureViews()) {
    // The old file is still there; showing it would pass it off as new.
    PreviewBrowser* browser = browsers_[static_cast<std::size_t>(view)];
    if (!CallModule([&] {
          browser->showNotice(
              tr("The page could not be written, so it is not shown. %1").arg(failure));
        }))
      ShowModuleError();
  }
}

bool PreviewSession::Launch(const std::string& popupCode) {
  // A page of its own, which no later Generate or other window replaces
  // before the browser has read it.
  const int number = ++launches_;
  const std::string name = LaunchPageName(number);
  try {
    work_->LockPages().WriteText(name, popupCode);
  } catch (const FileWriteError&) {
    return false;
  }
  if (number > kLaunchPagesKept)
    ::unlink(work_->PagePath(LaunchPageName(number - kLaunchPagesKept)).c_str());
  return Open(QUrl::fromLocalFile(QString::fromStdString(work_->PagePath(name))));
}

bool PreviewSession::Open(const QUrl& target) const { return OpenUrl(target, setup_.shellOpen); }

PreviewBrowser* PreviewSession::browser(int index) const {
  if (index < 0 || index >= static_cast<int>(browsers_.size())) return nullptr;
  return browsers_[static_cast<std::size_t>(index)];
}

void PreviewSession::CloseAllPopups() {
  if (PreviewFactory* factory = Factory()) CallModule([factory] { factory->closeAllPopups(); });
}

bool PreviewSession::AnyStopped() const {
  bool stopped = false;
  for (const PreviewBrowser* view : browsers_)
    if (view != nullptr) CallModule([&] { stopped = stopped || view->stopped(); });
  return stopped;
}

void PreviewSession::Reload() {
  for (PreviewBrowser* view : browsers_) {
    if (view != nullptr && view->stopped()) CallModule([view] { view->reload(); });
  }
}

PreviewFactory* PreviewSession::Factory() const {
  return host_ != nullptr ? host_->load<PreviewFactory>() : nullptr;
}

void PreviewSession::ShowModuleError() {
  // Without the module the pages are still written; say why nothing shows.
  if (moduleError_ != nullptr) return;
  QFrame* box = viewBoxes_[0];
  moduleError_ = new QLabel(box);
  moduleError_->setObjectName(QStringLiteral("lblPreviewError"));
  moduleError_->setWordWrap(true);
  moduleError_->setAlignment(Qt::AlignCenter);
  moduleError_->setText(tr("The preview is not available:\n%1")
                            .arg(moduleFailure_.isEmpty() ? host_->error() : moduleFailure_));
  box->layout()->addWidget(moduleError_);
  moduleError_->show();
}

bool PreviewSession::EnsureViews() {
  if (browsers_[0] != nullptr && browsers_[1] != nullptr) return true;
  if (host_ == nullptr) host_ = std::make_unique<ModuleHost>(kPreviewModule, setup_.pluginFolders);
  PreviewFactory* factory = nullptr;
  if (!CallModule([&] {
        factory = host_->load<PreviewFactory>();
        if (factory == nullptr) return;
        for (const char* name : {kTestPageName, kLinkTestPageName, kGoButtonName})
          factory->serveFile(workFolder_ + QString::fromLatin1(name));
      }) ||
      factory == nullptr) {
    ShowModuleError();
    return false;
  }
  // Both views or neither: one made before the other failed waits, hidden,
  // for the next try.
  for (std::size_t i = 0; i < viewBoxes_.size(); ++i) {
    if (made_[i] != nullptr) continue;
    PreviewBrowser* view = nullptr;
    if (CallModule([&] { view = factory->createBrowser(viewBoxes_[i]); }) && view == nullptr)
      moduleFailure_ = tr("The preview module made no view.");
    if (view == nullptr) {
      for (PreviewBrowser* half : made_)
        if (half != nullptr) CallModule([half] { half->widget()->hide(); });
      ShowModuleError();
      return false;
    }
    made_[i] = view;
  }
  const std::array<const char*, 2> names{"WebBrowser1", "WebBrowser2"};
  const bool wired = CallModule([&] {
    for (std::size_t i = 0; i < made_.size(); ++i) {
      PreviewBrowser* view = made_[i];
      QWidget* widget = view->widget();
      widget->setObjectName(QString::fromLatin1(names[i]));
      viewBoxes_[i]->layout()->addWidget(widget);
      const int number = static_cast<int>(i) + 1;
      view->setLoadFinishedHandler([this, number](bool ok) { emit loadFinished(number, ok); });
      view->setPopupOpenedHandler([this](QWidget* popup) { emit popupOpened(popup); });
      view->setPopupFactsHandler(
          [this, number](const PopupFacts& facts) { emit popupFacts(number, facts); });
      view->setStoppedHandler([this](bool) { emit stoppedChanged(); });
      view->setPageNoteHandler(
          [this, number](const PageNote& note) { emit pageNote(number, note); });
      view->setPopupsAllowed(popupsAllowed_);
      view->setDialogsCancelled(dialogsCancelled_);
      widget->show();
    }
  });
  if (!wired) {
    ShowModuleError();
    return false;
  }
  browsers_ = made_;
  emit viewsMade();
  return true;
}

void PreviewSession::SetPopupsAllowed(bool allowed) {
  popupsAllowed_ = allowed;
  for (PreviewBrowser* view : browsers_)
    if (view != nullptr && !CallModule([&] { view->setPopupsAllowed(allowed); })) ShowModuleError();
}

void PreviewSession::SetDialogsCancelled(bool cancelled) {
  dialogsCancelled_ = cancelled;
  for (PreviewBrowser* view : browsers_)
    if (view != nullptr && !CallModule([&] { view->setDialogsCancelled(cancelled); }))
      ShowModuleError();
}

QString PreviewSession::EngineName() const {
  PreviewFactory* factory = browsers_[0] != nullptr ? Factory() : nullptr;
  QString name;
  if (factory != nullptr) CallModule([&] { name = factory->engineName(); });
  return name;
}

void PreviewSession::SetPreviewInFront(bool inFront) {
  if (inFront)
    releaseTimer_.stop();
  else if (browsers_[0] != nullptr && !releaseTimer_.isActive())
    releaseTimer_.start();
}

void PreviewSession::ReleaseViews() {
  PreviewFactory* factory = Factory();
  if (factory == nullptr || browsers_[0] == nullptr) return;
  // A popup the user may still be looking at keeps the views until it closes.
  bool popupOpen = false;
  for (const PreviewBrowser* view : browsers_)
    CallModule([&] { popupOpen = popupOpen || !view->popupWindows().isEmpty(); });
  if (popupOpen) {
    releaseTimer_.start();
    return;
  }
  const bool released = CallModule([factory] { factory->releaseViews(); });
  browsers_ = {};
  made_ = {};
  if (!released) ShowModuleError();
  emit viewsReleased();
  emit stoppedChanged();
}

void PreviewSession::Navigate(int view, const char* pageName) {
  if (!EnsureViews()) return;
  PreviewBrowser* browser = browsers_[static_cast<std::size_t>(view)];
  if (!CallModule([&] {
        browser->setPageDialogsWatched(dialogsWatched_);
        browser->navigate(workFolder_ + QString::fromLatin1(pageName));
      }))
    ShowModuleError();
}

}  // namespace orvanta
