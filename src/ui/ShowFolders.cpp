#include "ui/ShowFolders.h"

namespace bildertafel::ui {

QString withTrailingSeparator(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace bildertafel::ui
