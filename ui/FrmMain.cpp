#include "ui/FrmMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>
#include <functional>
#include <optional>
#include <utility>

#include "core/EntryRule.h"
#include "core/Generator.h"
#include "core/NumericEntry.h"
#include "core/SettingsFields.h"
#include "modules/host/PreviewPlugin.h"
#include "orvanta/Version.h"
#include "preview/session/PreviewSession.h"
#include "ui/AboutPanel.h"
#include "ui/AccessibleControls.h"
#include "ui/Appearance.h"
#include "ui/BrowserCheckWindow.h"
#include "ui/BrowsersMode.h"
#include "ui/CodeText.h"
#include "ui/NameFilter.h"
#include "ui/help/FieldHelp.h"
#include "ui/help/FrmConsult.h"
#include "ui/help/HelpManual.h"
#include "ui/help/HistoryCompletion.h"
#include "ui/help/MakerLinks.h"
#include "ui/help/WidgetTools.h"
#include "ui_FrmMain.h"

namespace orvanta {

namespace {

constexpr std::size_t kScrollBarsOption = 5;  // the one window option a frame has

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

std::string ToUtf8(const QString& text) { return text.toStdString(); }

}  // namespace

FrmMain::FrmMain(FrmMainHooks hooks, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::frmMain>()), hooks_(std::move(hooks)) {
  SetUpForm();
  NameControls();
  ConnectCommands();
  ConnectInputs();
  StartUp();
  const qsizetype ownActions = actions().size();
  settingsCommands_ = std::make_unique<SettingsCommands>(
      *this, *frmMenu_[0],
      SettingsCommands::Screen{[this] { return ReadScreen(); },
                               [this](const PopupSettings& s) { FillScreen(s); }},
      hooks_.settingsFiles);
  settingsActions_ = actions().mid(ownActions);
  // The window's one menu, by a right click, the Menu key or Shift+F10.
  setContextMenuPolicy(Qt::DefaultContextMenu);
}

FrmMain::~FrmMain() = default;

void FrmMain::SetUpForm() {
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
  OptWin_ = {ui_->OptWin_0, ui_->OptWin_1, ui_->OptWin_2, ui_->OptWin_3};
  OptAction_ = {ui_->OptAction_0, ui_->OptAction_1, ui_->OptAction_2,
                ui_->OptAction_3, ui_->OptAction_4, ui_->OptAction_5};
  chkWindOpt_ = {ui_->chkWindOpt_0, ui_->chkWindOpt_1, ui_->chkWindOpt_2, ui_->chkWindOpt_3,
                 ui_->chkWindOpt_4, ui_->chkWindOpt_5, ui_->chkWindOpt_6, ui_->chkWindOpt_7,
                 ui_->chkWindOpt_8, ui_->chkWindOpt_9};
  frmMenu_ = {ui_->frmMenu_0, ui_->frmMenu_1, ui_->frmMenu_2};
  FrmView_ = {ui_->FrmView_0, ui_->FrmView_1};
  fields_ = std::make_unique<FieldBinding>(*this);

  PlaceTabs();
  const QIcon help = HelpIcon();
  for (QToolButton* button : {ui_->picHelp_0, ui_->picHelp_1, ui_->picHelp_2})
    button->setIcon(help);
  ui_->picConsult->setIcon(ConsultIcon());
  for (QFrame* box : {ui_->boxWebBrowser1, ui_->boxWebBrowser2}) {
    box->setBackgroundRole(QPalette::Base);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  for (QPlainTextEdit* box : {ui_->txtCode, ui_->txtCodeLink}) {
    UsePlainLineBreaks(*box);
    CopyWithLineBreaks(*box);
  }
  // Quiet lines: no dialog, no sound, only a sentence.
  const auto quietLine = [](QWidget* parent, const char* name, const QRect& place) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
  };
  lblCodeNote_ = quietLine(ui_->FrmView_0, "lblCodeNote", QRect(128, 270, 300, 30));
  lblEntryNote_ = quietLine(ui_->Frame5, "lblEntryNote", QRect(88, 79, 240, 20));
  KeepEdgesVisible(this);
  SetUpKeyboard();
}

namespace {

// Underlines `letter` in the caption: its first occurrence in that case,
// else in the other. The words stay as written.
QString WithMnemonic(QString caption, QChar letter) {
  qsizetype at = caption.indexOf(letter);
  if (at < 0) at = caption.indexOf(letter, 0, Qt::CaseInsensitive);
  if (at >= 0) caption.insert(at, QLatin1Char('&'));
  return caption;
}

}  // namespace

namespace {

struct Command {
  const char* Name;
  QString Text;
  std::function<void()> Run;
  QList<QKeySequence> Keys;
};

}  // namespace

void FrmMain::SetUpKeyboard() {
  const std::pair<QLabel*, std::pair<QWidget*, char>> labels[] = {
      {ui_->Label5, {ui_->txtName, 'F'}},     {ui_->Label8, {ui_->txtTitle, 'N'}},
      {ui_->Label6, {ui_->txtURL, 'U'}},      {ui_->Label1, {ui_->OptWin_0, 'y'}},
      {ui_->Label11, {txtPixels_[2], 'T'}},   {ui_->Label4, {txtPixels_[3], 'L'}},
      {ui_->Label12, {txtPixels_[0], 'W'}},   {ui_->Label2, {txtPixels_[1], 'H'}},
      {ui_->Label3, {txtDelay_[0], 'D'}},     {ui_->Label17, {txtDelay_[1], 'A'}},
      {ui_->Label7, {ui_->txtCodeLink, 'i'}},
  };
  for (const auto& [label, target] : labels) {
    label->setText(WithMnemonic(label->text(), QLatin1Char(target.second)));
    label->setBuddy(target.first);
  }
  // The options share the letters the entries leave free, two to a letter:
  // a second press goes on to the other.
  const std::pair<QAbstractButton*, char> buttons[] = {
      {ui_->ChkCenter, 'C'},     {ui_->cmdGo_0, 'G'},   {ui_->cmdGo_2, 'r'},
      {ui_->cmdCopy_0, 'o'},     {ui_->cmdCopy_1, 'k'}, {ui_->cmdsrc_2, 'B'},
      {ui_->cmdPageReload, 'e'}, {chkWindOpt_[0], 'o'}, {chkWindOpt_[1], 'i'},
      {chkWindOpt_[2], 'i'},     {chkWindOpt_[3], 'S'}, {chkWindOpt_[4], 'B'},
      {chkWindOpt_[5], 'B'},     {chkWindOpt_[6], 'z'}, {chkWindOpt_[7], 'e'},
      {chkWindOpt_[8], 'S'},     {chkWindOpt_[9], 'e'},
  };
  for (const auto& [button, letter] : buttons)
    button->setText(WithMnemonic(button->text(), QLatin1Char(letter)));
  // The group's letter goes to its chosen option.
  ui_->Frame1->setTitle(WithMnemonic(ui_->Frame1->title(), QLatin1Char('o')));
  QTabBar* tabs = ui_->tbsOptions;
  const char tabLetters[] = {'M', 'V', 'P'};
  for (int i = 0; i < tabs->count(); ++i)
    tabs->setTabText(i, WithMnemonic(tabs->tabText(i), QLatin1Char(tabLetters[i])));

  // Outside a dialog a push button ignores Enter unless told otherwise.
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(true);
  // The classic style draws no focus on a scroll bar.
  for (QScrollBar* bar : vsbPixels_) new FocusFrame(bar);
  for (QScrollBar* bar : vsbDelay_) new FocusFrame(bar);
  MakeActions();
}

void FrmMain::MakeActions() {
  const Command commands[] = {
      {"actGenerateCode", tr("&Generate Code"), [this] { generateCode(); }, {}},
      {"actClearScreen", tr("&Clear"), [this] { clearScreen(); }, {}},
      {"actCopyPopupCode", tr("Cop&y Popup Code"), [this] { copyPopupCode(); }, {}},
      {"actCopyLinkCode", tr("Copy &Link Code"), [this] { copyLinkCode(); }, {}},
      {"actLaunchInBrowser", tr("Launch in &Browser"), [this] { launchInBrowser(); }, {}},
      {"actReloadPreview",
       tr("R&eload Test Page"),
       [this] { reloadPreview(); },
       {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)}},
      {"actMouseOverLink",
       tr("Mouse Over the L&ink"),
       [this] { mouseOverLink(); },
       {QKeySequence(Qt::CTRL | Qt::Key_M)}},
      {"actShowMainScreen",
       tr("&Main Screen"),
       [this] { showMainScreen(); },
       {QKeySequence(Qt::ALT | Qt::Key_1)}},
      {"actShowCode",
       tr("&View Code"),
       [this] { showCode(); },
       {QKeySequence(Qt::ALT | Qt::Key_2)}},
      {"actShowPreview",
       tr("&Preview"),
       [this] { showPreview(); },
       {QKeySequence(Qt::ALT | Qt::Key_3)}},
      {"actShowAbout", tr("Abo&ut"), [this] { showAbout(); }, {}},
      {"actOpenHelp", tr("&Help"), [this] { openHelp(); }, {}},
      {"actQuit", tr("&Quit"), [this] { close(); }, {QKeySequence(Qt::CTRL | Qt::Key_Q)}},
      {"actCloseAbout",
       tr("Close About"),
       [this] { closeAbout(); },
       {QKeySequence(Qt::Key_Escape)}},
      {"actNextTab",
       tr("Next Tab"),
       [this] { StepTab(1); },
       {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}},
      {"actPreviousTab",
       tr("Previous Tab"),
       [this] { StepTab(-1); },
       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)}},
      {"actCommandMenu",
       tr("Commands"),
       [this] { showCommandMenu(); },
       {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}},
  };
  for (const Command& command : commands) {
    auto* action = new QAction(command.Text, this);
    action->setObjectName(QString::fromLatin1(command.Name));
    action->setShortcuts(command.Keys);
    connect(action, &QAction::triggered, this, command.Run);
    addAction(action);
  }
}

