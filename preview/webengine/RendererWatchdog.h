#pragma once

#include <QObject>
#include <functional>

class QWebEnginePage;

namespace orvanta {

// Ends the renderer all preview pages share when a page keeps it from
// answering, so that a page that never gives the thread back cannot hold the
// preview. The views hear of it first and load again what was cut short.
class RendererWatchdog : public QObject {
  Q_OBJECT
 public:
  // How long a renderer gets to answer before it counts as hung: asked
  // twice, so that a slow machine is not taken for a hung page.
  static constexpr int kAnswerWaitMs = 450;

  explicit RendererWatchdog(QObject* parent = nullptr);

  // Asks the page's renderer to answer; runs `hung` when it did not within
  // `waitMs` while no page dialog held it. Nothing runs once `context` is gone.
  static void probe(QWebEnginePage* page, int waitMs, QObject* context, std::function<void()> hung);
  // A load that gets no answer twice while `stillWaiting` ends the renderer.
  void watchLoad(QWebEnginePage* page, QObject* context, std::function<bool()> stillWaiting);
  // The page went out of sight: when it does not answer in time while
  // `stillHidden`, its renderer is ended.
  void watchLeave(QWebEnginePage* page, QObject* context, std::function<bool()> stillHidden);
  // Ends the page's renderer, once per renderer.
  void end(const QWebEnginePage* page);

 signals:
  // The renderer is about to be ended on purpose.
  void ending();

 private:
  qint64 endedPid_ = 0;
};

}  // namespace orvanta
