#pragma once

#include "publish/Publisher.h"
#include "ui/publish/PublishTargets.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QInputDialog;
class QThread;

namespace Ui {
class PublishDialog;
}

namespace bildertafel::ui {

class PublishPasswords;

// A page the show can start with: its name as shown, and as the disk holds it.
struct StartPageName {
    QString shown;
    std::string file;
};

// What the window gives the dialog: the show folder (its bytes, ending in "/"), its pages and the
// one to preset (-1: none).
struct PublishSource {
    std::string showFolder;
    std::vector<StartPageName> startPages;
    int presetPage = -1;
};

// The question for the passphrase of a key file, as the dialog asks it.
std::unique_ptr<QInputDialog> passphraseDialog(QWidget* parent, const QString& question);

// "Veröffentlichen": the target, the password, the start page, a dry run and the publish with its
// progress. The work runs off the window's thread; its questions (an unknown host key, plain FTP)
// are asked on the window's thread while the worker waits. The target is remembered per show
// folder, the password only in the keyring or in memory.
class PublishDialog : public QDialog {
    Q_OBJECT

public:
    PublishDialog(PublishSource source, PublishPasswords& passwords, QWidget* parent);
    ~PublishDialog() override;

    // A yes-or-no question on the window's thread; true for yes. The standard is a message box
    // with "No" preset; tests answer from a script.
    using Question = std::function<bool(const QString& text, const QString& title)>;
    void setAsk(Question ask) { m_ask = std::move(ask); }

    // The passphrase of a key file, asked on the window's thread; nothing when declined. The
    // standard is a password field; tests answer from a script.
    using PassphraseQuestion = std::function<std::optional<QString>(const QString& text)>;
    void setAskPassphrase(PassphraseQuestion ask) { m_askPassphrase = std::move(ask); }

    // Changes the options of every run before it starts: tests point it at their own known
    // hosts, keys and certificates.
    void setAdjustOptions(std::function<void(publish::PublishOptions&)> adjust) {
        m_adjustOptions = std::move(adjust);
    }

    // Whom ssh logs in as on a host when "Benutzer" is left empty, shown in the field; the window
    // reads ssh's configuration.
    void setSshUser(std::function<QString(const QString& host)> user) {
        m_sshUser = std::move(user);
        showUserDefault();
    }

    bool isRunning() const { return m_worker != nullptr; }

public slots:
    void reject() override;

private:
    class WorkerHost;

    void showTarget(const PublishTarget& target);
    PublishTarget targetShown() const;
    void takeFullAddress();
    void protocolChosen(int index);
    // The account of the target shown, as the passwords are known by.
    QString passwordKey() const;
    void fillPassword();
    void keepTarget();
    void start(bool dryRun);
    // The steps of start(): each check refuses with its message when the dialog's inputs fail it.
    bool checkHost(const PublishTarget& shown);
    bool checkStartPage(int page);
    std::optional<QUrl> checkedBaseAddress(const PublishTarget& shown);
    std::optional<publish::Target> checkedTarget(const PublishTarget& shown);
    publish::PublishOptions optionsFor(const PublishTarget& shown, int page, bool dryRun);
    void showStarting(bool dryRun);
    void startWorker(const publish::Target& target, const publish::PublishOptions& options);
    void refuse(const QString& message);
    void finish();
    void showProgress();
    // After a run that failed or was cancelled: the files that reached the server, of those
    // planned; no count where none were planned yet.
    void showFilesSent(const publish::Result& result);
    void setRunning(bool running);
    // Asked by the worker; waits for the answer on the window's thread.
    bool askFromWorker(const QString& text, const QString& title);
    std::optional<std::string> askPassphraseFromWorker(const QString& text);
    // "Schlüsseldatei…": chosen in a file dialog, or none again.
    void chooseKeyFile();
    void showKeyFile();
    // The fields as the protocol names them: an object store's endpoint, keys, bucket and region.
    void showProtocolFields();
    void showUserDefault();
    // "Zugang…": who may see the show, in a dialog of its own.
    void chooseAccess();
    // The show's password is known by the show folder.
    QString showPasswordKey() const;

    std::unique_ptr<Ui::PublishDialog> m_ui;
    PublishSource m_source;
    PublishPasswords& m_passwords;
    Question m_ask;
    PassphraseQuestion m_askPassphrase;
    QString m_keyFile;
    ShowProtection m_access;
    QString m_showPassword; // in memory; kept in the keyring after a publish that worked
    std::function<void(publish::PublishOptions&)> m_adjustOptions;
    std::function<QString(const QString& host)> m_sshUser;

    QThread* m_worker = nullptr;
    std::unique_ptr<WorkerHost> m_host;
    std::atomic<bool> m_cancel{false};
    bool m_dryRun = false;
    QString m_filesFormat; // the bar's text while files go, from the dialog's description
    QString m_passwordKey; // of the run's account
    QString m_password;
    publish::Result m_result;
    QUrl m_startPageAddress;

    // The worker's latest progress; one update at a time waits for the window's thread.
    std::mutex m_progressLock;
    publish::Progress m_progress;
    std::atomic<bool> m_progressPending{false};
    QElapsedTimer m_sendingClock;
};

} // namespace bildertafel::ui
