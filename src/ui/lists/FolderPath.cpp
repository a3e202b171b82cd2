#include "ui/lists/FolderPath.h"

#include "filelist/FolderPath.h"
#include "ui/lists/FileNames.h"

namespace bildertafel::uilists {

QString normalizedFolderPath(const QString& path, const QString& base) {
    return fromFileName(filelist::normalizedFolderPath(toFileName(path), toFileName(base)));
}

QString withTrailingSeparator(const QString& folder) {
    return fromFileName(filelist::withTrailingSeparator(toFileName(folder)));
}

bool isSameFolder(const QString& a, const QString& b) {
    return filelist::isSameFolder(toFileName(a), toFileName(b));
}

QString parentFolderPath(const QString& normalizedPath) {
    const qsizetype slash = normalizedPath.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : normalizedPath.left(slash);
}

bool isInsideFolder(const QString& normalizedPath, const QString& normalizedRoot) {
    if (normalizedRoot == u"/")
        return normalizedPath.startsWith(u'/');
    return normalizedPath == normalizedRoot || (normalizedPath.startsWith(normalizedRoot) &&
                                                normalizedPath.at(normalizedRoot.size()) == u'/');
}

} // namespace bildertafel::uilists
