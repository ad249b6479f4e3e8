#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace orvanta::test_support {

// Runs `check` on the modal dialog once it is up; closes whatever is still
// modal after a while, so a failing test cannot hang in exec().
template <class Dialog>
void WhenModal(std::function<void(Dialog*)> check) {
  QTimer::singleShot(0, [check] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ADD_FAILURE() << "no modal dialog";
      return;
    }
    check(dialog);
  });
  QTimer::singleShot(10000, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      ADD_FAILURE() << "dialog still open";
      modal->close();
    }
  });
}

}  // namespace orvanta::test_support