QMenu& FrmMain::CommandMenu() {
  // Made when first asked for: nothing of it is needed for the first paint.
  if (commandMenu_ != nullptr) return *commandMenu_;
  commandMenu_ = new QMenu(this);
  commandMenu_->setObjectName(QStringLiteral("commandMenu"));
  const char* const groups[][6] = {
      {"actGenerateCode", "actClearScreen"},
      {"actCopyPopupCode", "actCopyLinkCode", "actLaunchInBrowser", "actReloadPreview",
       "actMouseOverLink"},
      {"actShowMainScreen", "actShowCode", "actShowPreview", "actShowAbout"},
  };
  for (const auto& group : groups) {
    for (const char* name : group)
      if (name != nullptr) commandMenu_->addAction(findChild<QAction*>(QLatin1String(name)));
    commandMenu_->addSeparator();
  }
  commandMenu_->addActions(settingsActions_);
  commandMenu_->addSeparator();
  commandMenu_->addAction(findChild<QAction*>(QStringLiteral("actOpenHelp")));
  commandMenu_->addAction(findChild<QAction*>(QStringLiteral("actQuit")));
  return *commandMenu_;
}

void FrmMain::PlaceTabs() {
  QTabBar* tabs = ui_->tbsOptions;
  tabs->addTab(QStringLiteral("Main Screen"));
  tabs->addTab(QStringLiteral("View Code"));
  tabs->addTab(QStringLiteral("Preview"));
  tabs->setTabToolTip(0, tr("The entries for the popup"));
  tabs->setTabToolTip(1, tr("The code made from them, to copy"));
  tabs->setTabToolTip(2, tr("The code at work in test pages"));
  tabs->setFocusPolicy(Qt::TabFocus);
  // The tabs take the height they need; the page area starts under them.
  const int tabHeight = tabs->sizeHint().height();
  tabs->setGeometry(2, 4, 499, tabHeight);
  const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, tabs);
  const int pageTop = 4 + tabHeight - overlap;
  ui_->tbsOptionsPage->setGeometry(2, pageTop, 499, 479 - pageTop);
  tabs->raise();
  // Pages change by a click or the keyboard only: a wheel turned over the
  // tabs would rewrite the test pages on its way past "Preview".
  new EventBlocker(tabs, QEvent::Wheel);
}

