#pragma once

class QAbstractButton;
class QWidget;

namespace bildertafel::ui {

// Return or Enter on the focused button presses it. The window is no dialog, so the toolkit's
// buttons leave Enter alone; only the space bar would press them.
void pressOnEnter(QAbstractButton& button);

// The mouse wheel over the control changes nothing unless the control has the focus: a stray
// notch over a drive list must not move the show to another drive.
void ignoreWheelUnlessFocused(QWidget& control);

} // namespace bildertafel::ui
