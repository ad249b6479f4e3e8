#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWebEngineNewWindowRequest>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "modules/host/PreviewPlugin.h"
#include "preview/webengine/WindowStacking.h"

class QWebEnginePage;

namespace orvanta {

// Reads "left=20,top=10,width=400,height=200,..." the way a browser does for
// window placement: unknown or malformed entries are ignored.
QRect RequestedGeometry(const QString& features, const QRect& fallback);

// Watches what the engine does with the windows the test page of one view
// asks for, and tells the handler each time it learns more. The browser hands
// it the events; it keeps no window alive.
//
// What the test page's own script did reaches the probe only from a script
// it puts into the page before any of the page's, which keeps its own
// references to what it uses and speaks with a secret made for each load:
// the page can neither change what it reports nor write in its name.
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
  // The view is about to load another page: records and numbering start
  // again, and the next document gets a new secret.
  void newLoad();
  // Whether the engine lets the view's pages open windows without a user
  // action; set by the browser.
  void setPopupsAllowed(bool allowed) { popupsAllowed_ = allowed; }
  // A console message of the watched page; true when it was the probe's own.
  bool takeMessage(const QString& message);
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
  Record* recordOf(QObject* window) const;
  void takeCall(Record& record, const Call& call);
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
  QString secret_;
  QString previousSecret_;  // the page being left still speaks with it
  int load_ = 0;
  int number_ = 0;
  bool popupsAllowed_ = false;
};

}  // namespace orvanta
