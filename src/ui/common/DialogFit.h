#pragma once

class QDialog;
class QScrollArea;

namespace bildertafel::ui {

// Sizes a dialog whose page scrolls above its row of buttons: as wide as the page wants, so it
// never scrolls sideways, and as tall as the page wants while the dialog's screen has room; on a
// smaller screen the page scrolls up and down and the buttons stay in view. Called once the
// page's controls are filled.
void fitToScreen(QDialog& dialog, QScrollArea& page);

// Sizes a dialog of wrapped texts without a scrolling page: as wide as it wants while the
// screen has room, and as tall as its texts need at that width. (The toolkit's own first size
// narrows a wide dialog on a small screen but keeps the height of the wide one, which cuts the
// texts off.) Called again when a text is shown or changed, it only grows the dialog.
void fitToText(QDialog& dialog);

} // namespace bildertafel::ui
