#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

namespace bildertafel::ui {

// The passwords of the publish targets. They go into the desktop's keyring (Secret Service or
// KWallet) when one answers; otherwise, or once the keyring has failed, they are kept in memory
// for this run of the program only. Never on the disk in plain text.
class PublishPasswords : public QObject {
public:
    PublishPasswords();

    // Calls found with the target's password, at once when this run knows it, else when the
    // keyring gives it. Not at all when neither has one, or when the keyring does not answer in
    // time; context ends the wait when it goes.
    void find(const QString& address, QObject* context, std::function<void(QString)> found);
    // The password that worked for the target; an empty one (keys) forgets it.
    void keep(const QString& address, const QString& password);

    // Whether the keyring is asked at all: a session bus is there and the keyring has not failed.
    bool usesKeyring() const { return m_keyringUsable; }

private:
    QHash<QString, QString> m_known;
    bool m_keyringUsable;
};

} // namespace bildertafel::ui
