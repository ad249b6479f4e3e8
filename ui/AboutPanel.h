#pragma once

#include <QString>

namespace Ui {
class frmMain;
}

namespace orvanta {

// The maker's web address as people write it: without scheme and trailing
// slash.
QString HomePageText();

// Gives the About panel its fonts, link looks and pictures. Done the first
// time the panel shows: decoding its pictures and measuring its links would
// otherwise hold up the window's first appearance.
void PrepareAboutPanel(Ui::frmMain& ui);

}  // namespace orvanta
