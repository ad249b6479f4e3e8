#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>

#include "preview/browsers/BrowserCheck.h"

namespace orvanta {

// "Check in Browsers": runs the check and shows, beside the preview's own
// report, what each engine did, one row per fact, differences marked.
// Not modal: the main window stays usable while engines run.
class BrowserCheckWindow : public QWidget {
  Q_OBJECT

 public:
  explicit BrowserCheckWindow(QWidget* parent = nullptr);
  ~BrowserCheckWindow() override;

  // Starts again with this page; `preview` fills the first column.
  void Start(const browsers::CheckPage& page, const browsers::EngineResult& preview);
  bool Running() const { return check_.Running(); }
  QTableWidget& table() { return *table_; }
  QString status() const { return status_->text(); }

 signals:
  void finished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Put(int column, const browsers::EngineResult& result);
  void MarkDifferences();

  browsers::BrowserCheck check_;
  QLabel* status_;
  QPushButton* cancel_;
  QTableWidget* table_;
};

}  // namespace orvanta