void FrmMain::StartUp() {
  PreviewSetup setup = hooks_;
  session_ = std::make_unique<PreviewSession>(
      std::move(setup), std::array<QFrame*, 2>{ui_->boxWebBrowser1, ui_->boxWebBrowser2});
  connect(session_.get(), &PreviewSession::viewsMade, this, &FrmMain::NameViews);
  connect(session_.get(), &PreviewSession::loadFinished, this, &FrmMain::OrderViews);
  connect(session_.get(), &PreviewSession::loadFinished, this, &FrmMain::previewLoadFinished);
  connect(session_.get(), &PreviewSession::popupOpened, this, &FrmMain::previewPopupOpened);
  connect(session_.get(), &PreviewSession::popupFacts, this, &FrmMain::PopupFactsArrived);
  connect(session_.get(), &PreviewSession::stoppedChanged, this, [this] {
    ui_->cmdPageReload->setEnabled(session_->AnyStopped());
    EnableCommands();
  });
  connect(session_.get(), &PreviewSession::pageNote, this, &FrmMain::PageNoteArrived);

  ui_->lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                               .arg(kVersionMajor)
                               .arg(kVersionMinor)
                               .arg(kVersionRevision));
  // The balloons, the icon and the address completion wait until the window
  // has painted: their fonts, pictures and worker thread would hold up its
  // first appearance, and none is needed before it.
  new FirstPaintFilter(this,
                       [this] { QTimer::singleShot(0, this, [this] { AfterFirstPaint(); }); });
  setWindowTitle(QStringLiteral("Orvanta"));
  ClearMainScreen();
  ShowPage(Page::Input);
}

