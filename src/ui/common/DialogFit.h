#pragma once

class QDialog;
class QScrollArea;

namespace bildertafel::ui {

// Sizes a dialog whose page scrolls above its row of buttons: as wide as the page wants, so it
// never scrolls sideways, and as tall as the page wants while the dialog's screen has room; on a
// smaller screen the page scrolls up and down and the buttons stay in view. Called once the
// page's controls are filled.
void fitToScreen(QDialog& dialog, QScrollArea& page);

} // namespace bildertafel::ui
