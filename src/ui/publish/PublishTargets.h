#pragma once

#include "publish/Target.h"

#include <QString>

#include <string>

namespace bildertafel::ui {

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

    bool operator==(const PublishTarget&) const = default;
};

// The port a protocol's servers listen on unless told otherwise.
int defaultPort(publish::Protocol protocol);

// The target last used for the show folder (its bytes), from the user's own settings
// (~/.config/bildertafel/bildertafel.conf); a show folder never published gets the defaults.
PublishTarget rememberedTarget(const std::string& showFolder);
void rememberTarget(const std::string& showFolder, const PublishTarget& target);

} // namespace bildertafel::ui