void FrmMain::ConnectCommands() {
  QTabBar* tabs = ui_->tbsOptions;
  connect(tabs, &QTabBar::currentChanged, this, [this](int) { tbsOptions_Click(); });
  // A click on the tab already selected selects it again.
  connect(tabs, &QTabBar::tabBarClicked, this, [this, tabs](int index) {
    if (index >= 0 && index == tabs->currentIndex()) tbsOptions_Click();
  });

  connect(ui_->cmdGo_0, &QPushButton::clicked, this, &FrmMain::generateCode);
  connect(ui_->cmdGo_2, &QPushButton::clicked, this, &FrmMain::clearScreen);
  connect(ui_->cmdCopy_0, &QPushButton::clicked, this, &FrmMain::copyPopupCode);
  connect(ui_->cmdCopy_1, &QPushButton::clicked, this, &FrmMain::copyLinkCode);
  connect(ui_->cmdsrc_2, &QPushButton::clicked, this, &FrmMain::launchInBrowser);
  connect(ui_->cmdPageReload, &QPushButton::clicked, this, &FrmMain::reloadPreview);
  auto* check = new QPushButton(tr("Check in Browsers"), ui_->cmdPageReload->parentWidget());
  check->setObjectName(QStringLiteral("cmdCheckBrowsers"));
  check->setToolTip(tr("Runs the test page in Chromium, Firefox and WebKit and compares them"));
  check->setGeometry(214, 380, std::max(121, check->sizeHint().width()), 21);
  // The check box sits on the report's line, above it.
  const std::array<QWidget*, 6> previewChain = {ui_->chkAllowPopups, ui_->txtReport,
                                                ui_->picHelp_1,      ui_->cmdsrc_2,
                                                ui_->cmdPageReload,  check};
  for (std::size_t i = 1; i < previewChain.size(); ++i)
    setTabOrder(previewChain[i - 1], previewChain[i]);
  connect(check, &QPushButton::clicked, this, &FrmMain::CheckInBrowsers);
  // Off at every start: what visitors get is the rule.
  connect(ui_->chkAllowPopups, &QCheckBox::toggled, this,
          [this](bool on) { session_->SetPopupsAllowed(on); });
  connect(ui_->cmdAbout, &QPushButton::clicked, this, &FrmMain::closeAbout);
  new ClickFilter(ui_->Label10, [this] { showAbout(); });
  new KeyLink(ui_->Label10, [this] { showAbout(); });
  KeepLinkReadable(ui_->Label10);
  new KeyLink(ui_->lblCompany_0, [this] { lblVexa_Click(1); });
  new KeyLink(ui_->lblVexa_0, [this] { lblVexa_Click(0); });
  new KeyLink(ui_->lblProducts_0, [this] { lblProducts_Click(0); });
  setTabOrder(ui_->cmdGo_2, ui_->Label10);
  setTabOrder(ui_->Label10, ui_->picHelp_2);
  setTabOrder(ui_->cmdAbout, ui_->lblCompany_0);
  setTabOrder(ui_->lblCompany_0, ui_->lblVexa_0);
  setTabOrder(ui_->lblVexa_0, ui_->lblProducts_0);
  new ClickFilter(ui_->lblVexa_0, [this] { lblVexa_Click(0); });
  new ClickFilter(ui_->Image1, [this] { lblVexa_Click(1); });
  new ClickFilter(ui_->lblCompany_0, [this] { lblVexa_Click(1); });
  new ClickFilter(ui_->lblProducts_0, [this] { lblProducts_Click(0); });

  const std::array<QToolButton*, 3> help{ui_->picHelp_0, ui_->picHelp_1, ui_->picHelp_2};
  for (std::size_t i = 0; i < help.size(); ++i)
    connect(help[i], &QToolButton::clicked, this,
            [this, i] { picHelp_Click(static_cast<int>(i)); });
  connect(ui_->picConsult, &QToolButton::clicked, this, [this] { picConsult_Click(); });
  new HelpKeyFilter(this, [this] { openHelp(); });
  EnableFieldHelpKey(this);
}

void FrmMain::ConnectInputs() {
  for (QRadioButton* option : OptAction_)
    connect(option, &QRadioButton::toggled, this, [this](bool on) {
      if (on) OptAction_Click();
    });
  connect(ui_->ChkCenter, &QCheckBox::stateChanged, this, [this](int) { ChkCenter_Click(); });
  for (QRadioButton* option : OptWin_)
    connect(option, &QRadioButton::toggled, this, [this](bool on) {
      if (on) OptWin_Click();
    });
  // A group's Tab stop is the option that last had the focus, which need not
  // be the chosen one once Clear or a settings file chose another.
  for (QRadioButton* option : findChildren<QRadioButton*>())
    connect(option, &QRadioButton::toggled, this, [option](bool on) {
      if (!on) return;
      for (QObject* sibling : option->parent()->children())
        if (auto* other = qobject_cast<QRadioButton*>(sibling))
          other->setFocusPolicy(other == option ? Qt::StrongFocus : Qt::ClickFocus);
    });

  // A keystroke or paste that would leave no number is refused by the
  // validator; text set from code is checked on its change.
  for (QLineEdit* field : txtPixels_) {
    field->setValidator(new NumberValidator(field));
    connect(field, &QLineEdit::textChanged, this, [this, field] { NumericField_Change(field); });
  }
  for (QLineEdit* field : txtDelay_) {
    field->setValidator(new NumberValidator(field));
    connect(field, &QLineEdit::textChanged, this, [this, field] { NumericField_Change(field); });
  }
  // The scroll bars are too short for a track, so the arrows carry the step
  // of 20 and the keyboard's page keys the step of 1.
  for (std::size_t i = 0; i < vsbPixels_.size(); ++i)
    connect(vsbPixels_[i], &QScrollBar::valueChanged, this, [this, i](int position) {
      txtPixels_[i]->setText(QString::number(std::abs(position)));
    });
  for (std::size_t i = 0; i < vsbDelay_.size(); ++i)
    connect(vsbDelay_[i], &QScrollBar::valueChanged, this, [this, i](int position) {
      txtDelay_[i]->setText(QString::number(std::abs(position)));
    });

  ui_->txtName->installEventFilter(new NameKeyFilter(this));
  using Kind = EntryValidator::Kind;
  const std::pair<QLineEdit*, Kind> entries[] = {{ui_->txtName, Kind::FunctionName},
                                                 {ui_->txtTitle, Kind::FreeText},
                                                 {ui_->txtURL, Kind::Address}};
  for (const auto& [field, kind] : entries) {
    EntryValidator* validator = EntryValidator::Install(*field, kind);
    connect(validator, &EntryValidator::tooLong, this, [this] {
      lblEntryNote_->setText(QStringLiteral("The paste was refused: an entry holds at most %1 "
                                            "characters.")
                                 .arg(kLongestEntry));
    });
    connect(field, &QLineEdit::textChanged, lblEntryNote_, &QLabel::clear);
  }
}

