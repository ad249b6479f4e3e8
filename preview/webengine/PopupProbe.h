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

class QWebEnginePage;
class QWebEngineProfile;

namespace orvanta {

// Reads "left=20,top=10,width=400,height=200,..." the way a browser does for
// window placement: unknown or malformed entries are ignored.
QRect RequestedGeometry(const QString& features, const QRect& fallback);

// Watches what the engine does with the windows the pages of one browser
// ask for, and tells the handler each time it learns more. The browser hands
// it the events; it keeps no window alive.
class PopupProbe : public QObject {
  Q_OBJECT
 public:
  explicit PopupProbe(QObject* parent = nullptr);
  ~PopupProbe() override;

  // Off when ORVANTA_NO_POPUP_REPORT is set, for a baseline without it.
  static bool enabled();
  // Makes every page of the profile tell what started each window.open call;
  // after the page-leaving script, so that it sees the calls that one takes.
  static void install(QWebEngineProfile* profile);

  void setHandler(std::function<void(const PopupFacts&)> handler);
  // A page of the browser: the main one or that of a popup.
  void watchPage(QWebEnginePage* page, bool main);
  // A console message of a watched page; true when it was the probe's own.
  bool takeMessage(const QString& message);
  // What the engine asked for, just before the window for it is made.
  void windowRequested(const QWebEngineNewWindowRequest& request);
  // A window made for a page's request, before it is shown.
  // `opener` is the top-level window of the page's view.
  void popupMade(QWidget* window, QWebEnginePage* page, QWidget* opener, bool handedOver);
  void popupShown(QWidget* window);
  void locate(QWebEnginePage* page, const QString& selector, std::function<void(QRect)> done);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Call {
    QString features;
    QString trigger;
    qint64 triggerAt = 0;
  };
  struct Record;

  // The main page started loading another page: numbering starts again.
  void pageStarted();
  Record* recordOf(QObject* window) const;
  void takeCall(Record& record, const Call& call);
  void measure(Record& record);
  void readBars(Record& record);
  void report(const Record& record);

  std::function<void(const PopupFacts&)> handler_;
  std::vector<std::unique_ptr<Record>> records_;
  std::deque<Call> calls_;  // window.open calls no window was made for yet
  struct Request {
    bool userGesture;
    QString kind;
  };
  std::optional<Request> request_;
  int number_ = 0;
};

}  // namespace orvanta
