#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>
#include <vector>

class QWidget;

namespace orvanta {

class PageDialog;

// The alerts, confirms and prompts of one page, drawn across the top of its
// own view. The engine waits inside its call into the page until the answer
// comes, while the rest of the program goes on; so this is the one place
// that knows a page can be mid-call, and whatever must not happen then (a
// new load, deleting the page or its window) waits here until the call has
// returned.
class PageDialogHost : public QObject {
  Q_OBJECT
 public:
  enum class Kind { Alert, Confirm, Prompt };

  // Dialogs closer together than this count as one run of dialogs.
  static constexpr qint64 kQuickSuccessionMs = 2000;
  // The dialog of a run from which on the user may stop further ones.
  static constexpr int kDialogsBeforeStopOffer = 3;

  PageDialogHost(QWidget* view, QObject* parent);
  ~PageDialogHost() override;

  // Shows the dialog and returns once it is answered: false for Cancel, and
  // at once when a dialog is open already or further ones were stopped.
  // `text` holds a prompt's text, in and out.
  bool run(Kind kind, const QString& message, QString* text);
  bool open() const { return !dialog_.isNull(); }
  // Answers the open dialog, if any, with Cancel.
  void cancel();
  // Cancels the open dialog and refuses further ones until the document
  // announced by expect() has replaced the one being left.
  void leave();
  void expect(const QUrl& next) { expected_ = next; }
  // The engine's word that the page's document now has `address`.
  void arrived(const QUrl& address);
  // Runs `then` once the open dialog's call has returned, or at once when
  // none is open.
  void afterDialog(std::function<void()> then);

  // Whether a dialog of any page is open: the renderer waiting for the
  // answer runs no script of any page meanwhile.
  static bool anyOpen() { return openDialogs_ > 0; }
  // Runs `then` (dropped when `context` goes first) from the event loop once
  // no page at all is inside a dialog's call.
  static void whenNoneOpen(QObject* context, std::function<void()> then);

 signals:
  void openChanged(bool open);

 private:
  struct Waiting {
    QPointer<QObject> context;
    std::function<void()> then;
  };
  static void postWaiting();

  QPointer<QWidget> view_;
  QPointer<PageDialog> dialog_;
  std::vector<std::function<void()>> afterDialog_;
  int dialogsInRow_ = 0;
  QElapsedTimer lastDialogEnd_;
  bool stopped_ = false;
  QUrl expected_;
  static int openDialogs_;
  static std::vector<Waiting> waiting_;
};

}  // namespace orvanta
