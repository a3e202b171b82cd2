#include "ui/publish/PublishTargets.h"

#include "ui/common/UserSettings.h"

#include <QSettings>

#include <array>
#include <utility>

namespace bildertafel::ui {

namespace {

constexpr std::array<std::pair<publish::Protocol, const char*>, 4> ProtocolNames{{
    {publish::Protocol::Sftp, "sftp"},
    {publish::Protocol::Ftps, "ftps"},
    {publish::Protocol::Ftp, "ftp"},
    {publish::Protocol::S3, "s3"},
}};

QString groupOf(const std::string& showFolder) {
    return showGroup(QStringLiteral("Veroeffentlichen"), showFolder);
}

} // namespace

publish::ShowAccess showAccessOf(const ShowProtection& protection, const QString& password,
                                 const QString& webAddress) {
    publish::ShowAccess access;
    access.serverFiles = true;
    access.protect = protection.protect;
    access.user = protection.user.toStdString();
    access.password = protection.protect ? password.toStdString() : std::string();
    if (protection.visibleUntil.isValid()) {
        access.visibleUntil =
            publish::Day{protection.visibleUntil.year(), protection.visibleUntil.month(),
                         protection.visibleUntil.day()};
    }
    access.noindex = protection.noindex;
    access.serverPath = protection.serverPath.toStdString();
    access.webAddress = webAddress.trimmed().toStdString();
    return access;
}

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
    target.region = settings.value("region").toString();
    target.publicRead = settings.value("publicRead", false).toBool();
    target.access.protect = settings.value("protect", false).toBool();
    target.access.user = settings.value("protectUser", QStringLiteral("gast")).toString();
    target.access.visibleUntil =
        QDate::fromString(settings.value("visibleUntil").toString(), Qt::ISODate);
    target.access.noindex = settings.value("noindex", false).toBool();
    target.access.serverPath = settings.value("serverPath").toString();
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
    settings.setValue("region", target.region);
    settings.setValue("publicRead", target.publicRead);
    settings.setValue("protect", target.access.protect);
    settings.setValue("protectUser", target.access.user);
    settings.setValue("visibleUntil", target.access.visibleUntil.toString(Qt::ISODate));
    settings.setValue("noindex", target.access.noindex);
    settings.setValue("serverPath", target.access.serverPath);
}

} // namespace bildertafel::ui
