#pragma once

#include "core/PopupSettings.h"

namespace orvanta::test_support {

// openIt / promo / offer.htm, 400 x 200 centred, "Popup Under", scroll bars,
// 5 s delay, 10 s auto close, "Page Load": every optional part of the script.
inline PopupSettings CentredDelayedPageLoad() {
  PopupSettings s;
  s.FunctionName = "openIt";
  s.WindowName = "promo";
  s.PageUrl = "offer.htm";
  s.Width = "400";
  s.Height = "200";
  s.Center = 1;
  s.Order = WindowOrder::PopupUnder;
  s.WindowOptions[5] = 1;
  s.DelaySeconds = "5";
  s.CloseSeconds = "10";
  s.Activation = ActivationKind::PageLoad;
  return s;
}

}  // namespace orvanta::test_support
