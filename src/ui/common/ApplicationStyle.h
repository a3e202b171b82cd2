#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

namespace bildertafel::ui {

// The window places its controls at fixed pixels, so it needs a style and a font whose sizes do
// not change with the desktop: Fusion, and DejaVu Sans at 10 pixels, in which every caption fits
// its control. The drive, folder and file lists show the keyboard focus with a frame in
// focusFrameColor(). Call once after the QApplication exists.
void useApplicationStyle();

QColor focusFrameColor(const QPalette& palette);

QFont windowFont();

} // namespace bildertafel::ui
