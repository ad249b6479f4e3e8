#include "ui/PageFocus.h"

#include <algorithm>
#include <utility>

namespace orvanta {

namespace {

QWidget* DeepestFocusProxy(QWidget* widget) {
  while (widget->focusProxy() != nullptr) widget = widget->focusProxy();
  return widget;
}

// Children are kept bottom to top; the last one shown is in front.
template <std::size_t N>
QWidget* Topmost(const QWidget* parent, const std::array<QWidget*, N>& frames) {
  QWidget* top = nullptr;
  for (const QObject* child : parent->children()) {
    for (QWidget* frame : frames)
      if (child == frame && !frame->isHidden()) top = frame;
  }
  return top;
}

}  // namespace

PageFocus::PageFocus(QWidget& window, std::array<QWidget*, 3> pages,
                     std::array<QWidget*, 2> codeFrames, QWidget* tabStrip,
                     std::function<QWidget*()> firstView)
    : window_(window),
      pages_(pages),
      codeFrames_(codeFrames),
      tabStrip_(tabStrip),
      firstView_(std::move(firstView)) {}

QWidget* PageFocus::FrontPage() const {
  QWidget* page = Topmost(pages_[0]->parentWidget(), pages_);
  if (page == pages_[1]) {
    if (QWidget* frame = Topmost(pages_[1], codeFrames_)) page = frame;
  }
  return page;
}

bool PageFocus::IsCovered(const QWidget* widget) const {
  const auto isFrame = [this](const QWidget* w) {
    return std::find(pages_.begin(), pages_.end(), w) != pages_.end() ||
           std::find(codeFrames_.begin(), codeFrames_.end(), w) != codeFrames_.end();
  };
  for (const QWidget* w = widget; w != nullptr && w != &window_; w = w->parentWidget()) {
    if (isFrame(w)) {
      const QWidget* front = FrontPage();
      return front == nullptr || !(w == front || w->isAncestorOf(front));
    }
  }
  return false;
}

QWidget* PageFocus::TabStop(QWidget* widget) const {
  const QWidget* target = DeepestFocusProxy(widget);
  QWidget* stop = widget;
  for (QWidget* w = widget->parentWidget(); w != nullptr && w != &window_; w = w->parentWidget())
    if (DeepestFocusProxy(w) == target) stop = w;
  return stop;
}

bool PageFocus::TakesTabFocus(QWidget* widget) const {
  if (widget == &window_ || widget->window() != &window_ || TabStop(widget) != widget) return false;
  const QWidget* proxy = DeepestFocusProxy(widget);
  return proxy->isEnabled() && (proxy->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
         widget->isVisibleTo(&window_) && widget->isEnabled() && !IsCovered(widget) &&
         !IsCovered(proxy);
}

bool PageFocus::MoveFocus(bool next) {
  QWidget* focus = window_.focusWidget();
  QWidget* current = focus != nullptr ? TabStop(focus) : &window_;
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

void PageFocus::FocusFrontPage() {
  QWidget* page = FrontPage();
  if (page == nullptr) return;
  QWidget* focus = window_.focusWidget();
  // Arrow keys on the tab strip go on from tab to tab.
  if (focus == tabStrip_) {
    focusedPage_ = page;
    return;
  }
  const bool onPage = focus != nullptr && page->isAncestorOf(focus);
  if (page == focusedPage_ && onPage) return;
  focusedPage_ = page;
  // A view whose page is still loading cannot take the focus yet; it is
  // given it all the same and hands it on to the page once that is there.
  QWidget* first = page == codeFrames_[1] ? firstView_() : nullptr;
  for (QWidget* w = window_.nextInFocusChain(); first == nullptr && w != &window_;
       w = w->nextInFocusChain())
    if (page->isAncestorOf(w) && TakesTabFocus(w)) first = w;
  if (first != nullptr)
    first->setFocus(Qt::OtherFocusReason);
  else if (focus != nullptr && IsCovered(focus))
    focus->clearFocus();
}

}  // namespace orvanta
