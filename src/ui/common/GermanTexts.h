#pragma once

class QCoreApplication;

namespace bildertafel::ui {

// The window is German, so the toolkit's own texts are too, whatever the system's language: the
// buttons of its dialogs, the context menus of the text boxes, the folder chooser. Loads Qt's
// German translation; false when it is not installed.
bool useGermanTexts(QCoreApplication& application);

} // namespace bildertafel::ui
