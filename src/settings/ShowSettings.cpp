#include "settings/ShowSettings.h"

#include "settings/LeadingNumber.h"

namespace bildertafel::settings {

std::string_view TemplateCaption(TemplateId id) {
    switch (id) {
    case TemplateId::PageHead:
        return "HTML-Kopf";
    case TemplateId::PageFoot:
        return "HTML-Fuß";
    case TemplateId::CellBefore:
        return "HTML-Tabellenzelle vor dem Bild";
    case TemplateId::CellAfter:
        return "HTML-Tabellenzelle nach dem Bild";
    case TemplateId::ImagePageBefore:
        return "HTML-Datei vor dem Bild";
    case TemplateId::ImagePageAfter:
        return "HTML-Datei nach dem Bild";
    }
    return {};
}

bool ShowSettings::setTableWidthIndex(int k) {
    if (k < -1 || k >= static_cast<int>(TableWidthEntries.size())) {
        return false;
    }
    m_tableWidthIndex = static_cast<std::int16_t>(k);
    m_tableWidthText =
        k < 0 ? std::string() : std::string(TableWidthEntries[static_cast<std::size_t>(k)]);
    return true;
}

void ShowSettings::setTypedTableWidthText(std::string text) {
    m_tableWidthIndex = -1;
    m_tableWidthText = std::move(text);
}

double ShowSettings::PicturesPerRow() const {
    return LeadingNumber(m_tableWidthText);
}

ShowSettings DefaultShowSettings() {
    ShowSettings settings;
    const std::string q(QuoteChar);
    settings.setTemplate(TemplateId::PageHead, "<html><body><center>");
    settings.setTemplate(TemplateId::PageFoot, "</center></body></html>");
    settings.setTemplate(TemplateId::CellBefore,
                         "<td align=" + q + "center" + q + " valign=" + q + "center" + q + ">");
    settings.setTemplate(TemplateId::CellAfter, "</td>");
    settings.setTemplate(TemplateId::ImagePageBefore, "<html><body><center>");
    settings.setTemplate(TemplateId::ImagePageAfter, "</center></body></html>");
    settings.setTableWidthIndex(2);
    settings.setOption(ShowOption::OwnPagePerPicture, 0);
    settings.setOption(ShowOption::NewBrowserWindow, 0);
    settings.setOption(ShowOption::AllPicturesPage, 1);
    return settings;
}

} // namespace bildertafel::settings
