#include "ui/BrowserCheckWindow.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QVBoxLayout>

#include "preview/browsers/Engines.h"

namespace orvanta {

namespace {

int ColumnOf(const QString& engine) {
  const auto& engines = browsers::KnownEngines();
  for (size_t i = 0; i < engines.size(); ++i)
    if (engines[i].Name == engine) return static_cast<int>(i) + 1;
  return 0;
}

QString TitleOf(const QString& engine) {
  for (const auto& info : browsers::KnownEngines())
    if (info.Name == engine) return info.Title;
  return engine;
}

}  // namespace

BrowserCheckWindow::BrowserCheckWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      status_(new QLabel(this)),
      cancel_(new QPushButton(tr("Cancel"), this)),
      table_(new QTableWidget(this)) {
  setWindowTitle(tr("Check in Browsers"));
  setObjectName(QStringLiteral("BrowserCheckWindow"));
  status_->setObjectName(QStringLiteral("lblCheckStatus"));
  cancel_->setObjectName(QStringLiteral("cmdCheckCancel"));
  table_->setObjectName(QStringLiteral("tblCheck"));
  QStringList headers{tr("Preview")};
  for (const auto& info : browsers::KnownEngines()) headers << info.Title;
  table_->setColumnCount(static_cast<int>(headers.size()));
  table_->setHorizontalHeaderLabels(headers);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(true);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(status_, 1);
  top->addWidget(cancel_);
  layout->addLayout(top);
  layout->addWidget(table_);
  resize(860, 420);

  connect(cancel_, &QPushButton::clicked, this, [this] {
    check_.Cancel();
    cancel_->setEnabled(false);
    status_->setText(tr("Cancelling: ending the engine's processes…"));
  });
  connect(&check_, &browsers::BrowserCheck::Progress, this,
          [this](const QString& engine, const QString& step) {
            status_->setText(tr("%1: %2").arg(TitleOf(engine), step));
          });
  connect(&check_, &browsers::BrowserCheck::EngineDone, this,
          [this](const browsers::EngineResult& result) {
            Put(ColumnOf(result.Engine), result);
            MarkDifferences();
          });
  connect(&check_, &browsers::BrowserCheck::Finished, this, [this] {
    cancel_->setEnabled(false);
    status_->setText(
        tr("Done. Marked cells differ from the preview (or, without it, from the "
           "first engine measured)."));
    emit finished();
  });
}

BrowserCheckWindow::~BrowserCheckWindow() = default;

void BrowserCheckWindow::Start(const browsers::CheckPage& page,
                               const browsers::EngineResult& preview) {
  if (check_.Running()) return;
  table_->clearContents();
  Put(0, preview);
  QStringList engines;
  for (const auto& info : browsers::KnownEngines()) engines << info.Name;
  cancel_->setEnabled(true);
  status_->setText(tr("Starting…"));
  check_.Start(engines, page);
}

void BrowserCheckWindow::Put(int column, const browsers::EngineResult& result) {
  const auto facts = result.Facts();
  if (table_->rowCount() != static_cast<int>(facts.size())) {
    table_->setRowCount(static_cast<int>(facts.size()));
    QStringList rows;
    for (const auto& fact : facts) rows << fact.first;
    table_->setVerticalHeaderLabels(rows);
  }
  for (int row = 0; row < static_cast<int>(facts.size()); ++row)
    table_->setItem(row, column, new QTableWidgetItem(facts[static_cast<size_t>(row)].second));
}

void BrowserCheckWindow::MarkDifferences() {
  // Against the preview when it was measured, else against the first engine.
  int reference = 0;
  const auto measured = [this](int column) {
    const QTableWidgetItem* verdict = table_->item(0, column);
    return verdict != nullptr && verdict->text() != QLatin1String("Not measured") &&
           verdict->text() != QLatin1String("Not installed") &&
           verdict->text() != QLatin1String("Check failed");
  };
  while (reference + 1 < table_->columnCount() && !measured(reference)) ++reference;
  // The engine's name and the reason's wording differ by nature.
  for (int row = 0; row < table_->rowCount(); ++row) {
    const QString fact = table_->verticalHeaderItem(row)->text();
    if (fact == QLatin1String("Engine") || fact == QLatin1String("Reason")) continue;
    const QTableWidgetItem* preview = table_->item(row, reference);
    for (int column = reference + 1; column < table_->columnCount(); ++column) {
      QTableWidgetItem* cell = table_->item(row, column);
      const QTableWidgetItem* verdict = table_->item(0, column);
      if (cell == nullptr || verdict == nullptr ||
          verdict->text() == QLatin1String("Not installed"))
        continue;
      const bool differs = preview == nullptr || cell->text() != preview->text();
      QFont font = cell->font();
      font.setBold(differs);
      cell->setFont(font);
      cell->setBackground(differs ? QBrush(QColor(255, 236, 179)) : QBrush());
      cell->setToolTip(differs ? tr("Differs from the %1 column")
                                     .arg(table_->horizontalHeaderItem(reference)->text())
                               : QString());
    }
  }
}

void BrowserCheckWindow::closeEvent(QCloseEvent* event) {
  check_.Cancel();
  event->accept();
}

}  // namespace orvanta
