#include "generator/PicturePageWriter.h"

namespace bildertafel::generator {

void writePicturePage(textfile::TextFileWriter& out, const RunValues& run,
                      const PictureValues& picture) {
    out.write(run.settings.Template(settings::TemplateId::ImagePageBefore));
    out.endLine();
    // The page lies in the picture folder: climb to the show folder, however deep that is.
    out.writeBytes("<a href=\"");
    out.writeBytes(run.climbToShow);
    out.write(run.startPageHref);
    out.writeBytes(".html#");
    out.write(picture.baseHref());
    out.writeBytes("\"><img src=\"");
    out.write(picture.baseHref());
    out.write(picture.extHref());
    out.writeBytes("\" alt=\"zur&uuml;ck zur Vorschau...\"></a>");
    out.endLine();
    out.write(run.settings.Template(settings::TemplateId::ImagePageAfter));
    out.endLine();
}

} // namespace bildertafel::generator
