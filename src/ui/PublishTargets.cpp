#include "ui/PublishTargets.h"

#include <QByteArray>
#include <QSettings>

#include <array>
#include <utility>

namespace bildertafel::ui {

namespace {

// The user's own settings of the program, ~/.config/bildertafel/bildertafel.conf.
constexpr const char* SettingsName = "bildertafel";

constexpr std::array<std::pair<publish::Protocol, const char*>, 3> ProtocolNames{{
    {publish::Protocol::Sftp, "sftp"},
    {publish::Protocol::Ftps, "ftps"},
    {publish::Protocol::Ftp, "ftp"},
}};

// One group per show folder. The folder's bytes are percent-encoded, so that its "/" do not
// nest groups and a name in any character set keeps a group of its own.
QString groupOf(const std::string& showFolder) {
    const QByteArray bytes(showFolder.data(), static_cast<qsizetype>(showFolder.size()));
    return QStringLiteral("Veroeffentlichen/") + QString::fromLatin1(bytes.toPercentEncoding());
}

} // namespace

int defaultPort(publish::Protocol protocol) {
    publish::Target target;
    target.protocol = protocol;
    return publish::effectivePort(target);
}

PublishTarget rememberedTarget(const std::string& showFolder) {
    QSettings settings(QString::fromLatin1(SettingsName), QString::fromLatin1(SettingsName));
    settings.beginGroup(groupOf(showFolder));
    PublishTarget target;
    const QString protocol = settings.value("protocol").toString();
    for (const auto& [value, name] : ProtocolNames) {
        if (protocol == QLatin1String(name)) {
            target.protocol = value;
        }
    }
    target.host = settings.value("host").toString();
    const int port = settings.value("port").toInt();
    target.port = port > 0 && port <= 65535 ? port : defaultPort(target.protocol);
    target.user = settings.value("user").toString();
    target.folder = settings.value("folder").toString();
    target.baseAddress = settings.value("baseAddress").toString();
    target.deleteUnneeded = settings.value("deleteUnneeded", false).toBool();
    return target;
}

void rememberTarget(const std::string& showFolder, const PublishTarget& target) {
    QSettings settings(QString::fromLatin1(SettingsName), QString::fromLatin1(SettingsName));
    settings.beginGroup(groupOf(showFolder));
    for (const auto& [value, name] : ProtocolNames) {
        if (target.protocol == value) {
            settings.setValue("protocol", QString::fromLatin1(name));
        }
    }
    settings.setValue("host", target.host);
    settings.setValue("port", target.port);
    settings.setValue("user", target.user);
    settings.setValue("folder", target.folder);
    settings.setValue("baseAddress", target.baseAddress);
    settings.setValue("deleteUnneeded", target.deleteUnneeded);
}

} // namespace bildertafel::ui
