#include "generator/PicturePageWriter.h"

#include "generator/PictureLink.h"
#include "generator/RobotsMeta.h"

#include "core/LargePictures.h"

namespace bildertafel::generator {

void writePicturePage(textfile::TextFileWriter& out, const RunValues& run,
                      const PictureValues& picture, bool hasLarge) {
    if (run.noindex) {
        writeWithRobotsMeta(out, run.settings.Template(settings::TemplateId::ImagePageBefore));
    } else {
        out.write(run.settings.Template(settings::TemplateId::ImagePageBefore));
    }
    out.endLine();
    // The page lies in the picture folder: climb to the show folder, however deep that is.
    writePictureLink(
        out,
        {.href = {run.climbToShow, run.startPageHref, ".html#", picture.baseHref()},
         .large = {},
         .src = {picture.fileHref()},
         .largeSrc = hasLarge ? std::initializer_list<std::string_view>{core::LargePictureFolder,
                                                                        "/", picture.fileHref()}
                              : std::initializer_list<std::string_view>{},
         .alt = "zur&uuml;ck zur Vorschau...",
         .altWords = picture.altWords(),
         .linkData = {}});
    out.endLine();
    // The title and caption under the picture, only where the picture has them.
    if (!picture.pageWords().empty()) {
        out.writeBytes(picture.pageWords());
        out.endLine();
    }
    out.write(run.settings.Template(settings::TemplateId::ImagePageAfter));
    out.endLine();
}

} // namespace bildertafel::generator
