#pragma once

namespace orvanta {

// Where a preview view is. Every move the view makes goes through one
// machine, and a move that makes no sense where it stands is refused as a
// whole, so that a late signal of the engine cannot leave the view half
// moved.
enum class ViewState { Idle, Loading, InDialog, Stopped, Released };

class ViewStateMachine {
 public:
  enum class AfterEnd { Nothing, LoadAgain, Stop };

  ViewState state() const { return state_; }
  // The state the view is in beneath an open dialog of its page.
  ViewState beneathDialog() const { return state_ == ViewState::InDialog ? beneath_ : state_; }
  bool loading() const { return beneathDialog() == ViewState::Loading; }
  // Loading again what the renderer's end cut short.
  bool retrying() const { return loading() && restart_ == Restart::Used; }
  bool stopped() const { return beneathDialog() == ViewState::Stopped; }
  bool released() const { return state_ == ViewState::Released; }

  // A page is sent to the view; a stopped view loads again.
  bool load();
  // The engine ended a load; false when that is not to be told: the load
  // the renderer's end cut short is done again.
  bool loadFinished(bool ok);
  bool dialogOpened();
  bool dialogClosed();
  // The renderer is ended on purpose: the load under way, if any, is done
  // once more. Whether one was.
  bool expectRestart();
  AfterEnd rendererEnded(bool crashed);
  // The view's pages are gone for good; no move is made after.
  bool release();

 private:
  enum class Restart { None, Expected, Used };

  ViewState& base() { return state_ == ViewState::InDialog ? beneath_ : state_; }

  ViewState state_ = ViewState::Idle;
  ViewState beneath_ = ViewState::Idle;
  Restart restart_ = Restart::None;
};

}  // namespace orvanta
