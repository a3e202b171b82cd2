#include "generator/StartPageWriter.h"

#include "core/ByteSize.h"
#include "generator/PictureLink.h"
#include "generator/RobotsMeta.h"
#include "generator/WebText.h"

namespace bildertafel::generator {

void StartPageWriter::writeTop() {
    const std::string& head = m_run.settings.Template(settings::TemplateId::PageHead);
    // Without a <head> of its own the meta comes first, before the line of the download link.
    const bool metaFirst = m_run.noindex && !hasHeadTag(head);
    if (metaFirst) {
        m_out.writeBytes(RobotsMeta);
        m_out.endLine();
    }
    if (m_run.allPage) {
        m_out.writeBytes(
            "<center><a href=\"#alle\">Alle Fotos auf einmal herunterladen...</a><p><hr>");
        m_out.endLine();
    }
    if (m_run.noindex && !metaFirst) {
        writeWithRobotsMeta(m_out, head);
    } else {
        m_out.write(head);
    }
    m_out.endLine();
    m_out.writeBytes("<tr>");
    m_out.endLine();
}

void StartPageWriter::writeCell(const PictureValues& picture, bool hasLarge) {
    m_out.write(m_run.settings.Template(settings::TemplateId::CellBefore));
    // The link leads to the picture's own page, or to the picture itself.
    const std::string_view target = m_run.ownPages ? picture.baseHref() : picture.fileHref();
    writePictureLink(
        m_out, {.anchorName = &picture.anchorName(),
                .href = {m_run.pictureWebHref, target, m_run.ownPages ? ".html" : ""},
                .large = hasLarge ? std::initializer_list<std::string_view>{m_run.largeWebHref,
                                                                            picture.fileHref()}
                                  : std::initializer_list<std::string_view>{},
                .newWindow = m_run.newWindow,
                .src = {m_run.thumbWebHref, picture.fileHref()},
                .largeSrc = {},
                .border = true,
                .alt = "Foto zum Vergr&ouml;&szlig;ern bitte anklicken!",
                .altWords = picture.altWords(),
                .linkData = picture.linkData()});
    m_out.write(m_run.settings.Template(settings::TemplateId::CellAfter));
    m_out.endLine();
}

void StartPageWriter::writeRowBreak() {
    m_out.writeBytes("</tr><tr>");
    m_out.endLine();
}

void StartPageWriter::writeBottom(const SelectionChoice* selection, const ZipLink* zip) {
    m_out.writeBytes("</tr></table>");
    m_out.endLine();
    if (selection != nullptr) {
        writeSelectionBlock(m_out, *selection);
    }
    if (zip != nullptr) {
        std::string link = "<p class=\"zip\"><a href=\"";
        appendUrlAttribute(link, zip->name);
        link += "\" download>Alle Bilder herunterladen (";
        appendWords(link, core::byteSizeText(zip->bytes), " ");
        link += ")</a></p>";
        m_out.writeBytes(link);
        m_out.endLine();
    }
    if (m_run.allPage) {
        m_out.writeBytes(
            "<p><hr>Sie k&ouml;nnen alle Bilder auf einmal herunterladen, indem Sie mit "
            "folgendem Link ");
        m_out.writeBytes("eine Seite mit allen Bildern in gro&szlig; aufrufen und diese dann auf "
                         "Ihrer Festplatte speichern. ");
        m_out.writeBytes("Dies ist aber nur mit einem DSL-Anschluss sinnvoll. ");
        m_out.endLine();
        m_out.writeBytes("<a name=\"alle\" href=\"");
        m_out.write(m_run.pictureWebHref);
        m_out.write(m_run.startPageHref);
        m_out.writeBytes("_all.html\" target=\"_blank\">");
        m_out.endLine();
        m_out.writeBytes("<h3>Webseite mit allen Bilder in gro&szlig; &ouml;ffnen</h3></a>");
        m_out.endLine();
    }
    m_out.write(m_run.settings.Template(settings::TemplateId::PageFoot));
    m_out.endLine();
}

} // namespace bildertafel::generator
