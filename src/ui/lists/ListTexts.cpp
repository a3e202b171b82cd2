#include "ui/lists/ListTexts.h"

namespace bildertafel::uilists::texts {

QString noFolderGiven() {
    return QStringLiteral("Es wurde kein Ordner angegeben.");
}

QString folderMissing(const QString& folder) {
    return QStringLiteral("Der Ordner „%1“ existiert nicht.").arg(folder);
}

QString notAFolder(const QString& path) {
    return QStringLiteral("„%1“ ist kein Ordner.").arg(path);
}

QString folderAccessDenied(const QString& folder) {
    return QStringLiteral("Der Ordner „%1“ kann nicht gelesen werden: Zugriff verweigert.")
        .arg(folder);
}

QString folderUnreadable(const QString& folder, const QString& reason) {
    return QStringLiteral("Der Ordner „%1“ kann nicht gelesen werden: %2.").arg(folder, reason);
}

} // namespace bildertafel::uilists::texts
