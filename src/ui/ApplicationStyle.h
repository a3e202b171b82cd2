#pragma once

#include <QFont>

namespace bildertafel::ui {

// The window places its controls at fixed pixels, so it needs a style and a font whose sizes do
// not change with the desktop: Fusion, and DejaVu Sans at 10 pixels, in which every caption fits
// its control. Call once after the QApplication exists.
void useApplicationStyle();

QFont windowFont();

} // namespace bildertafel::ui
