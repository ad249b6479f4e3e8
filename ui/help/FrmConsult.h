#pragma once

#include <QDialog>
#include <memory>

#include "modules/host/UrlOpener.h"

namespace Ui {
class frmConsult;
}

namespace orvanta {

// "Customized JavaScript Programming": the offer of custom work, with links
// to the maker's feedback page and a new mail to the support address.
class FrmConsult : public QDialog {
  Q_OBJECT
 public:
  // `shellOpen` receives the link targets; empty means the desktop's.
  explicit FrmConsult(UrlOpener shellOpen = {}, QWidget* owner = nullptr);
  ~FrmConsult() override;

  // 0 opens the feedback page, 1 a new mail to the support address; any
  // other index does nothing.
  void lblVexa_Click(int index);
  void OpenSupportMail();

 private:
  void Open(const QUrl& target);

  std::unique_ptr<Ui::frmConsult> ui_;
  UrlOpener shellOpen_;
};

// Shows a fresh dialog modally over `owner` (centred on it) and returns when
// it is closed.
void ShowConsult(QWidget* owner, UrlOpener shellOpen = {});

}  // namespace orvanta
