#pragma once

class QLabel;

namespace orvanta {

// Draws the program's mark into `mark` and the wordmark into `wordmark`, at
// the labels' own device pixel ratio and in colours that read on their
// palette; both are drawn again when the palette changes or they are shown.
void ShowLogo(QLabel* mark, QLabel* wordmark);

}  // namespace orvanta
