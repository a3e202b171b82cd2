#pragma once

#include <QByteArray>
#include <QString>

#include <string>

namespace bildertafel::ui {

// The user's own settings of the program, ~/.config/bildertafel/bildertafel.conf: organisation
// and application name of QSettings.
inline QString userSettingsName() {
    return QStringLiteral("bildertafel");
}

// The group of a section for one show folder. The folder's bytes are percent-encoded, so that
// its "/" do not nest groups and a name in any character set keeps a group of its own.
inline QString showGroup(const QString& section, const std::string& showFolder) {
    const QByteArray bytes(showFolder.data(), static_cast<qsizetype>(showFolder.size()));
    return section + u'/' + QString::fromLatin1(bytes.toPercentEncoding());
}

} // namespace bildertafel::ui
