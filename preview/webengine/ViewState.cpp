#include "preview/webengine/ViewState.h"

namespace orvanta {

bool ViewStateMachine::load() {
  if (released()) return false;
  base() = ViewState::Loading;
  restart_ = Restart::None;
  return true;
}

bool ViewStateMachine::loadFinished(bool ok) {
  if (released()) return false;
  if (restart_ != Restart::None && !ok) return false;
  restart_ = Restart::None;
  if (base() == ViewState::Loading) base() = ViewState::Idle;
  return true;
}

bool ViewStateMachine::dialogOpened() {
  if (state_ != ViewState::Idle && state_ != ViewState::Loading) return false;
  beneath_ = state_;
  state_ = ViewState::InDialog;
  return true;
}

bool ViewStateMachine::dialogClosed() {
  if (state_ != ViewState::InDialog) return false;
  state_ = beneath_;
  return true;
}

bool ViewStateMachine::expectRestart() {
  if (!loading()) return false;
  // A load the renderer's end cut short once is not done a third time.
  if (restart_ == Restart::None) restart_ = Restart::Expected;
  return restart_ == Restart::Expected;
}

ViewStateMachine::AfterEnd ViewStateMachine::rendererEnded(bool crashed) {
  if (released()) return AfterEnd::Nothing;
  if (loading() && restart_ == Restart::Expected) {
    restart_ = Restart::Used;
    return AfterEnd::LoadAgain;
  }
  if (!crashed) return AfterEnd::Nothing;
  base() = ViewState::Stopped;
  restart_ = Restart::None;
  return AfterEnd::Stop;
}

bool ViewStateMachine::release() {
  if (released()) return false;
  state_ = ViewState::Released;
  return true;
}

}  // namespace orvanta
