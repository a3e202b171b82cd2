#include "ui/publish/PublishTargets.h"

#include "ui/common/UserSettings.h"

#include <QSettings>

#include <array>
#include <utility>

namespace bildertafel::ui {

namespace {

constexpr std::array<std::pair<publish::Protocol, const char*>, 3> ProtocolNames{{
    {publish::Protocol::Sftp, "sftp"},
    {publish::Protocol::Ftps, "ftps"},
    {publish::Protocol::Ftp, "ftp"},
}};

QString groupOf(const std::string& showFolder) {
    return showGroup(QStringLiteral("Veroeffentlichen"), showFolder);
}

} // namespace

int defaultPort(publish::Protocol protocol) {
    publish::Target target;
    target.protocol = protocol;
    return publish::effectivePort(target);
}

PublishTarget rememberedTarget(const std::string& showFolder) {
    QSettings settings(userSettingsName(), userSettingsName());
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
    target.keyFile = settings.value("keyFile").toString();
    return target;
}

void rememberTarget(const std::string& showFolder, const PublishTarget& target) {
    QSettings settings(userSettingsName(), userSettingsName());
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
    settings.setValue("keyFile", target.keyFile);
}

} // namespace bildertafel::ui
