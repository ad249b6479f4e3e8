#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/PopupSettings.h"
#include "core/SettingsFields.h"
#include "preview/session/PreviewSession.h"
#include "ui/FieldBinding.h"
#include "ui/PreviewReport.h"
#include "ui/SettingsCommands.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace Ui {
class frmMain;
}

namespace orvanta {

class PreviewBrowser;

// What a test or another host may replace; empty members mean the real thing.
struct FrmMainHooks : PreviewSetup {
  QString homeFolder;  // whose browser history feeds the address completion
  SettingsFileHooks settingsFiles;
};

// The main window: the input screen, the code page, the preview page and the
// About panel, stacked under one tab bar.
class FrmMain : public QWidget {
  Q_OBJECT
 public:
  explicit FrmMain(FrmMainHooks hooks = {}, QWidget* parent = nullptr);
  ~FrmMain() override;

  // The handlers of the form's button arrays: 0 "Generate Code", 2 "Clear";
  // 0 the popup code, 1 the link code; 2 "Launch in Browser". Other indexes
  // do nothing.
  void cmdGo_Click(int index);
  void cmdCopy_Click(int index);
  void cmdsrc_Click(int index);
  void ClearMainScreen();
  // "Check in Browsers": the test page in the installed engines, in a
  // window of its own that stays open while the engines run.
  void CheckInBrowsers();
  // Any index: F1's command, queued so that the click is over first.
  void picHelp_Click(int index);
  // The consult dialog, modal; returns when it is closed.
  void picConsult_Click();
  // The About panel's links: the maker's home page, the products page.
  void lblVexa_Click(int index);
  void lblProducts_Click(int index);

  // The entries as they stand, unrepaired.
  PopupSettings ReadScreen() const;
  // Puts the entries on the input screen as if typed there.
  void FillScreen(const PopupSettings& entries);
  SettingsCommands& settingsCommands() const { return *settingsCommands_; }

  const QString& workFolder() const;
  // Null until "Preview" was first chosen or when the module is missing.
  PreviewBrowser* browser(int index) const;
  // Page dialogs are answered with Cancel at once, for runs no one watches.
  void SetDialogsCancelled(bool cancelled);

 public slots:
  // Slots are named as Qt names them.
  // NOLINTBEGIN(readability-identifier-naming)
  // The window's commands; each is also an action in the window's menu.
  void generateCode();
  void clearScreen();
  void copyPopupCode();
  void copyLinkCode();
  void launchInBrowser();
  // The tab pages; the About panel keeps the selected tab.
  void showMainScreen();
  void showCode();
  void showPreview();
  void showAbout();
  void closeAbout();
  void reloadPreview();
  // Moves the pointer onto the test page's Mouse Over link, for a keyboard
  // user or anyone without a pointer.
  void mouseOverLink();
  // Opens the manual, as F1 does.
  void openHelp();
  // The window's menu of commands at the focused control, as the Menu key
  // and Shift+F10 open it.
  void showCommandMenu();
  // NOLINTEND(readability-identifier-naming)

 signals:
  // A preview view (1 or 2) finished loading a page.
  void previewLoadFinished(int view, bool ok);
  void previewPopupOpened(QWidget* popup);
  // The report strip changed; `report` holds every popup of this preview.
  void previewReportChanged(const orvanta::PreviewReport& report);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // In the order of the page stack.
  enum class Page { Input, Code, Preview, About };

  void SetUpForm();
  void PlaceTabs();
  void SetUpKeyboard();
  void NameControls();
  void NameViews();
  void DescribeControls();
  void OrderViews();
  void MakeActions();
  QMenu& CommandMenu();
  void ConnectCommands();
  void ConnectInputs();
  void StartUp();
  void tbsOptions_Click();
  void SelectTabQuietly(int index);
  // Every page switch passes here.
  void ShowPage(Page page);
  void StepTab(int by);
  void CopyCode(QPlainTextEdit& box, QPushButton& button);
  void StartPreview();
  // The commands that mean something on the page in view only.
  void EnableCommands();
  void OptAction_Click();
  void ChkCenter_Click();
  void OptWin_Click();
  void NumericField_Change(QLineEdit* field);
  void GeneratePopupCode();
  void WriteBack(const PopupSettings& repaired);
  void ShowCodeNotes(const Generation& result);
  static void SayOnButton(QPushButton& button, const QString& word);
  void AfterFirstPaint();
  void EnsureAboutPanel();
  void EnsureCodeFont();
  void PopupFactsArrived(int view, const PopupFacts& facts);
  void PageNoteArrived(int view, const PageNote& note);

  std::unique_ptr<Ui::frmMain> ui_;
  FrmMainHooks hooks_;
  bool codeFontSet_ = false;
  bool aboutReady_ = false;

  QLabel* lblCodeNote_ = nullptr;   // under the code: why it would not run
  QLabel* lblEntryNote_ = nullptr;  // under the entries: a refused paste
  std::array<QLineEdit*, 4> txtPixels_{};
  std::array<QScrollBar*, 4> vsbPixels_{};
  std::array<QLineEdit*, 2> txtDelay_{};
  std::array<QScrollBar*, 2> vsbDelay_{};
  std::array<QRadioButton*, 4> OptWin_{};
  std::array<QRadioButton*, 6> OptAction_{};
  std::array<QCheckBox*, kWindowOptionCount> chkWindOpt_{};
  std::array<QWidget*, 3> frmMenu_{};
  std::array<QWidget*, 2> FrmView_{};
  QMenu* commandMenu_ = nullptr;
  QList<QAction*> settingsActions_;  // the settings files' commands, for the menu

  std::unique_ptr<FieldBinding> fields_;

  PreviewReport report_;
  // What the last "Generate Code" made, for the report to compare with.
  PopupSettings generated_;
  QString generatedCode_;
  std::unique_ptr<SettingsCommands> settingsCommands_;
  // Last, so that it goes first: the views' pages before the widgets.
  std::unique_ptr<PreviewSession> session_;
};

}  // namespace orvanta
