#include "generator/AllPicturesPageWriter.h"

#include "generator/RobotsMeta.h"

namespace bildertafel::generator {

void AllPicturesPageWriter::writeHeading(bool noindex) {
    if (noindex) {
        m_out.writeBytes(RobotsMeta);
        m_out.endLine();
    }
    m_out.writeBytes("<h2>Speichern Sie diese Webseite auf Ihrer Festplatte ab, dann erhalten Sie "
                     "alle Bilder auf einmal...");
    m_out.endLine();
    m_out.writeBytes("Die Aufl&ouml;sung der Bilder ist h&ouml;her als hier dargestellt.</h2>");
    m_out.endLine();
}

void AllPicturesPageWriter::writePicture(const PictureValues& picture) {
    m_out.writeBytes("<img src=\"");
    m_out.writeBytes(picture.fileHref());
    m_out.writeBytes("\" width=\"800\" height=\"600\"><p>");
    m_out.endLine();
}

} // namespace bildertafel::generator
