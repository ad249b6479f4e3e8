#include "ui/FrmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>

#include "core/Generator.h"
#include "core/NumericEntry.h"
#include "orvanta/Version.h"
#include "preview/TestPages.h"
#include "preview/host/ModuleHost.h"
#include "preview/host/PreviewPlugin.h"
#include "ui/Appearance.h"
#include "ui/CodeText.h"
#include "ui/NameFilter.h"
#include "ui/Steps.h"
#include "ui/WorkFolder.h"
#include "ui/help/FieldHelp.h"
#include "ui/help/FrmConsult.h"
#include "ui/help/HelpManual.h"
#include "ui/help/HistoryCompletion.h"
#include "ui/help/MakerLinks.h"
#include "ui_FrmMain.h"

namespace orvanta {

namespace {

// Runs an action when the left button is released over the watched widget.
class ClickFilter : public QObject {
 public:
  ClickFilter(QWidget* target, std::function<void()> action)
      : QObject(target), action_(std::move(action)) {
    target->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      auto* widget = static_cast<QWidget*>(watched);
      if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint())) {
        action_();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

// Runs an action once, on the first paint of the watched widget.
class FirstPaintFilter : public QObject {
 public:
  FirstPaintFilter(QWidget* target, std::function<void()> action)
      : QObject(target), action_(std::move(action)) {
    target->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      watched->removeEventFilter(this);
      action_();
      deleteLater();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

// Swallows one kind of event of the watched widget.
class EventBlocker : public QObject {
 public:
  EventBlocker(QWidget* target, QEvent::Type type) : QObject(target), type_(type) {
    target->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override { return event->type() == type_; }

 private:
  QEvent::Type type_;
};

// F1 in any window of the program, modal dialogs and preview popups
// included, runs the action.
class HelpKeyFilter : public QObject {
 public:
  HelpKeyFilter(QObject* owner, std::function<void()> action)
      : QObject(owner), action_(std::move(action)) {
    QCoreApplication::instance()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The key reaches the window object first and then the widget: only the
    // widget's delivery counts.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
    key->accept();
    if (!key->isAutoRepeat()) action_();
    return true;
  }

 private:
  std::function<void()> action_;
};

QWidget* DeepestFocusProxy(QWidget* widget) {
  while (widget->focusProxy() != nullptr) widget = widget->focusProxy();
  return widget;
}

const QColor kLinkColour(0, 0, 128);

void MakeLink(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, kLinkColour);
  widget->setPalette(palette);
  widget->setCursor(Qt::PointingHandCursor);
}

// Only the text answers a click, not the empty rest of its row.
void FitCentred(QLabel* label) {
  const int room = label->parentWidget()->width();
  const int width = std::min(label->sizeHint().width(), room);
  label->setGeometry((room - width) / 2, label->y(), width, label->height());
}

// The maker's web address as people write it: without scheme and trailing
// slash.
QString AddressText(const char* page) {
  QString text = QUrl(QString::fromLatin1(page))
                     .toString(QUrl::RemoveScheme | QUrl::StripTrailingSlash);
  while (text.startsWith(QLatin1Char('/'))) text.remove(0, 1);
  return text;
}

// Read as PNG and nothing else: left to guess, the reader loads every image
// format plug-in to ask each whether the data is its own.
QPixmap Picture(const QString& name) {
  QImageReader reader(QStringLiteral(":/orvanta/icons/") + name, "png");
  reader.setAutoDetectImageFormat(false);
  return QPixmap::fromImage(reader.read());
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(Picture(QStringLiteral("orvanta-%1.png").arg(size)));
  return icon;
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

std::string ToUtf8(const QString& text) { return text.toStdString(); }

}  // namespace

FrmMain::FrmMain(FrmMainHooks hooks, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::frmMain>()), hooks_(std::move(hooks)) {
  setFont(DialogFont());
  ui_->setupUi(this);
  setFixedSize(504, 484);
  // The layout is fixed: offer no maximise button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  txtPixels_ = {ui_->txtPixels_0, ui_->txtPixels_1, ui_->txtPixels_2, ui_->txtPixels_3};
  vsbPixels_ = {ui_->vsbPixels_0, ui_->vsbPixels_1, ui_->vsbPixels_2, ui_->vsbPixels_3};
  txtDelay_ = {ui_->txtDelay_0, ui_->txtDelay_1};
  vsbDelay_ = {ui_->vsbDelay_0, ui_->vsbDelay_1};
  OptWin_ = {ui_->OptWin_0, ui_->OptWin_1, ui_->OptWin_2};
  OptAction_ = {ui_->OptAction_0, ui_->OptAction_1, ui_->OptAction_2,
                ui_->OptAction_3, ui_->OptAction_4, ui_->OptAction_5};
  chkWindOpt_ = {ui_->chkWindOpt_0, ui_->chkWindOpt_1, ui_->chkWindOpt_2, ui_->chkWindOpt_3,
                 ui_->chkWindOpt_4, ui_->chkWindOpt_5, ui_->chkWindOpt_6, ui_->chkWindOpt_7,
                 ui_->chkWindOpt_8, ui_->chkWindOpt_9};
  frmMenu_ = {ui_->frmMenu_0, ui_->frmMenu_1, ui_->frmMenu_2};
  FrmView_ = {ui_->FrmView_0, ui_->FrmView_1};

  QTabBar* tabs = ui_->tbsOptions;
  tabs->addTab(QStringLiteral("Main Screen"));
  tabs->addTab(QStringLiteral("View Code"));
  tabs->addTab(QStringLiteral("Preview"));
  tabs->setFocusPolicy(Qt::TabFocus);
  // The tabs take the height they need; the page area starts under them.
  const int tabHeight = tabs->sizeHint().height();
  tabs->setGeometry(2, 4, 499, tabHeight);
  const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, tabs);
  const int pageTop = 4 + tabHeight - overlap;
  ui_->tbsOptionsPage->setGeometry(2, pageTop, 499, 479 - pageTop);
  tabs->raise();

  const QIcon help = HelpIcon();
  for (QToolButton* button : {ui_->picHelp_0, ui_->picHelp_1, ui_->picHelp_2}) button->setIcon(help);
  ui_->picConsult->setIcon(ConsultIcon());
  for (QFrame* box : {ui_->boxWebBrowser1, ui_->boxWebBrowser2}) {
    box->setBackgroundRole(QPalette::Base);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  // Pages change by a click or the keyboard only: a wheel turned over the
  // tabs would rewrite the test pages on its way past "Preview".
  new EventBlocker(tabs, QEvent::Wheel);
  for (QPlainTextEdit* box : {ui_->txtCode, ui_->txtCodeLink}) UsePlainLineBreaks(*box);
  NameControls();

  ConnectControls();

  // Start-up.
  RunStep([&] {
    const QString programFolder = hooks_.programFolder.isEmpty()
                                      ? QCoreApplication::applicationDirPath()
                                      : hooks_.programFolder;
    const QString dataFolder =
        hooks_.dataFolder.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
            : hooks_.dataFolder;
    workFolder_ = ChooseWorkFolder(programFolder, dataFolder);
  });
  RunStep([&] { EnsureGoButtonIn(workFolder_); });
  productName_ = QStringLiteral("Orvanta");
  ui_->lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                               .arg(kVersionMajor)
                               .arg(kVersionMinor)
                               .arg(kVersionRevision));
  // The balloons, the icon and the address completion wait until the window
  // has painted: their fonts, pictures and worker thread would hold up its
  // first appearance, and none is needed before it.
  new FirstPaintFilter(this, [this] { QTimer::singleShot(0, this, [this] { AfterFirstPaint(); }); });
  setWindowTitle(productName_);
  ClearMainScreen();
  ShowPanel(-1);
  ShowPanel(0);
  FrmView_[0]->hide();
  FrmView_[1]->hide();
}

FrmMain::~FrmMain() {
  // The views' pages go before the shared profile, and both before the
  // views' parent widgets.
  if (previewHost_ != nullptr && previewHost_->load<PreviewFactory>() != nullptr)
    RunStep([&] { previewHost_->load<PreviewFactory>()->shutdown(); });
}

void FrmMain::ConnectControls() {
  QTabBar* tabs = ui_->tbsOptions;
  connect(tabs, &QTabBar::currentChanged, this, [this](int) { tbsOptions_Click(); });
  // A click on the tab already selected selects it again.
  connect(tabs, &QTabBar::tabBarClicked, this, [this, tabs](int index) {
    if (index >= 0 && index == tabs->currentIndex()) tbsOptions_Click();
  });

  connect(ui_->cmdGo_0, &QPushButton::clicked, this, [this] { cmdGo_Click(0); });
  connect(ui_->cmdGo_2, &QPushButton::clicked, this, [this] { cmdGo_Click(2); });
  connect(ui_->cmdCopy_0, &QPushButton::clicked, this, [this] { cmdCopy_Click(0); });
  connect(ui_->cmdCopy_1, &QPushButton::clicked, this, [this] { cmdCopy_Click(1); });
  connect(ui_->cmdsrc_2, &QPushButton::clicked, this, [this] { cmdsrc_Click(2); });
  connect(ui_->cmdAbout, &QPushButton::clicked, this, [this] { ShowPanel(0); });
  new ClickFilter(ui_->Label10, [this] { ShowPanel(2); });
  new ClickFilter(ui_->lblVexa_0, [this] { lblVexa_Click(0); });
  new ClickFilter(ui_->Image1, [this] { lblVexa_Click(1); });
  new ClickFilter(ui_->lblCompany_0, [this] { lblVexa_Click(1); });
  new ClickFilter(ui_->lblProducts_0, [this] { lblProducts_Click(0); });

  const std::array<QToolButton*, 3> help{ui_->picHelp_0, ui_->picHelp_1, ui_->picHelp_2};
  for (std::size_t i = 0; i < help.size(); ++i)
    connect(help[i], &QToolButton::clicked, this, [this, i] { picHelp_Click(static_cast<int>(i)); });
  connect(ui_->picConsult, &QToolButton::clicked, this, [this] { picConsult_Click(); });
  new HelpKeyFilter(this, [this] { OpenHelp(); });
  // Whatever puts the focus on a covered page, it goes to the page in view.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* /*old*/, QWidget* now) {
    if (now != nullptr && now->window() == this && IsCovered(now)) {
      focusedPage_ = nullptr;
      FocusFrontPage();
    }
  });

  for (QRadioButton* option : OptAction_)
    connect(option, &QRadioButton::toggled, this, [this](bool on) {
      if (on) OptAction_Click();
    });
  connect(ui_->ChkCenter, &QCheckBox::stateChanged, this, [this](int) { ChkCenter_Click(); });

  for (QLineEdit* field : txtPixels_)
    connect(field, &QLineEdit::textChanged, this, [this, field] { NumericField_Change(field); });
  for (QLineEdit* field : txtDelay_)
    connect(field, &QLineEdit::textChanged, this, [this, field] { NumericField_Change(field); });
  // The scroll bars are too short for a track, so the arrows carry the step
  // of 20 and the keyboard's page keys the step of 1.
  for (std::size_t i = 0; i < vsbPixels_.size(); ++i)
    connect(vsbPixels_[i], &QScrollBar::valueChanged, this,
            [this, i](int position) { txtPixels_[i]->setText(QString::number(std::abs(position))); });
  for (std::size_t i = 0; i < vsbDelay_.size(); ++i)
    connect(vsbDelay_[i], &QScrollBar::valueChanged, this,
            [this, i](int position) { txtDelay_[i]->setText(QString::number(std::abs(position))); });

  auto* nameFilter = new NameKeyFilter(this);
  ui_->txtName->installEventFilter(nameFilter);
  ui_->txtTitle->installEventFilter(nameFilter);
}

// ---- Commands ------------------------------------------------------------

void FrmMain::cmdGo_Click(int index) {
  switch (index) {
    case 0: {
      const PageSwitch pageSwitch(*this);
      RunStep([&] { GeneratePopupCode(); });
      RunStep([&] { ShowPanel(1); });
      RunStep([&] { SelectTab(2); });
      break;
    }
    case 2:
      ClearMainScreen();
      break;
    default:
      break;
  }
}

void FrmMain::ClearMainScreen() {
  ui_->txtName->setText(QString());
  ui_->txtTitle->setText(QString());
  ui_->txtURL->setText(QStringLiteral("http://"));
  OptAction_[0]->setChecked(true);
  for (QCheckBox* box : chkWindOpt_) box->setChecked(false);
  for (QLineEdit* field : txtPixels_) field->setText(QString());
  ui_->txtCode->setPlainText(QString());
  ui_->ChkCenter->setChecked(false);
  for (QLineEdit* field : txtDelay_) field->setText(QString());
}

void FrmMain::cmdCopy_Click(int index) {
  if (index != 0 && index != 1) return;
  QPlainTextEdit* box = index == 0 ? ui_->txtCode : ui_->txtCodeLink;
  RunStep([&] { box->setFocus(Qt::OtherFocusReason); });
  QClipboard* clipboard = QGuiApplication::clipboard();
  RunStep([&] { clipboard->clear(); });
  RunStep([&] { clipboard->setText(FromUtf8(FromWidgetText(*box))); });
}

void FrmMain::cmdsrc_Click(int index) {
  const PageSwitch pageSwitch(*this);
  switch (index) {
    case 2:
      RunStep([&] { WritePopupTestPage(); });
      RunStep([&] { ShellOpen(workFolder_ + QString::fromLatin1(kTestPageName)); });
      break;
    case 3:
      RunStep([&] {
        FrmView_[0]->show();
        FrmView_[0]->raise();
      });
      break;
    case 4:
      RunStep([&] {
        FrmView_[1]->show();
        FrmView_[1]->raise();
      });
      RunStep([&] { WritePopupTestPage(); });
      RunStep([&] { Navigate(0, kTestPageName); });
      RunStep([&] { WriteLinkTestPage(); });
      RunStep([&] { Navigate(1, kLinkTestPageName); });
      break;
    default:
      break;
  }
}

// ---- Help, About, consult ----------------------------------------------------

void FrmMain::OpenHelp() {
  RunStep([&] { OpenHelpManual(workFolder_, [this](const QUrl& target) { OpenUrl(target); }); });
}

void FrmMain::picHelp_Click(int /*index*/) { QTimer::singleShot(0, this, &FrmMain::OpenHelp); }

void FrmMain::picConsult_Click() {
  RunStep([&] { ShowConsult(this, [this](const QUrl& target) { OpenUrl(target); }); });
}

void FrmMain::lblVexa_Click(int /*index*/) {
  RunStep([&] { ShellOpen(QString::fromLatin1(maker::kHomePage)); });
}

void FrmMain::lblProducts_Click(int /*index*/) {
  RunStep([&] { ShellOpen(QString::fromLatin1(maker::kProductsPage)); });
}

void FrmMain::AfterFirstPaint() {
  RunStep([&] { SetupFieldHelp(this); });
  RunStep([&] { setWindowIcon(ProgramIcon()); });
  // Reads the history on a worker thread.
  RunStep([&] { EnableAutoComplete(ui_->txtURL, hooks_.homeFolder); });
}

void FrmMain::EnsureAboutPanel() {
  // Made ready when first shown, like the code font: decoding its pictures
  // and measuring its links would otherwise hold up the window's first
  // appearance.
  if (aboutReady_) return;
  aboutReady_ = true;
  QFont name = ui_->Label14->font();
  name.setFamily(QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive)
                     ? QStringLiteral("Tahoma")
                     : DialogFont().family());
  name.setBold(true);
  ui_->Label14->setFont(name);
  ui_->lblVexa_0->setText(AddressText(maker::kHomePage));
  for (QLabel* link : {ui_->lblCompany_0, ui_->lblVexa_0, ui_->lblProducts_0}) {
    MakeLink(link);
    FitCentred(link);
  }
  ui_->Image1->setCursor(Qt::PointingHandCursor);
  ui_->Image2->setPixmap(Picture(QStringLiteral("orvanta-48.png")));
  ui_->Image1->setPixmap(Picture(QStringLiteral("logo.png")));
}

// ---- Pages ---------------------------------------------------------------

void FrmMain::ShowPanel(int index) {
  const PageSwitch pageSwitch(*this);
  if (index == -1) {
    // The About panel is what remains in view (not so during start-up, when
    // the window is not shown yet).
    if (isVisible()) RunStep([&] { EnsureAboutPanel(); });
    frmMenu_[0]->hide();
    frmMenu_[1]->hide();
    return;
  }
  if (index < 0 || index >= static_cast<int>(frmMenu_.size())) return;
  if (index == 1) EnsureCodeFont();
  if (index == 2) RunStep([&] { EnsureAboutPanel(); });
  QWidget* page = frmMenu_[static_cast<std::size_t>(index)];
  page->show();
  page->raise();
}

void FrmMain::EnsureCodeFont() {
  // Set when the code page is first shown: loading a second font family
  // would otherwise hold up the window's first appearance.
  if (codeFontSet_) return;
  codeFontSet_ = true;
  const QFont font = CodeFont();
  for (QPlainTextEdit* box : {ui_->txtCode, ui_->txtCodeLink}) box->setFont(font);
}

void FrmMain::SelectTab(int number) {
  QTabBar* tabs = ui_->tbsOptions;
  if (number < 1 || number > tabs->count()) return;
  if (tabs->currentIndex() == number - 1)
    tbsOptions_Click();
  else
    tabs->setCurrentIndex(number - 1);  // currentChanged runs the handler
}

void FrmMain::tbsOptions_Click() {
  const PageSwitch pageSwitch(*this);
  switch (ui_->tbsOptions->currentIndex() + 1) {
    case 1:
      ShowPanel(0);
      break;
    case 2:
      ShowPanel(1);
      cmdsrc_Click(3);
      break;
    case 3:
      ShowPanel(1);
      cmdsrc_Click(4);
      break;
    default:
      break;
  }
}

FrmMain::PageSwitch::~PageSwitch() {
  if (--window_.pageSwitches_ == 0) RunStep([&] { window_.FocusFrontPage(); });
}

QWidget* FrmMain::FrontPage() const {
  // Children are kept bottom to top; the last one shown is in front.
  const auto topmost = [](const QWidget* parent, const auto& frames) {
    QWidget* top = nullptr;
    for (const QObject* child : parent->children()) {
      for (QWidget* frame : frames)
        if (child == frame && !frame->isHidden()) top = frame;
    }
    return top;
  };
  QWidget* page = topmost(frmMenu_[0]->parentWidget(), frmMenu_);
  if (page == frmMenu_[1]) {
    if (QWidget* view = topmost(frmMenu_[1], FrmView_)) page = view;
  }
  return page;
}

bool FrmMain::IsCovered(const QWidget* widget) const {
  const auto isFrame = [this](const QWidget* w) {
    return std::find(frmMenu_.begin(), frmMenu_.end(), w) != frmMenu_.end() ||
           std::find(FrmView_.begin(), FrmView_.end(), w) != FrmView_.end();
  };
  for (const QWidget* w = widget; w != nullptr && w != this; w = w->parentWidget()) {
    if (isFrame(w)) {
      const QWidget* front = FrontPage();
      return front == nullptr || !(w == front || w->isAncestorOf(front));
    }
  }
  return false;
}

QWidget* FrmMain::TabStop(QWidget* widget) const {
  const QWidget* target = DeepestFocusProxy(widget);
  QWidget* stop = widget;
  for (QWidget* w = widget->parentWidget(); w != nullptr && w != this; w = w->parentWidget())
    if (DeepestFocusProxy(w) == target) stop = w;
  return stop;
}

bool FrmMain::TakesTabFocus(QWidget* widget) const {
  if (widget == this || widget->window() != this || TabStop(widget) != widget) return false;
  const QWidget* proxy = DeepestFocusProxy(widget);
  return proxy->isEnabled() && (proxy->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
         widget->isVisibleTo(this) && widget->isEnabled() && !IsCovered(widget) &&
         !IsCovered(proxy);
}

bool FrmMain::focusNextPrevChild(bool next) {
  QWidget* current = focusWidget() != nullptr ? TabStop(focusWidget()) : this;
  QWidget* chosen = nullptr;
  for (QWidget* w = current->nextInFocusChain(); w != current; w = w->nextInFocusChain()) {
    if (!TakesTabFocus(w)) continue;
    chosen = w;
    if (next) break;
  }
  if (chosen == nullptr) return false;
  chosen->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

void FrmMain::FocusFrontPage() {
  QWidget* page = FrontPage();
  if (page == nullptr) return;
  QWidget* focus = focusWidget();
  // Arrow keys on the tab strip go on from tab to tab.
  if (focus == ui_->tbsOptions) {
    focusedPage_ = page;
    return;
  }
  const bool onPage = focus != nullptr && page->isAncestorOf(focus);
  if (page == focusedPage_ && onPage) return;
  focusedPage_ = page;
  // A view whose page is still loading cannot take the focus yet; it is
  // given it all the same and hands it on to the page once that is there.
  QWidget* first = page == FrmView_[1] && browsers_[0] != nullptr ? browsers_[0]->widget() : nullptr;
  for (QWidget* w = nextInFocusChain(); first == nullptr && w != this; w = w->nextInFocusChain())
    if (page->isAncestorOf(w) && TakesTabFocus(w)) first = w;
  if (first != nullptr)
    first->setFocus(Qt::OtherFocusReason);
  else if (focus != nullptr && IsCovered(focus))
    focus->clearFocus();
}

void FrmMain::NameControls() {
  // What a screen reader says a control is: the caption beside it. The
  // balloon texts become the descriptions when the balloons are attached.
  const std::pair<QWidget*, QString> names[] = {
      {ui_->txtName, ui_->Label5->text()},
      {ui_->txtTitle, ui_->Label8->text()},
      {ui_->txtURL, ui_->Label6->text()},
      {ui_->Frame2, ui_->Label1->text()},
      {txtPixels_[2], ui_->Label11->text()},
      {vsbPixels_[2], ui_->Label11->text()},
      {txtPixels_[3], ui_->Label4->text()},
      {vsbPixels_[3], ui_->Label4->text()},
      {txtPixels_[0], ui_->Label12->text()},
      {vsbPixels_[0], ui_->Label12->text()},
      {txtPixels_[1], ui_->Label2->text()},
      {vsbPixels_[1], ui_->Label2->text()},
      {txtDelay_[0], ui_->Label3->text()},
      {vsbDelay_[0], ui_->Label3->text()},
      {txtDelay_[1], ui_->Label17->text()},
      {vsbDelay_[1], ui_->Label17->text()},
      {ui_->txtCode, ui_->FrmView_0->title()},
      {ui_->txtCodeLink, ui_->Label7->text()},
      {ui_->picHelp_0, tr("Help")},
      {ui_->picHelp_1, tr("Help")},
      {ui_->picHelp_2, tr("Help")},
      {ui_->picConsult, tr("Customized JavaScript Programming")},
  };
  for (const auto& [control, name] : names) control->setAccessibleName(name.trimmed());
}

// ---- Input reactions -----------------------------------------------------

void FrmMain::OptAction_Click() {
  const bool timing = !OptAction_[static_cast<std::size_t>(ActivationKind::PageClose)]->isChecked();
  for (std::size_t i = 0; i < txtDelay_.size(); ++i) {
    txtDelay_[i]->setEnabled(timing);
    vsbDelay_[i]->setEnabled(timing);
    if (!timing) txtDelay_[i]->setText(QString());
  }
}

void FrmMain::ChkCenter_Click() {
  const bool position = !ui_->ChkCenter->isChecked();
  for (std::size_t i : {std::size_t{2}, std::size_t{3}}) {
    txtPixels_[i]->setEnabled(position);
    vsbPixels_[i]->setEnabled(position);
  }
}

void FrmMain::NumericField_Change(QLineEdit* field) {
  if (!IsNumericEntry(ToUtf8(field->text()))) field->setText(QString());
}

// ---- Generation ----------------------------------------------------------

PopupSettings FrmMain::ReadScreen() const {
  PopupSettings s;
  s.FunctionName = ToUtf8(ui_->txtName->text());
  s.WindowName = ToUtf8(ui_->txtTitle->text());
  s.PageUrl = ToUtf8(ui_->txtURL->text());
  s.Width = ToUtf8(txtPixels_[0]->text());
  s.Height = ToUtf8(txtPixels_[1]->text());
  s.Top = ToUtf8(txtPixels_[2]->text());
  s.Left = ToUtf8(txtPixels_[3]->text());
  s.Center = ui_->ChkCenter->isChecked() ? 1 : 0;
  for (std::size_t i = 0; i < OptWin_.size(); ++i)
    if (OptWin_[i]->isChecked()) s.Order = static_cast<WindowOrder>(i);
  for (std::size_t i = 0; i < chkWindOpt_.size(); ++i)
    s.WindowOptions[i] = chkWindOpt_[i]->isChecked() ? 1 : 0;
  s.DelaySeconds = ToUtf8(txtDelay_[0]->text());
  s.CloseSeconds = ToUtf8(txtDelay_[1]->text());
  for (std::size_t i = 0; i < OptAction_.size(); ++i)
    if (OptAction_[i]->isChecked()) s.Activation = static_cast<ActivationKind>(i);
  return s;
}

void FrmMain::WriteBack(const PopupSettings& repaired) {
  ui_->txtURL->setText(FromUtf8(repaired.PageUrl));
  ui_->txtName->setText(FromUtf8(repaired.FunctionName));
  ui_->txtTitle->setText(FromUtf8(repaired.WindowName));
  txtDelay_[0]->setText(FromUtf8(repaired.DelaySeconds));
  txtDelay_[1]->setText(FromUtf8(repaired.CloseSeconds));
  txtPixels_[0]->setText(FromUtf8(repaired.Width));
  txtPixels_[1]->setText(FromUtf8(repaired.Height));
  txtPixels_[2]->setText(FromUtf8(repaired.Top));
  txtPixels_[3]->setText(FromUtf8(repaired.Left));
}

void FrmMain::GeneratePopupCode() {
  std::optional<Generation> result;
  RunStep([&] { result = orvanta::GeneratePopupCode(ReadScreen()); });
  if (!result) return;
  RunStep([&] { WriteBack(result->Settings); });
  RunStep([&] { SetCodeText(*ui_->txtCode, result->Code.PopupCode); });
  RunStep([&] { SetCodeText(*ui_->txtCodeLink, result->Code.LinkCode); });
  RunStep([&] { orvanta::WritePopupTestPage(ToUtf8(workFolder_), result->Code.PopupCode); });
  // The link page is built from the box, which holds the new link code now.
  RunStep([&] { WriteLinkTestPage(); });
}

void FrmMain::WritePopupTestPage() {
  orvanta::WritePopupTestPage(ToUtf8(workFolder_), FromWidgetText(*ui_->txtCode));
}

void FrmMain::WriteLinkTestPage() {
  orvanta::WriteLinkTestPage(ToUtf8(workFolder_), FromWidgetText(*ui_->txtCodeLink));
}

// ---- Shell and preview ---------------------------------------------------

void FrmMain::ShellOpen(const QString& target) {
  orvanta::OpenUrl(target.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(target)
                                                       : QUrl(target, QUrl::TolerantMode),
                   hooks_.shellOpen);
}

void FrmMain::OpenUrl(const QUrl& target) { orvanta::OpenUrl(target, hooks_.shellOpen); }

PreviewBrowser* FrmMain::browser(int index) const {
  if (index < 0 || index >= static_cast<int>(browsers_.size())) return nullptr;
  return browsers_[static_cast<std::size_t>(index)];
}

bool FrmMain::EnsurePreviewViews() {
  if (browsers_[0] != nullptr && browsers_[1] != nullptr) return true;
  if (previewHost_ == nullptr)
    previewHost_ = std::make_unique<ModuleHost>(kPreviewModule, hooks_.pluginFolders);
  PreviewFactory* factory = previewHost_->load<PreviewFactory>();
  if (factory == nullptr) {
    // Without the module the pages are still written; say why nothing shows.
    if (previewError_ == nullptr) {
      previewError_ = new QLabel(ui_->boxWebBrowser1);
      previewError_->setObjectName(QStringLiteral("lblPreviewError"));
      previewError_->setWordWrap(true);
      previewError_->setAlignment(Qt::AlignCenter);
      previewError_->setText(tr("The preview is not available:\n%1").arg(previewHost_->error()));
      ui_->boxWebBrowser1->layout()->addWidget(previewError_);
      previewError_->show();
    }
    return false;
  }
  const std::array<QFrame*, 2> boxes{ui_->boxWebBrowser1, ui_->boxWebBrowser2};
  const std::array<const char*, 2> names{"WebBrowser1", "WebBrowser2"};
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    if (browsers_[i] != nullptr) continue;
    PreviewBrowser* view = factory->createBrowser(boxes[i]);
    if (view == nullptr) return false;
    browsers_[i] = view;
    QWidget* widget = view->widget();
    widget->setObjectName(QString::fromLatin1(names[i]));
    widget->setAccessibleName(i == 0 ? ui_->FrmView_1->title() : ui_->Label9->text());
    boxes[i]->layout()->addWidget(widget);
    const int number = static_cast<int>(i) + 1;
    view->setLoadFinishedHandler([this, number](bool ok) { emit previewLoadFinished(number, ok); });
    view->setPopupOpenedHandler([this](QWidget* popup) { emit previewPopupOpened(popup); });
    widget->show();
  }
  // Only widgets that take the focus can be put in the focus order; the
  // views take it through their pages.
  for (PreviewBrowser* view : browsers_) view->widget()->setFocusPolicy(Qt::StrongFocus);
  setTabOrder(browsers_[0]->widget(), ui_->picHelp_1);
  setTabOrder(ui_->picHelp_1, browsers_[1]->widget());
  setTabOrder(browsers_[1]->widget(), ui_->cmdsrc_2);
  return true;
}

void FrmMain::Navigate(int view, const char* pageName) {
  if (!EnsurePreviewViews()) return;
  browsers_[static_cast<std::size_t>(view)]->navigate(workFolder_ + QString::fromLatin1(pageName));
}

void FrmMain::closeEvent(QCloseEvent* event) {
  // Popups are top-level windows: they close with the main window.
  if (previewHost_ != nullptr && previewHost_->load<PreviewFactory>() != nullptr)
    RunStep([&] { previewHost_->load<PreviewFactory>()->closeAllPopups(); });
  QWidget::closeEvent(event);
}

}  // namespace orvanta
