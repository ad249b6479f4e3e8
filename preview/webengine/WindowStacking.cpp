#include "preview/webengine/WindowStacking.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace orvanta {

namespace {

class NoStacking : public WindowStacking {
 public:
  std::optional<bool> above(const QWidget*, const QWidget*) const override { return std::nullopt; }
};

class XcbStacking : public WindowStacking {
 public:
  explicit XcbStacking(xcb_connection_t* connection) : c_(connection) {}

  std::optional<bool> above(const QWidget* upper, const QWidget* lower) const override {
    if (upper->windowHandle() == nullptr || lower->windowHandle() == nullptr) return std::nullopt;
    xcb_window_t root = 0;
    const xcb_window_t a =
        FrameOf(static_cast<xcb_window_t>(upper->windowHandle()->winId()), &root);
    const xcb_window_t b =
        FrameOf(static_cast<xcb_window_t>(lower->windowHandle()->winId()), &root);
    if (a == 0 || b == 0 || root == 0) return std::nullopt;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, root), nullptr);
    if (tree == nullptr) return std::nullopt;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    int at = -1;
    int bt = -1;
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
      if (children[i] == a) at = i;
      if (children[i] == b) bt = i;
    }
    std::free(tree);
    if (at < 0 || bt < 0) return std::nullopt;
    return at > bt;
  }

 private:
  // A window manager puts each window into a frame of its own; the frames
  // are the root's children, bottom first.
  xcb_window_t FrameOf(xcb_window_t w, xcb_window_t* root) const {
    for (int depth = 0; depth < 16; ++depth) {
      xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr);
      if (tree == nullptr) return 0;
      *root = tree->root;
      const xcb_window_t parent = tree->parent;
      std::free(tree);
      if (parent == *root || parent == 0) return w;
      w = parent;
    }
    return 0;
  }

  xcb_connection_t* c_;
};

}  // namespace

std::shared_ptr<const WindowStacking> WindowStacking::none() {
  return std::make_shared<NoStacking>();
}

std::shared_ptr<const WindowStacking> WindowStacking::forPlatform() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() != QLatin1String("xcb") || x11 == nullptr ||
      x11->connection() == nullptr)
    return none();
  return std::make_shared<XcbStacking>(x11->connection());
}

}  // namespace orvanta
