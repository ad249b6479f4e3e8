// The consult dialog, driven from inside its own modal loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "tests/support/ModalDialog.h"
#include "ui/help/FrmConsult.h"
#include "ui/help/MakerLinks.h"

namespace orvanta {
namespace {

void WhenModal(std::function<void(FrmConsult*)> check) {
  test_support::WhenModal<FrmConsult>(std::move(check));
}

template <class T>
T* Child(QWidget* dialog, const char* name) {
  T* child = dialog->findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) ADD_FAILURE() << "no " << name;
  return child;
}

class ConsultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_.setGeometry(150, 120, 504, 484);
    owner_.show();
  }
  QWidget owner_;
  std::vector<QUrl> opened_;
  UrlOpener recorder_ = [this](const QUrl& url) { opened_.push_back(url); };
};

TEST_F(ConsultTest, ModalCentredFixedAndWordedAsItStands) {
  bool ran = false;
  WhenModal([&](FrmConsult* dialog) {
    ran = true;
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Customized JavaScript Programming"));
    EXPECT_EQ(dialog->size(), QSize(339, 300));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_FALSE(dialog->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(dialog->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_LE((dialog->geometry().center() - owner_.geometry().center()).manhattanLength(), 2);

    const QFontInfo font(dialog->font());
    EXPECT_EQ(dialog->font().pointSize(), 9);
    EXPECT_TRUE(font.family() == QLatin1String("Arial") ||
                font.family() == QLatin1String("Liberation Sans"))
        << font.family().toStdString();

    EXPECT_EQ(
        Child<QLabel>(dialog, "Label1")->text(),
        QStringLiteral("Orvanta will generate popup windows that meets the needs of most users. "));
    EXPECT_EQ(
        Child<QLabel>(dialog, "Label2")->text(),
        QStringLiteral("We also provide programming services for anyone who needs specialized "
                       "or customized popup windows."));
    EXPECT_EQ(Child<QGroupBox>(dialog, "Frame1")->title(), QStringLiteral("Contact us"));
    EXPECT_EQ(Child<QLabel>(dialog, "Label3")->text(),
              QStringLiteral("Email ") + QLatin1String(maker::kSupportEmail));
    EXPECT_EQ(
        Child<QLabel>(dialog, "Label4")->text(),
        QStringLiteral("Fill out our online request form ") + QLatin1String(maker::kFeedbackPage));
    for (const char* name : {"lblVexa_0", "lblVexa_1"}) {
      QLabel* link = Child<QLabel>(dialog, name);
      EXPECT_EQ(link->palette().color(link->foregroundRole()), QColor(Qt::blue)) << name;
    }
    EXPECT_EQ(Child<QLabel>(dialog, "lblVexa_1")->text(),
              QStringLiteral("Launch your email program"));
    EXPECT_EQ(Child<QLabel>(dialog, "lblVexa_0")->text(),
              QStringLiteral("Launch IE and load the page"));

    QPushButton* ok = Child<QPushButton>(dialog, "OKButton");
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog->focusWidget(), ok);
    // Every text fits its label.
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
      const QSize needed = label->wordWrap()
                               ? QSize(label->width(), label->heightForWidth(label->width()))
                               : label->sizeHint();
      EXPECT_LE(needed.height(), label->height()) << label->objectName().toStdString();
      EXPECT_LE(needed.width(), label->width()) << label->objectName().toStdString();
      for (const QString& word : label->text().split(QLatin1Char(' ')))
        EXPECT_LE(label->fontMetrics().horizontalAdvance(word), label->contentsRect().width())
            << word.toStdString();
    }
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  ShowConsult(&owner_, recorder_);
  EXPECT_TRUE(ran);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(opened_.empty());
}

TEST_F(ConsultTest, LinksOpenTheFeedbackPageAndANewMail) {
  WhenModal([&](FrmConsult* dialog) {
    QTest::mouseClick(Child<QLabel>(dialog, "lblVexa_0"), Qt::LeftButton);
    QTest::mouseClick(Child<QLabel>(dialog, "lblVexa_1"), Qt::LeftButton);
    // The dialog stays open after a link.
    EXPECT_TRUE(dialog->isVisible());
    QTest::mouseClick(Child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
  });
  ShowConsult(&owner_, recorder_);
  ASSERT_EQ(opened_.size(), 2u);
  EXPECT_EQ(opened_[0], QUrl(QLatin1String(maker::kFeedbackPage)));
  EXPECT_EQ(opened_[0].scheme(), QStringLiteral("https"));
  EXPECT_EQ(opened_[1].scheme(), QStringLiteral("mailto"));
  EXPECT_EQ(opened_[1].path(), QLatin1String(maker::kSupportEmail));
}

TEST_F(ConsultTest, OkAcceptsAndOtherLinkIndexesDoNothing) {
  FrmConsult dialog(recorder_, &owner_);
  dialog.lblVexa_Click(2);
  dialog.lblVexa_Click(-1);
  EXPECT_TRUE(opened_.empty());
  QTimer::singleShot(
      0, [&] { QTest::mouseClick(dialog.findChild<QPushButton*>("OKButton"), Qt::LeftButton); });
  QTimer::singleShot(10000, &dialog, &QDialog::reject);
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ConsultTest, MakerAddressesUseTheReservedExampleDomain) {
  for (const char* page : {maker::kHomePage, maker::kProductsPage, maker::kFeedbackPage}) {
    const QUrl url{QString::fromLatin1(page)};
    EXPECT_TRUE(url.isValid()) << page;
    EXPECT_EQ(url.host(), QStringLiteral("www.example.com")) << page;
  }
  EXPECT_TRUE(QLatin1String(maker::kSupportEmail).endsWith(QLatin1String("@example.com")));
}

}  // namespace
}  // namespace orvanta
