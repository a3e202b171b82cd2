#include "ui/ShowFolders.h"

#include "filelist/FolderPath.h"
#include "ui/lists/FileNames.h"

namespace bildertafel::ui {

QString withTrailingSeparator(const QString& folder) {
    return uilists::fromFileName(filelist::withTrailingSeparator(uilists::toFileName(folder)));
}

} // namespace bildertafel::ui
