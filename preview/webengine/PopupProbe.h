#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWebEngineNewWindowRequest>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "modules/host/PreviewPlugin.h"
#include "preview/webengine/WindowStacking.h"

class QJsonArray;
class QWebEnginePage;

namespace orvanta {

// Reads "left=20,top=10,width=400,height=200,..." the way a browser does for
// window placement: unknown or malformed entries are ignored.
QRect RequestedGeometry(const QString& features, const QRect& fallback);

// Watches what the engine does with the windows the test page of one view
// asks for, and tells the handler each time it learns more. The browser hands
// it the events; it keeps no window alive.
//
// What the user did and the page's own window.open calls are seen only in
// the page's world: a script put there before any of the page's keeps its
// own references and speaks with a secret only the program knows, one for
// the main frame and another for frames. The In Page dialogs a page shows
// are measured from the DOM by a script in a world of the program's own,
// which the page's script can neither see nor change.
class PopupProbe : public QObject {
  Q_OBJECT
 public:
  // `stacking` tells whether a popup is in front of its opener.
  PopupProbe(std::shared_ptr<const WindowStacking> stacking, QObject* parent = nullptr);
  ~PopupProbe() override;

  // Off when ORVANTA_NO_POPUP_REPORT is set, for a baseline without it.
  static bool enabled();

  void setHandler(std::function<void(const PopupFacts&)> handler);
  void setNoteHandler(std::function<void(const PageNote&)> handler);
  // The view's own page; the popups' pages are never watched for calls.
  void watchPage(QWebEnginePage* page);
  // Whether the pages to come may show In Page dialogs, which only the
  // program's own world measures; that world costs each document memory.
  void watchDialogs(bool watch);
  // The view is about to load another page: records and numbering start
  // again, and documents made before now are the page being left.
  void newLoad();
  // Whether the engine lets the view's pages open windows without a user
  // action; set by the browser.
  void setPopupsAllowed(bool allowed) { popupsAllowed_ = allowed; }
  // A console message of the watched page or its frames, with the line and
  // source the engine gave; true when it was the probe's own.
  bool takeMessage(const QString& message, int line = 1, const QString& source = QString());
  // A message of the program's own world in the test page or its frames.
  void takeWorldMessage(QJsonArray fields);
  // A message of the page world's script of the main frame or of a frame.
  void takePageMessage(QJsonArray fields, bool fromFrame);
  // What the engine asked for, just before the window for it is made;
  // `fromTestPage` false for windows a popup's page asked for.
  void windowRequested(const QWebEngineNewWindowRequest& request, bool fromTestPage);
  // A window made for the request just told, before it is shown. `opener`
  // is the top-level window of the page's view.
  void popupMade(QWidget* window, QWebEnginePage* page, QWidget* opener);
  void popupShown(QWidget* window);
  void locate(QWebEnginePage* page, const QString& selector, std::function<void(QRect)> done);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Call {
    QString features;
    QString trigger;
    qint64 triggerAt = 0;
    std::optional<qint64> sinceActionMs;
    bool leaving = false;
    bool fromFrame = false;
  };

 public:
  struct Record;

 private:
  void installScript();
  void installWorldScript();
  // What the user last did in the main frame, by the renderer's clock, as
  // the page world's script saw it.
  struct Input {
    QString kind = QStringLiteral("script");
    double at = 0;
    double action = 0;
    bool actionInDialog = false;
  };
  void judgeFrames();
  Record* recordOf(QObject* window) const;
  void takeCall(Record& record, const Call& call);
  // A window.open call the page world's script told of; `refused` when the
  // engine gave the page no window.
  void takeOpen(const Call& call, bool refused);
  void measure(Record& record);
  void readPage(Record& record);
  void report(const Record& record);

  std::shared_ptr<const WindowStacking> stacking_;
  std::function<void(const PopupFacts&)> handler_;
  std::function<void(const PageNote&)> noteHandler_;
  QPointer<QWebEnginePage> page_;
  std::vector<std::unique_ptr<Record>> records_;
  std::deque<Call> calls_;  // window.open calls no window was made for yet
  struct Request {
    bool userGesture;
    QString kind;
    bool fromTestPage;
  };
  std::optional<Request> request_;
  QString secret_;       // of the page world's script in the main frame
  QString frameSecret_;  // of the page world's script in frames
  QString worldSecret_;  // of the program's world in the test page's frames
  bool watchDialogs_ = false;
  // The main frame's document of this load and of the load before, as
  // the world's script names them.
  QString document_;
  QString previousDocument_;
  Input input_;  // told only while dialogs are watched
  // In Page dialogs of this load, and what the frames of the test page
  // became: the documents that loaded, when a frame showed an error page,
  // and why the engine refused to frame an origin.
  struct Dialog {
    int worldNumber = 0;  // the world script's count
    qint64 openedAt = 0;
    PopupFacts facts;
  };
  void takeDialog(const QJsonArray& fields);
  std::vector<Dialog> dialogs_;
  QStringList framedDocuments_;
  qint64 lastFrameError_ = 0;
  std::vector<std::pair<QString, QString>> refusals_;
  // Documents made before it are the page being left.
  qint64 loadStartedAt_ = 0;
  int load_ = 0;
  int number_ = 0;
  bool popupsAllowed_ = false;
};

}  // namespace orvanta
