#include "ui/publish/PublishPasswords.h"

#include <QTimer>
#include <qt6keychain/keychain.h>

#include <memory>
#include <utility>

namespace bildertafel::ui {

namespace {

const QString KeyringService = QStringLiteral("bildertafel");

// A keyring that is locked shows its own prompt: time enough to type its password.
constexpr int KeyringAnswerMs = 60000;

} // namespace

PublishPasswords::PublishPasswords()
    // Without a session bus no keyring can answer; the toolkit's attempt to start one is spared.
    : m_keyringUsable(!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {}

void PublishPasswords::find(const QString& address, QObject* context,
                            std::function<void(QString)> found) {
    if (const auto known = m_known.constFind(address); known != m_known.constEnd()) {
        found(*known);
        return;
    }
    if (!m_keyringUsable) {
        return;
    }
    auto* job = new QKeychain::ReadPasswordJob(KeyringService);
    job->setAutoDelete(true);
    job->setKey(address);
    // Whichever comes first, the answer or the end of the wait, settles it.
    auto pending = std::make_shared<std::function<void(QString)>>(std::move(found));
    QObject::connect(job, &QKeychain::Job::finished, context,
                     [this, address, pending](QKeychain::Job* finished) {
                         if (!*pending) {
                             return;
                         }
                         auto call = std::exchange(*pending, nullptr);
                         const auto error = finished->error();
                         if (error == QKeychain::NoError) {
                             const QString password =
                                 static_cast<QKeychain::ReadPasswordJob*>(finished)->textData();
                             m_known.insert(address, password);
                             call(password);
                         } else if (error != QKeychain::EntryNotFound) {
                             m_keyringUsable = false;
                         }
                     });
    QTimer::singleShot(KeyringAnswerMs, context, [pending] { *pending = nullptr; });
    job->start();
}

void PublishPasswords::keep(const QString& address, const QString& password) {
    if (password.isEmpty()) {
        const bool wasKnown = m_known.remove(address) > 0;
        if (m_keyringUsable && wasKnown) {
            auto* job = new QKeychain::DeletePasswordJob(KeyringService);
            job->setKey(address);
            job->start();
        }
        return;
    }
    if (const auto known = m_known.constFind(address);
        known != m_known.constEnd() && *known == password) {
        return;
    }
    m_known.insert(address, password);
    if (!m_keyringUsable) {
        return;
    }
    auto* job = new QKeychain::WritePasswordJob(KeyringService);
    job->setKey(address);
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [this](QKeychain::Job* finished) {
        if (finished->error() != QKeychain::NoError) {
            m_keyringUsable = false;
        }
    });
    job->start();
}

} // namespace bildertafel::ui
