#pragma once

#include <QString>

#include <string>

class QPlainTextEdit;

namespace bildertafel::ui {

// A template as the text box shows it: one text line per template line.
QString templateForEditor(const std::string& templateText);

// The template a text box holds, lines separated by CR LF whatever break the box uses inside
// (new blocks, line separators). Everything else is kept as typed, non-breaking spaces included.
std::string templateFromEditor(const QPlainTextEdit& editor);

} // namespace bildertafel::ui
