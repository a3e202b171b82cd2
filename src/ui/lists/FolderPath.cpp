#include "ui/lists/FolderPath.h"

#include <QStringList>

namespace bildertafel::uilists {

QString normalizedFolderPath(const QString& path, const QString& base) {
    const QString full = path.startsWith(u'/') ? path : base + u'/' + path;
    QStringList parts;
    for (const QString& part : full.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            // Above the root there is nothing: "/.." is "/".
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return u'/' + parts.join(u'/');
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
