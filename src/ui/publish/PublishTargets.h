#pragma once

#include "publish/ShowAccess.h"
#include "publish/Target.h"

#include <QDate>

#include <QString>

#include <string>

namespace bildertafel::ui {

// Who may see the show, as "Zugang…" chose it; the password is never part of it.
struct ShowProtection {
    bool protect = false; // "Nur mit Passwort sichtbar"
    QString user = QStringLiteral("gast");
    QDate visibleUntil; // null: no end
    bool noindex = false;
    QString serverPath; // empty: asked over SFTP
    bool operator==(const ShowProtection&) const = default;
};

// What the publish is told: Bildertafel's own files always go up with the show.
publish::ShowAccess showAccessOf(const ShowProtection& protection, const QString& password,
                                 const QString& webAddress);

// Where a show goes and how: what the dialog "Veröffentlichen" remembers per show folder. The
// password is never part of it.
struct PublishTarget {
    publish::Protocol protocol = publish::Protocol::Sftp;
    QString host;
    int port = 22;
    QString user;
    QString folder;
    QString baseAddress;
    bool deleteUnneeded = false;
    // SFTP: the private key chosen with "Schlüsseldatei…"; empty: ssh's own choice. Only its
    // path; its passphrase is asked at every publish.
    QString keyFile;
    // S3 (host: the endpoint, user: the access key, folder: "bucket/prefix"): the region, and
    // whether the show's objects are made readable for everybody.
    QString region;
    bool publicRead = false;
    ShowProtection access;

    bool operator==(const PublishTarget&) const = default;
};

// The port a protocol's servers listen on unless told otherwise.
int defaultPort(publish::Protocol protocol);

// The target last used for the show folder (its bytes), from the user's own settings
// (~/.config/bildertafel/bildertafel.conf); a show folder never published gets the defaults.
PublishTarget rememberedTarget(const std::string& showFolder);
void rememberTarget(const std::string& showFolder, const PublishTarget& target);

} // namespace bildertafel::ui
