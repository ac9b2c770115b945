#pragma once

#include <QIcon>

namespace app {

// The classic style and the font at which every caption of the twip layout fits: the geometry
// is fixed, so a roomier platform style would clip captions.
void applyWindowLook();

// The window's icon: a receipt coming out of a printer, at 32 and 16 pixels.
QIcon windowIcon();

} // namespace app
