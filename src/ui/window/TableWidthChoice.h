#pragma once

#include <cstdint>
#include <string>

class QComboBox;

namespace bildertafel::ui {

// Makes the editable pictures-per-row choice behave as the settings expect: typed text that
// matches no entry leaves no entry selected and stays as typed; typing an entry's exact text
// selects that entry; typed text is never added to the list and never completed.
void keepTypedTextAsTyped(QComboBox& choice);

// The selected entry (-1 for none) and the text of the choice.
std::int16_t tableWidthIndex(const QComboBox& choice);
std::string tableWidthText(const QComboBox& choice);

// Selects entry index (0 to count-1), which shows its text, or for -1 selects none and shows
// text.
void showTableWidth(QComboBox& choice, int index, const std::string& text);

} // namespace bildertafel::ui
