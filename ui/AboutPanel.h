#pragma once

namespace Ui {
class frmMain;
}

namespace orvanta {

// Gives the About panel its fonts, link looks and pictures. Done the first
// time the panel shows: decoding its pictures and measuring its links would
// otherwise hold up the window's first appearance.
void PrepareAboutPanel(Ui::frmMain& ui);

}  // namespace orvanta
