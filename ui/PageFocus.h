#pragma once

#include <QWidget>
#include <array>
#include <functional>

namespace orvanta {

// The main window's pages are frames stacked on one area, and the covered
// ones stay shown. This keeps the keyboard on the frame in view: Tab passes
// over covered controls, and a page switch moves the focus onto the new page.
class PageFocus {
 public:
  // `pages` are the three page frames, `codeFrames` the two frames stacked
  // on the code page; `firstView` gives the preview's first browser view, or
  // null before it exists.
  PageFocus(QWidget& window, std::array<QWidget*, 3> pages, std::array<QWidget*, 2> codeFrames,
            QWidget* tabStrip, std::function<QWidget*()> firstView);

  // The frame the user sees: a page, or on the code page the frame in front.
  QWidget* FrontPage() const;
  // On a page frame that something else covers.
  bool IsCovered(const QWidget* widget) const;
  // Tab and Shift+Tab; false when no control takes the focus.
  bool MoveFocus(bool next);
  // Puts the focus on the front page's first control when the page changed
  // or the focus is not on it.
  void FocusFrontPage();
  // The next FocusFrontPage moves the focus even if the page is the same.
  void Forget() { focusedPage_ = nullptr; }

 private:
  // A compound control (a browser view) takes the focus through an inner
  // widget that may sit anywhere in the focus chain; it is one stop, at the
  // place of its outermost widget.
  QWidget* TabStop(QWidget* widget) const;
  bool TakesTabFocus(QWidget* widget) const;

  QWidget& window_;
  std::array<QWidget*, 3> pages_;
  std::array<QWidget*, 2> codeFrames_;
  QWidget* tabStrip_;
  std::function<QWidget*()> firstView_;
  QWidget* focusedPage_ = nullptr;
};

}  // namespace orvanta
