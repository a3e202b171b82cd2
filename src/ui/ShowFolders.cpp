#include "ui/ShowFolders.h"

namespace bildertafel {

QString withTrailingSeparator(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace bildertafel
