#include "generator/SelectionBlock.h"

#include "generator/WebText.h"

namespace bildertafel::generator {

void writeSelectionBlock(textfile::TextFileWriter& out, const SelectionChoice& choice) {
    std::string open = "<div class=\"auswahl\" role=\"region\" aria-label=\"Auswahl\" data-an=\"";
    appendWords(open, choice.mailAddress, " ");
    open += "\" data-hinweis=\"";
    appendWords(open, choice.note, "&#10;");
    open += "\">";
    out.writeBytes(open);
    out.endLine();
    std::string_view block = selectionBlockText();
    while (!block.empty()) {
        const std::size_t end = block.find('\n');
        out.writeBytes(block.substr(0, end));
        out.endLine();
        block = end == std::string_view::npos ? std::string_view() : block.substr(end + 1);
    }
    out.writeBytes("</div>");
    out.endLine();
}

} // namespace bildertafel::generator