// ---- Commands ------------------------------------------------------------

void FrmMain::cmdGo_Click(int index) {
  if (index == 0) generateCode();
  if (index == 2) clearScreen();
}

void FrmMain::cmdCopy_Click(int index) {
  if (index == 0) copyPopupCode();
  if (index == 1) copyLinkCode();
}

void FrmMain::cmdsrc_Click(int index) {
  if (index == 2) launchInBrowser();
}

void FrmMain::generateCode() {
  GeneratePopupCode();
  showCode();
}

void FrmMain::clearScreen() { ClearMainScreen(); }

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

void FrmMain::copyPopupCode() { CopyCode(*ui_->txtCode, *ui_->cmdCopy_0); }

void FrmMain::copyLinkCode() { CopyCode(*ui_->txtCodeLink, *ui_->cmdCopy_1); }

void FrmMain::CopyCode(QPlainTextEdit& box, QPushButton& button) {
  box.setFocus(Qt::OtherFocusReason);
  const std::string text = FromWidgetText(box);
  // What the user copied before is worth more than an empty text.
  if (text.empty()) {
    SayOnButton(button, tr("Nothing to copy"));
    return;
  }
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setText(FromUtf8(text));
  SayOnButton(button, tr("Copied"));
}

void FrmMain::launchInBrowser() {
  // The user's try of the code did not happen: say so, quietly.
  if (!session_->Launch(FromWidgetText(*ui_->txtCode)))
    SayOnButton(*ui_->cmdsrc_2, tr("Not opened"));
}

void FrmMain::SayOnButton(QPushButton& button, const QString& word) {
  // A quiet word on the button for a moment, no dialog.
  // A second word within the moment only extends it: the caption comes back once, from the
  // last timer, never as the first word or an empty text.
  static const char* const kCaption = "orvantaCaption";
  static const char* const kSaying = "orvantaSaying";
  if (!button.property(kCaption).isValid()) button.setProperty(kCaption, button.text());
  const int saying = button.property(kSaying).toInt() + 1;
  button.setProperty(kSaying, saying);
  button.setText(word);
  QPushButton* shown = &button;
  QTimer::singleShot(1500, shown, [shown, saying] {
    if (shown->property(kSaying).toInt() != saying) return;
    shown->setText(shown->property(kCaption).toString());
    shown->setProperty(kCaption, QVariant());
  });
}

// ---- Help, About, consult ----------------------------------------------------

void FrmMain::openHelp() {
  OpenHelpManual(session_->programFolder() + QLatin1Char('/'), hooks_.shellOpen);
}

void FrmMain::picHelp_Click(int /*index*/) { QTimer::singleShot(0, this, &FrmMain::openHelp); }

void FrmMain::picConsult_Click() { ShowConsult(this, hooks_.shellOpen); }

void FrmMain::lblVexa_Click(int /*index*/) {
  session_->Open(QUrl(QString::fromLatin1(maker::kHomePage)));
}

void FrmMain::lblProducts_Click(int /*index*/) {
  session_->Open(QUrl(QString::fromLatin1(maker::kProductsPage)));
}

void FrmMain::AfterFirstPaint() {
  SetupFieldHelp(this);
  DescribeControls();
  setWindowIcon(ProgramIcon());
  // Reads the history on a worker thread.
  EnableAutoComplete(ui_->txtURL, hooks_.homeFolder);
}

void FrmMain::EnsureAboutPanel() {
  if (aboutReady_) return;
  aboutReady_ = true;
  PrepareAboutPanel(*ui_);
}

// ---- Pages ---------------------------------------------------------------

void FrmMain::EnsureCodeFont() {
  // Set when the code page is first shown: loading a second font family
  // would otherwise hold up the window's first appearance.
  if (codeFontSet_) return;
  codeFontSet_ = true;
  const QFont font = CodeFont();
  for (QPlainTextEdit* box : {ui_->txtCode, ui_->txtCodeLink}) box->setFont(font);
}

// The one place where the page in view changes.
void FrmMain::ShowPage(Page page) {
  if (page == Page::Code || page == Page::Preview) EnsureCodeFont();
  if (page == Page::About) EnsureAboutPanel();
  QWidget* shown = ui_->stkPages->widget(static_cast<int>(page));
  QWidget* focus = focusWidget();
  const bool stays =
      ui_->stkPages->currentWidget() == shown && focus != nullptr && shown->isAncestorOf(focus);
  ui_->stkPages->setCurrentWidget(shown);
  // Views left behind for a while give their memory back.
  session_->SetPreviewInFront(page == Page::Preview);
  if (page == Page::Preview) StartPreview();
  EnableCommands();
  // Arrow keys on the tab strip go on from tab to tab.
  if (stays || focus == ui_->tbsOptions) return;
  // A view whose page is still loading cannot take the focus yet; it is
  // given it all the same and hands it on to the page once that is there.
  QWidget* first = nullptr;
  if (page == Page::Preview && session_->browser(0) != nullptr)
    first = session_->browser(0)->widget();
  for (QWidget* w = nextInFocusChain(); first == nullptr && w != this; w = w->nextInFocusChain()) {
    if (shown->isAncestorOf(w) && w->isVisibleTo(this) && w->isEnabled() &&
        (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
      first = w;
  }
  if (first != nullptr) first->setFocus(Qt::OtherFocusReason);
}

void FrmMain::StartPreview() {
  // The seconds the report compares with are those of the code shown.
  report_.Start(generated_, ui_->txtCode->toPlainText() == generatedCode_);
  session_->Show(FromWidgetText(*ui_->txtCode), FromWidgetText(*ui_->txtCodeLink));
  report_.SetEngine(session_->EngineName());
  ui_->txtReport->setPlainText(report_.Lines().join(QLatin1Char('\n')));
}

void FrmMain::EnableCommands() {
  const int page = ui_->stkPages->currentIndex();
  findChild<QAction*>(QStringLiteral("actCloseAbout"))
      ->setEnabled(page == static_cast<int>(Page::About));
  findChild<QAction*>(QStringLiteral("actReloadPreview"))
      ->setEnabled(page == static_cast<int>(Page::Preview) && ui_->cmdPageReload->isEnabled());
  findChild<QAction*>(QStringLiteral("actMouseOverLink"))
      ->setEnabled(page == static_cast<int>(Page::Preview));
}

void FrmMain::mouseOverLink() {
  PreviewBrowser* view = session_->browser(0);
  if (ui_->stkPages->currentIndex() != static_cast<int>(Page::Preview) || view == nullptr) return;
  // The pointer comes from outside onto the link, as a hand would move it.
  QWidget* target = view->widget();
  while (target->focusProxy() != nullptr && target->focusProxy() != target)
    target = target->focusProxy();
  const auto move = [](QWidget* input, QPoint at) {
    QMouseEvent event(QEvent::MouseMove, QPointF(at), QPointF(input->mapToGlobal(at)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(input, &event);
  };
  const QPointer<QWidget> input(target);
  view->locate(QStringLiteral("a[onmouseover]"), [view, input, move](QRect found) {
    if (input == nullptr) return;
    if (found.isEmpty()) {
      view->showNotice(tr("This test page has no link that opens the popup on Mouse Over."));
      return;
    }
    move(input, QPoint(1, 1));
    QTimer::singleShot(100, input, [input, move, at = found.center()] { move(input, at); });
  });
}

void FrmMain::showMainScreen() {
  SelectTabQuietly(0);
  ShowPage(Page::Input);
}

void FrmMain::showCode() {
  SelectTabQuietly(1);
  ShowPage(Page::Code);
}

void FrmMain::showPreview() {
  SelectTabQuietly(2);
  ShowPage(Page::Preview);
}

void FrmMain::showAbout() { ShowPage(Page::About); }

void FrmMain::closeAbout() { ShowPage(Page::Input); }

void FrmMain::reloadPreview() {
  if (ui_->stkPages->currentIndex() == static_cast<int>(Page::Preview) &&
      ui_->cmdPageReload->isEnabled())
    session_->Reload();
}

void FrmMain::SelectTabQuietly(int index) {
  const QSignalBlocker quiet(ui_->tbsOptions);
  ui_->tbsOptions->setCurrentIndex(index);
}

void FrmMain::tbsOptions_Click() {
  const std::array<void (FrmMain::*)(), 3> pages = {&FrmMain::showMainScreen, &FrmMain::showCode,
                                                    &FrmMain::showPreview};
  const int index = ui_->tbsOptions->currentIndex();
  if (index >= 0 && index < static_cast<int>(pages.size()))
    (this->*pages[static_cast<std::size_t>(index)])();
}

void FrmMain::StepTab(int by) {
  const int count = ui_->tbsOptions->count();
  ui_->tbsOptions->setCurrentIndex((ui_->tbsOptions->currentIndex() + by + count) % count);
}

void FrmMain::showCommandMenu() {
  QWidget* at = focusWidget() != nullptr ? focusWidget() : this;
  CommandMenu().popup(at->mapToGlobal(at->rect().bottomLeft()));
}

void FrmMain::contextMenuEvent(QContextMenuEvent* event) {
  CommandMenu().popup(event->globalPos());
  event->accept();
}

void FrmMain::NameControls() {
  for (std::size_t i = 0; i < vsbPixels_.size(); ++i)
    ExposeAsSpinButton(*vsbPixels_[i], *txtPixels_[i]);
  for (std::size_t i = 0; i < vsbDelay_.size(); ++i)
    ExposeAsSpinButton(*vsbDelay_[i], *txtDelay_[i]);
  ExposeAsLink(*ui_->Label10, [this] { showAbout(); });
  ExposeAsLink(*ui_->lblCompany_0, [this] { lblVexa_Click(1); });
  ExposeAsLink(*ui_->lblVexa_0, [this] { lblVexa_Click(0); });
  ExposeAsLink(*ui_->lblProducts_0, [this] { lblProducts_Click(0); });
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
      {ui_->txtReport, ui_->lblReport->text()},
      {ui_->picHelp_0, tr("Help")},
      {ui_->picHelp_1, tr("Help")},
      {ui_->picHelp_2, tr("Help")},
      {ui_->picConsult, tr("Customized JavaScript Programming")},
  };
  for (const auto& [control, name] : names)
    control->setAccessibleName(QString(name).remove(QLatin1Char('&')).trimmed());
  ui_->tbsOptions->setAccessibleName(tr("Pages"));
  // The link's text waits for the panel; a reader may meet it before.
  ui_->lblVexa_0->setAccessibleName(HomePageText());
}

void FrmMain::DescribeControls() {
  // What the balloons do not cover; the arrows say what their field says.
  const std::pair<QWidget*, QString> descriptions[] = {
      {ui_->tbsOptions, tr("Chooses the page: the entries, the code or its preview")},
      {ui_->Label10, tr("Shows the program's version and maker")},
      {ui_->txtCode, tr("The popup code for the HEAD of your page; your edits are copied and "
                        "previewed as they stand")},
      {ui_->txtCodeLink, tr("The link that opens the popup from your page")},
      {ui_->picConsult, tr("Offers custom JavaScript programming")},
      {ui_->txtReport, tr("What the preview measured of each popup")},
      {ui_->cmdsrc_2, tr("Opens the test page in your web browser")},
      {ui_->cmdAbout, tr("Closes the About panel")},
      {ui_->lblCompany_0, tr("Opens the maker's home page in your web browser")},
      {ui_->lblVexa_0, tr("Opens the maker's home page in your web browser")},
      {ui_->lblProducts_0, tr("Opens the maker's products page in your web browser")},
  };
  for (const auto& [control, text] : descriptions) control->setAccessibleDescription(text);
  for (std::size_t i = 0; i < vsbPixels_.size(); ++i)
    vsbPixels_[i]->setAccessibleDescription(txtPixels_[i]->accessibleDescription());
  for (std::size_t i = 0; i < vsbDelay_.size(); ++i)
    vsbDelay_[i]->setAccessibleDescription(txtDelay_[i]->accessibleDescription());
  for (QWidget* control : findChildren<QWidget*>())
    if (control->focusPolicy() != Qt::NoFocus && control->accessibleDescription().isEmpty())
      control->setAccessibleDescription(control->toolTip());
}

void FrmMain::NameViews() {
  QWidget* top = session_->browser(0)->widget();
  QWidget* bottom = session_->browser(1)->widget();
  top->setAccessibleName(ui_->FrmView_1->title());
  bottom->setAccessibleName(ui_->Label9->text());
  top->setAccessibleDescription(tr("The test page with the popup code"));
  bottom->setAccessibleDescription(tr("The test page with the link code"));
  // Only widgets that take the focus can be put in the focus order; the
  // views take it through their pages.
  for (QWidget* view : {top, bottom}) view->setFocusPolicy(Qt::StrongFocus);
  OrderViews();
}

void FrmMain::OrderViews() {
  // Again after each load: a view takes the focus through an inner widget
  // that comes with its page, at the end of the focus chain; that widget is
  // what goes in the order.
  const auto inner = [](QWidget* view) {
    const QString name = view->accessibleName();
    const QString description = view->accessibleDescription();
    while (view->focusProxy() != nullptr && view->focusProxy() != view) {
      view = view->focusProxy();
      view->setAccessibleName(name);
      view->setAccessibleDescription(description);
    }
    return view;
  };
  QWidget* top = inner(session_->browser(0)->widget());
  QWidget* bottom = inner(session_->browser(1)->widget());
  setTabOrder(top, ui_->chkAllowPopups);
  setTabOrder(ui_->chkAllowPopups, ui_->txtReport);
  setTabOrder(ui_->txtReport, ui_->picHelp_1);
  setTabOrder(ui_->picHelp_1, bottom);
  setTabOrder(bottom, ui_->cmdsrc_2);
  setTabOrder(ui_->cmdsrc_2, ui_->cmdPageReload);
  auto* check = findChild<QPushButton*>(QStringLiteral("cmdCheckBrowsers"));
  setTabOrder(ui_->cmdPageReload, check);
  // The views' outer widgets follow, and hand the focus to the first view.
  setTabOrder(check, ui_->tbsOptions);
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

void FrmMain::OptWin_Click() {
  // Inside a page only the frame's scrolling has a meaning; the ticks stay
  // for the other window types.
  const bool window = !OptWin_[static_cast<std::size_t>(WindowOrder::InPage)]->isChecked();
  for (std::size_t i = 0; i < chkWindOpt_.size(); ++i)
    if (i != kScrollBarsOption) chkWindOpt_[i]->setEnabled(window);
}

void FrmMain::NumericField_Change(QLineEdit* field) {
  if (!IsNumericEntry(ToUtf8(field->text()))) field->setText(QString());
}

// ---- Generation ----------------------------------------------------------

PopupSettings FrmMain::ReadScreen() const { return fields_->Read(); }

void FrmMain::WriteBack(const PopupSettings& repaired) { fields_->WriteTexts(repaired); }

void FrmMain::FillScreen(const PopupSettings& entries) {
  ClearMainScreen();
  // In the table's order, which puts the activation after the timings:
  // "Page Close" empties them as it does when clicked.
  fields_->Write(entries);
  showMainScreen();
}

void FrmMain::GeneratePopupCode() {
  const Generation result = orvanta::GeneratePopupCode(ReadScreen());
  WriteBack(result.Settings);
  SetCodeText(*ui_->txtCode, result.Code.PopupCode);
  SetCodeText(*ui_->txtCodeLink, result.Code.LinkCode);
  generated_ = result.Settings;
  generatedCode_ = ui_->txtCode->toPlainText();
  ShowCodeNotes(result);
  // The link page is built from the box, which holds the new link code now.
  session_->WritePages(result.Code.PopupCode, FromWidgetText(*ui_->txtCodeLink));
}

void FrmMain::ShowCodeNotes(const Generation& result) {
  ui_->txtCodeLink->setPlaceholderText(FromUtf8(NoLinkCodeReason(result.Settings)));
  const auto problem = FindEntryProblem(result.Settings);
  if (!problem) {
    lblCodeNote_->setText(FromUtf8(CodeNote(result.Settings)));
    return;
  }
  QString field = FromUtf8(problem->Field);
  if (const SettingsField* row = FindSettingsField(problem->Field))
    if (const auto* caption = findChild<QLabel*>(QString::fromLatin1(row->Caption)))
      field = caption->text().remove(QLatin1Char('&'));
  lblCodeNote_->setText(QStringLiteral("This code will not run: in %1, %2.")
                            .arg(field, FromUtf8(DescribeProblem(*problem))));
}

// ---- Preview -------------------------------------------------------------

const QString& FrmMain::workFolder() const { return session_->workFolder(); }

PreviewBrowser* FrmMain::browser(int index) const { return session_->browser(index); }

void FrmMain::PopupFactsArrived(int view, const PopupFacts& facts) {
  report_.Add(view, facts);
  ui_->txtReport->setPlainText(report_.Lines().join(QLatin1Char('\n')));
  emit previewReportChanged(report_);
}

void FrmMain::PageNoteArrived(int view, const PageNote& note) {
  report_.AddNote(view, note);
  ui_->txtReport->setPlainText(report_.Lines().join(QLatin1Char('\n')));
  emit previewReportChanged(report_);
}

void FrmMain::SetDialogsCancelled(bool cancelled) { session_->SetDialogsCancelled(cancelled); }

void FrmMain::closeEvent(QCloseEvent* event) {
  if (!settingsCommands_->MayClose()) {
    event->ignore();
    return;
  }
  session_->CloseAllPopups();
  QWidget::closeEvent(event);
}

void FrmMain::CheckInBrowsers() {
  // The code box as it stands, edits included; the entries give the timings.
  const Generation generated = orvanta::GeneratePopupCode(ReadScreen());
  std::string code = FromWidgetText(*ui_->txtCode);
  if (code.empty()) code = generated.Code.PopupCode;
  browsers::EngineResult preview;
  if (report_.PopupCount() > 0) {
    preview = PreviewColumn(report_.Json());
  } else {
    preview.Engine = QStringLiteral("preview");
    preview.Reason = tr("choose Preview to measure it");
  }
  auto* window = findChild<BrowserCheckWindow*>();
  if (window == nullptr) window = new BrowserCheckWindow(this);
  window->Start(CheckPageFor(generated.Settings, code), preview);
  window->show();
  window->raise();
}

}  // namespace orvanta
