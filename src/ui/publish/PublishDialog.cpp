#include "ui/publish/PublishDialog.h"

#include "ui/common/DialogFit.h"

#include "publish/S3Settings.h"
#include "publish/TransferModule.h"
#include "ui/common/BrowserStart.h"
#include "ui/common/QtText.h"
#include "ui/common/StandardDialogs.h"
#include "ui/publish/AccessDialog.h"
#include "ui/publish/PublishPasswords.h"
#include "ui/publish/PublishTexts.h"
#include "ui_PublishDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QThread>

#include <algorithm>
#include <array>

namespace bildertafel::ui {

namespace {

// The module that sends: BILDERTAFEL_PUBLISH_TRANSFER when set, else installed in the private
// library folder beside the program's bin folder; a build tree keeps it where it was built.
std::string transferModulePath() {
    const QString chosen = qEnvironmentVariable("BILDERTAFEL_PUBLISH_TRANSFER");
    if (!chosen.isEmpty()) {
        return chosen.toStdString();
    }
    QString installed = QCoreApplication::applicationDirPath() +
                        QStringLiteral("/../" BILDERTAFEL_TRANSFER_INSTALL_DIR "/") +
                        QString::fromLatin1(publish::TransferModuleFile);
#ifdef BILDERTAFEL_BUILD_TREE_TRANSFER
    if (!QFileInfo::exists(installed)) {
        return BILDERTAFEL_BUILD_TREE_TRANSFER;
    }
#endif
    return QFileInfo(installed).absoluteFilePath().toStdString();
}

// The protocols in the order of the choice "Protokoll".
constexpr std::array<publish::Protocol, 4> Protocols{publish::Protocol::Sftp,
                                                     publish::Protocol::Ftps,
                                                     publish::Protocol::Ftp, publish::Protocol::S3};

// What the program's environment says, for the object store's keys, endpoint and region.
std::optional<std::string> environmentValue(std::string_view name) {
    const QByteArray key(name.data(), static_cast<qsizetype>(name.size()));
    if (!qEnvironmentVariableIsSet(key.constData())) {
        return std::nullopt;
    }
    return qEnvironmentVariable(key.constData()).toStdString();
}

int protocolIndex(publish::Protocol protocol) {
    return static_cast<int>(std::find(Protocols.begin(), Protocols.end(), protocol) -
                            Protocols.begin());
}

QString joined(const QString& text, const std::vector<std::string>& more) {
    QString all = text;
    for (const std::string& line : more) {
        all += QStringLiteral("\n\n") + fromUtf8(line);
    }
    return all;
}

// The folder as the library takes it: no trailing "/", except for the root itself.
std::string remoteFolder(QString folder) {
    folder = folder.trimmed();
    while (folder.size() > 1 && folder.endsWith(u'/')) {
        folder.chop(1);
    }
    return folder.toStdString();
}

} // namespace

// The worker's side: questions wait for the window's thread, progress is handed over.
class PublishDialog::WorkerHost : public publish::PublishHost {
public:
    explicit WorkerHost(PublishDialog& dialog) : m_dialog(dialog) {}

    bool acceptUnknownHostKey(const std::string& question) override {
        return m_dialog.askFromWorker(fromUtf8(question),
                                      QStringLiteral("Unbekannter Schlüssel des Servers"));
    }
    bool confirmPlainFtp(const std::string& warning) override {
        return m_dialog.askFromWorker(fromUtf8(warning),
                                      QStringLiteral("Unverschlüsselte Übertragung"));
    }
    void progress(const publish::Progress& progress) override {
        {
            const std::lock_guard lock(m_dialog.m_progressLock);
            m_dialog.m_progress = progress;
        }
        if (!m_dialog.m_progressPending.exchange(true)) {
            // The dialog outlives the worker; this host may not.
            PublishDialog* dialog = &m_dialog;
            QMetaObject::invokeMethod(
                dialog, [dialog] { dialog->showProgress(); }, Qt::QueuedConnection);
        }
    }
    bool cancelRequested() override { return m_dialog.m_cancel.load(); }
    std::optional<std::string> askPassphrase(const std::string& question) override {
        return m_dialog.askPassphraseFromWorker(fromUtf8(question));
    }

private:
    PublishDialog& m_dialog;
};

std::unique_ptr<QInputDialog> passphraseDialog(QWidget* parent, const QString& question) {
    return makeInputDialog(parent, QStringLiteral("Passphrase der Schlüsseldatei"), question,
                           QLineEdit::Password);
}

PublishDialog::PublishDialog(PublishSource source, PublishPasswords& passwords, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::PublishDialog>()), m_source(std::move(source)),
      m_passwords(passwords) {
    m_ui->setupUi(this);
    m_ask = [this](const QString& text, const QString& title) {
        return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };

    m_askPassphrase = [this](const QString& text) -> std::optional<QString> {
        const std::unique_ptr<QInputDialog> ask = passphraseDialog(this, text);
        if (ask->exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return ask->textValue();
    };
    auto* keyMenu = new QMenu(m_ui->KeyFile);
    keyMenu->addAction(QStringLiteral("Schlüsseldatei wählen…"), this,
                       &PublishDialog::chooseKeyFile);
    QAction* noKey = keyMenu->addAction(QStringLiteral("Keine Schlüsseldatei"), this, [this] {
        m_keyFile.clear();
        showKeyFile();
    });
    connect(keyMenu, &QMenu::aboutToShow, this,
            [this, noKey] { noKey->setEnabled(!m_keyFile.isEmpty()); });
    m_ui->KeyFile->setMenu(keyMenu);

    for (const StartPageName& page : m_source.startPages) {
        m_ui->StartPage->addItem(page.shown);
    }
    if (m_source.presetPage >= 0) {
        m_ui->StartPage->setCurrentIndex(m_source.presetPage);
    }
    showTarget(rememberedTarget(m_source.showFolder));
    m_filesFormat = m_ui->Progress->format();
    m_ui->Progress->setTextVisible(false);
    fillPassword();

    connect(m_ui->Protocol, &QComboBox::currentIndexChanged, this, &PublishDialog::protocolChosen);
    connect(m_ui->Host, &QLineEdit::editingFinished, this, &PublishDialog::takeFullAddress);
    connect(m_ui->User, &QLineEdit::editingFinished, this, &PublishDialog::fillPassword);
    connect(m_ui->Port, &QSpinBox::editingFinished, this, &PublishDialog::fillPassword);
    connect(m_ui->DryRun, &QPushButton::clicked, this, [this] { start(true); });
    connect(m_ui->Publish, &QPushButton::clicked, this, [this] { start(false); });
    connect(m_ui->Cancel, &QPushButton::clicked, this, [this] {
        m_cancel = true;
        m_ui->Cancel->setEnabled(false);
        m_ui->ProgressText->setText(
            QStringLiteral("Wird abgebrochen, sobald die Datei in Arbeit fertig ist…"));
    });
    connect(m_ui->OpenInBrowser, &QPushButton::clicked, this, [this] {
        const QUrl address = m_startPageAddress;
        openInBrowser(address, this, [this, address] {
            // Shown without waiting, so that a late report does not stop a publish started since.
            auto* box = new QMessageBox(
                QMessageBox::Warning, m_ui->OpenInBrowser->text(),
                fromUtf8(texts::browserNotStarted(address.toString().toStdString())),
                QMessageBox::Ok, this);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        });
    });
    connect(m_ui->Close, &QPushButton::clicked, this, &PublishDialog::reject);
    connect(m_ui->Access, &QPushButton::clicked, this, &PublishDialog::chooseAccess);
    m_passwords.find(showPasswordKey(), this,
                     [this](const QString& password) { m_showPassword = password; });
    fitToScreen(*this, *m_ui->Scroll);
}

PublishDialog::~PublishDialog() {
    if (m_worker != nullptr) {
        m_cancel = true;
        m_worker->wait();
        delete m_worker;
    }
}

void PublishDialog::reject() {
    // A running publish is stopped first; the dialog closes once it has.
    if (isRunning()) {
        m_ui->Cancel->click();
        return;
    }
    keepTarget();
    QDialog::reject();
}

void PublishDialog::showTarget(const PublishTarget& target) {
    const QSignalBlocker quiet(m_ui->Protocol);
    m_ui->Protocol->setCurrentIndex(protocolIndex(target.protocol));
    m_ui->Host->setText(target.host);
    m_ui->Port->setValue(target.port);
    m_ui->User->setText(target.user);
    m_ui->RemoteFolder->setText(target.folder);
    m_ui->BaseAddress->setText(target.baseAddress);
    m_ui->DeleteUnneeded->setChecked(target.deleteUnneeded);
    m_ui->Region->setText(target.region);
    m_ui->PublicRead->setChecked(target.publicRead);
    m_keyFile = target.keyFile;
    m_access = target.access;
    showKeyFile();
    showProtocolFields();
}

void PublishDialog::showProtocolFields() {
    const bool s3 = m_ui->Protocol->currentIndex() == protocolIndex(publish::Protocol::S3);
    m_ui->PortLabel->setVisible(!s3);
    m_ui->Port->setVisible(!s3);
    m_ui->RegionLabel->setVisible(s3);
    m_ui->Region->setVisible(s3);
    m_ui->PublicRead->setVisible(s3);
    m_ui->HostLabel->setText(s3 ? QStringLiteral("Endpunkt:") : QStringLiteral("Server:"));
    m_ui->Host->setPlaceholderText(
        s3 ? QStringLiteral("z. B. https://fsn1.your-objectstorage.com; leer: AWS_ENDPOINT_URL, "
                            "~/.aws/config oder AWS")
           : QStringLiteral("z. B. www.example.de"));
    m_ui->UserLabel->setText(s3 ? QStringLiteral("Zugangsschlüssel:")
                                : QStringLiteral("Benutzer:"));
    m_ui->User->setPlaceholderText(
        s3 ? QStringLiteral("leer: AWS_ACCESS_KEY_ID oder ~/.aws/credentials") : QString());
    m_ui->PasswordLabel->setText(s3 ? QStringLiteral("Geheimer Schlüssel:")
                                    : QStringLiteral("Passwort:"));
    m_ui->RemoteFolderLabel->setText(s3 ? QStringLiteral("Bucket und Präfix:")
                                        : QStringLiteral("Ordner auf dem Server:"));
    m_ui->RemoteFolder->setPlaceholderText(s3 ? QStringLiteral("z. B. fotos/hochzeit-2026")
                                              : QStringLiteral("z. B. /var/www/fotos"));
}

QString PublishDialog::showPasswordKey() const {
    return QStringLiteral("fotoshow:") + fromUtf8(m_source.showFolder);
}

void PublishDialog::chooseAccess() {
    AccessDialog dialog(m_access, m_showPassword, m_ui->BaseAddress->text(),
                        m_passwords.usesKeyring(), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    m_access = dialog.chosen();
    m_showPassword = dialog.password();
    keepTarget();
}

void PublishDialog::chooseKeyFile() {
    const QString start =
        m_keyFile.isEmpty() ? QDir::homePath() + QStringLiteral("/.ssh") : m_keyFile;
    QFileDialog chooser(this, QStringLiteral("Private SSH-Schlüsseldatei wählen"), start);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setFilter(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    // ssh keys have any name: every file is shown, the usual names are the second choice.
    chooser.setNameFilters({QStringLiteral("Alle Dateien (*)"),
                            QStringLiteral("Private Schlüssel (id_* *.pem *.key)")});
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty()) {
        QString chosen = chooser.selectedFiles().constFirst();
        // The public half was picked: its private key lies beside it.
        if (chosen.endsWith(QStringLiteral(".pub")) && QFileInfo::exists(chosen.chopped(4))) {
            chosen.chop(4);
        }
        m_keyFile = chosen;
        showKeyFile();
    }
}

void PublishDialog::showKeyFile() {
    const bool sftp = m_ui->Protocol->currentIndex() == protocolIndex(publish::Protocol::Sftp);
    const bool s3 = m_ui->Protocol->currentIndex() == protocolIndex(publish::Protocol::S3);
    m_ui->KeyFile->setEnabled(sftp);
    // An object store's secret is no ssh key: no key file beside it.
    m_ui->KeyFile->setVisible(!s3);
    m_ui->KeyFile->setToolTip(
        m_keyFile.isEmpty()
            ? QStringLiteral("Einen privaten SSH-Schlüssel wählen, der vor allen anderen "
                             "versucht wird")
            : QStringLiteral("Gewählt: %1").arg(m_keyFile));
    m_ui->Password->setPlaceholderText(
        s3      ? QStringLiteral("leer: AWS_SECRET_ACCESS_KEY oder ~/.aws/credentials")
        : !sftp ? QString()
        : m_keyFile.isEmpty()
            ? QStringLiteral("leer: SSH-Schlüssel oder ssh-agent")
            : QStringLiteral("leer: Schlüssel %1").arg(QFileInfo(m_keyFile).fileName()));
    showUserDefault();
}

void PublishDialog::showUserDefault() {
    // An object store's access key has its own placeholder.
    if (m_ui->Protocol->currentIndex() == protocolIndex(publish::Protocol::S3)) {
        return;
    }
    const bool sftp = m_ui->Protocol->currentIndex() == protocolIndex(publish::Protocol::Sftp);
    m_ui->User->setPlaceholderText(sftp && m_sshUser ? m_sshUser(m_ui->Host->text().trimmed())
                                                     : QString());
}

PublishTarget PublishDialog::targetShown() const {
    PublishTarget target;
    target.protocol = Protocols.at(static_cast<std::size_t>(m_ui->Protocol->currentIndex()));
    target.host = m_ui->Host->text().trimmed();
    target.port = m_ui->Port->value();
    target.user = m_ui->User->text().trimmed();
    target.folder = m_ui->RemoteFolder->text().trimmed();
    target.baseAddress = m_ui->BaseAddress->text().trimmed();
    target.deleteUnneeded = m_ui->DeleteUnneeded->isChecked();
    target.keyFile = m_keyFile;
    target.region = m_ui->Region->text().trimmed();
    target.publicRead = m_ui->PublicRead->isChecked();
    target.access = m_access;
    return target;
}

void PublishDialog::protocolChosen(int index) {
    // A port left at a protocol's usual one follows the protocol.
    const int port = m_ui->Port->value();
    for (const publish::Protocol protocol : Protocols) {
        if (port == defaultPort(protocol)) {
            m_ui->Port->setValue(defaultPort(Protocols.at(static_cast<std::size_t>(index))));
            break;
        }
    }
    showKeyFile();
    showProtocolFields();
    fillPassword();
}

void PublishDialog::takeFullAddress() {
    // A whole address typed or pasted as the server fills every field of the target.
    const QString typed = m_ui->Host->text().trimmed();
    if (typed.contains(QStringLiteral("://"))) {
        const publish::TargetParse parsed = publish::parseTarget(typed.toStdString());
        if (!parsed.target) {
            m_ui->Report->setPlainText(fromUtf8(parsed.error));
            return;
        }
        PublishTarget target = targetShown();
        target.protocol = parsed.target->protocol;
        target.host = fromUtf8(parsed.target->host);
        target.port = publish::effectivePort(*parsed.target);
        target.user = fromUtf8(parsed.target->user);
        target.folder = fromUtf8(parsed.target->folder);
        if (target.protocol == publish::Protocol::S3) {
            // The bucket and its prefix; the endpoint is the provider's, asked in its field.
            target.folder =
                target.host + (target.folder.isEmpty() ? QString() : u'/' + target.folder);
            target.host.clear();
        }
        showTarget(target);
    }
    showUserDefault();
    fillPassword();
}

QString PublishDialog::passwordKey() const {
    // One password per account: the folder is no part of it.
    const PublishTarget shown = targetShown();
    if (shown.protocol == publish::Protocol::S3) {
        return QStringLiteral("s3:%1 %2").arg(shown.host, shown.user);
    }
    publish::Target account;
    account.protocol = shown.protocol;
    account.host = shown.host.toStdString();
    account.port = shown.port;
    account.user = shown.user.toStdString();
    return fromUtf8(publish::targetAddress(account));
}

void PublishDialog::fillPassword() {
    const bool s3 = m_ui->Protocol->currentIndex() == protocolIndex(publish::Protocol::S3);
    const QLineEdit* account = s3 ? m_ui->User : m_ui->Host;
    if (account->text().trimmed().isEmpty() || !m_ui->Password->text().isEmpty()) {
        return;
    }
    const QString key = passwordKey();
    m_passwords.find(key, this, [this, key](const QString& password) {
        // Only while the target is still the one asked about and nothing was typed meanwhile.
        if (!isRunning() && m_ui->Password->text().isEmpty() && passwordKey() == key) {
            m_ui->Password->setText(password);
        }
    });
}

void PublishDialog::keepTarget() {
    const PublishTarget shown = targetShown();
    if (!shown.host.isEmpty() ||
        (shown.protocol == publish::Protocol::S3 && !shown.folder.isEmpty())) {
        rememberTarget(m_source.showFolder, shown);
    }
}

void PublishDialog::refuse(const QString& message) {
    m_ui->Report->setPlainText(message);
}

void PublishDialog::start(bool dryRun) {
    keepTarget();
    m_startPageAddress = QUrl();
    m_ui->OpenInBrowser->setEnabled(false);
    const PublishTarget shown = targetShown();
    const int page = m_ui->StartPage->currentIndex();
    if (!checkHost(shown) || !checkStartPage(page)) {
        return;
    }
    std::optional<QUrl> base = checkedBaseAddress(shown);
    if (!base) {
        return;
    }
    const std::optional<publish::Target> target = checkedTarget(shown);
    if (!target) {
        return;
    }
    m_passwordKey = passwordKey();
    const publish::PublishOptions options = optionsFor(shown, page, dryRun);
    if (!base->isEmpty()) {
        if (!base->path().endsWith(u'/')) {
            base->setPath(base->path() + u'/');
        }
        const std::string& name = options.startPage;
        const QByteArray bytes(name.data(), static_cast<qsizetype>(name.size()));
        m_startPageAddress = base->resolved(QUrl::fromEncoded(bytes.toPercentEncoding()));
    }
    showStarting(dryRun);
    startWorker(*target, options);
}

bool PublishDialog::checkHost(const PublishTarget& shown) {
    if (shown.protocol == publish::Protocol::S3) {
        if (shown.folder.isEmpty()) {
            refuse(QStringLiteral("Bitte den Bucket angeben, wenn gewünscht mit einem Präfix: "
                                  "fotos/hochzeit-2026."));
            return false;
        }
        return true;
    }
    if (shown.host.isEmpty()) {
        refuse(QStringLiteral("Bitte den Server angeben: seinen Namen oder seine Adresse, oder "
                              "die ganze Adresse wie sftp://benutzer@server/ordner."));
        return false;
    }
    return true;
}

bool PublishDialog::checkStartPage(int page) {
    if (page < 0 || static_cast<std::size_t>(page) >= m_source.startPages.size()) {
        refuse(QStringLiteral("Im Ordner der Fotoshow liegt keine Startseite. Bitte zuerst mit "
                              "„HTML erstellen“ die Seiten schreiben."));
        return false;
    }
    return true;
}

// An empty address when none is given.
std::optional<QUrl> PublishDialog::checkedBaseAddress(const PublishTarget& shown) {
    if (shown.baseAddress.isEmpty()) {
        return QUrl();
    }
    const QUrl base(shown.baseAddress, QUrl::StrictMode);
    if (!base.isValid() || base.host().isEmpty() ||
        (base.scheme() != QStringLiteral("http") && base.scheme() != QStringLiteral("https"))) {
        refuse(QStringLiteral("Die Web-Adresse „%1“ ist keine Adresse im Web. Bitte so "
                              "angeben: https://www.example.de/fotos/ – oder das Feld leer "
                              "lassen.")
                   .arg(shown.baseAddress));
        return std::nullopt;
    }
    return base;
}

std::optional<publish::Target> PublishDialog::checkedTarget(const PublishTarget& shown) {
    if (shown.protocol == publish::Protocol::S3) {
        const QByteArray folder = shown.folder.trimmed().toUtf8();
        const publish::TargetParse parsed =
            publish::parseTarget("s3://" + folder.toPercentEncoding("/").toStdString());
        if (!parsed.target) {
            refuse(fromUtf8(parsed.error));
        }
        return parsed.target;
    }
    publish::Target wanted;
    wanted.protocol = shown.protocol;
    wanted.host = shown.host.toStdString();
    // The usual port is left to ssh's configuration, which may name another for the host.
    wanted.port =
        shown.protocol == publish::Protocol::Sftp && shown.port == defaultPort(shown.protocol)
            ? 0
            : shown.port;
    wanted.user = shown.user.toStdString();
    wanted.folder = remoteFolder(shown.folder);
    // The library checks the address as it would check one typed in full.
    const std::string address = publish::targetAddress(wanted);
    const publish::TargetParse parsed = publish::parseTarget(address);
    if (!parsed.target) {
        refuse(fromUtf8(parsed.error));
    }
    return parsed.target;
}

publish::PublishOptions PublishDialog::optionsFor(const PublishTarget& shown, int page,
                                                  bool dryRun) {
    publish::PublishOptions options;
    options.showFolder = m_source.showFolder;
    options.startPage = m_source.startPages[static_cast<std::size_t>(page)].file;
    options.dryRun = dryRun;
    options.deleteUnneeded = shown.deleteUnneeded;
    m_password = m_ui->Password->text();
    options.password = m_password.toStdString();
    if (shown.protocol == publish::Protocol::Sftp) {
        options.keyFile = m_keyFile.toStdString();
    }
    if (shown.protocol == publish::Protocol::S3) {
        // The fields first; what they leave empty as the S3 tools find it.
        options.password.clear();
        options.s3.endpoint = shown.host.toStdString();
        options.s3.region = shown.region.toStdString();
        options.s3.accessKey = shown.user.toStdString();
        options.s3.secretKey = m_password.toStdString();
        options.s3.publicRead = shown.publicRead;
        publish::fillS3Access(options.s3, environmentValue);
    }
    options.controls = publishControlNames();
    options.access = showAccessOf(m_access, m_showPassword, shown.baseAddress);
    if (m_adjustOptions) {
        m_adjustOptions(options);
    }
    return options;
}

void PublishDialog::showStarting(bool dryRun) {
    m_dryRun = dryRun;
    m_cancel = false;
    m_progressPending = false;
    m_progress = publish::Progress();
    m_sendingClock.invalidate();
    m_ui->Report->clear();
    m_ui->Progress->setFormat(m_filesFormat);
    m_ui->Progress->setMaximum(1);
    m_ui->Progress->setValue(0);
    // Counted once the plan says how many files go.
    m_ui->Progress->setTextVisible(false);
    m_ui->ProgressText->setText(progressText(m_progress, 0));
    setRunning(true);
}

void PublishDialog::startWorker(const publish::Target& target,
                                const publish::PublishOptions& options) {
    m_host = std::make_unique<WorkerHost>(*this);
    m_worker = QThread::create([this, target, options, module = transferModulePath()] {
        m_result = publish::publishThroughModule(module, target, options, *m_host);
    });
    connect(m_worker, &QThread::finished, this, &PublishDialog::finish);
    m_worker->start();
}

bool PublishDialog::askFromWorker(const QString& text, const QString& title) {
    bool answer = false;
    QMetaObject::invokeMethod(
        this, [&] { answer = !m_cancel && m_ask(text, title); }, Qt::BlockingQueuedConnection);
    return answer;
}

std::optional<std::string> PublishDialog::askPassphraseFromWorker(const QString& text) {
    std::optional<std::string> answer;
    QMetaObject::invokeMethod(
        this,
        [&] {
            if (m_cancel) {
                return;
            }
            if (const std::optional<QString> given = m_askPassphrase(text)) {
                answer = given->toStdString();
            }
        },
        Qt::BlockingQueuedConnection);
    return answer;
}

void PublishDialog::showProgress() {
    publish::Progress progress;
    {
        const std::lock_guard lock(m_progressLock);
        progress = m_progress;
        m_progressPending = false;
    }
    if (m_cancel || !isRunning()) {
        return;
    }
    if (progress.stage == publish::Progress::Stage::Sending && !m_sendingClock.isValid()) {
        m_sendingClock.start();
    }
    m_ui->Progress->setMaximum(static_cast<int>(std::max<std::size_t>(progress.filesTotal, 1)));
    m_ui->Progress->setValue(static_cast<int>(progress.filesDone));
    m_ui->Progress->setTextVisible(progress.filesTotal > 0);
    const double seconds =
        m_sendingClock.isValid() ? static_cast<double>(m_sendingClock.elapsed()) / 1000.0 : 0.0;
    m_ui->ProgressText->setText(progressText(progress, seconds));
}

void PublishDialog::showFilesSent(const publish::Result& result) {
    std::size_t planned = result.plan.send.size();
    {
        const std::lock_guard lock(m_progressLock);
        planned = std::max(planned, m_progress.filesTotal);
    }
    // Stopped before a plan was made (a refused login): there is nothing to count.
    if (planned == 0) {
        m_ui->Progress->reset();
        m_ui->Progress->setTextVisible(false);
        return;
    }
    m_ui->Progress->setFormat(m_filesFormat);
    m_ui->Progress->setTextVisible(true);
    m_ui->Progress->setMaximum(static_cast<int>(planned));
    m_ui->Progress->setValue(static_cast<int>(std::min(result.filesSent, planned)));
}

void PublishDialog::setRunning(bool running) {
    for (QWidget* input : std::initializer_list<QWidget*>{
             m_ui->Protocol, m_ui->Host, m_ui->Port, m_ui->User, m_ui->Password, m_ui->RemoteFolder,
             m_ui->StartPage, m_ui->BaseAddress, m_ui->DeleteUnneeded, m_ui->Region,
             m_ui->PublicRead, m_ui->DryRun, m_ui->Publish, m_ui->Close}) {
        input->setEnabled(!running);
    }
    m_ui->Cancel->setEnabled(running);
    showKeyFile();
    if (running) {
        m_ui->KeyFile->setEnabled(false);
    }
}

void PublishDialog::finish() {
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    m_host.reset();
    setRunning(false);
    m_ui->ProgressText->clear();
    const publish::Result& result = m_result;
    if (result.failure != publish::FailureKind::None) {
        m_startPageAddress = QUrl();
        showFilesSent(result);
        m_ui->Report->setPlainText(joined(fromUtf8(result.message), result.warnings));
        if (publish::isLoginRefusal(result.failure) ||
            result.failure == publish::FailureKind::S3WrongSecret) {
            // The password is the one thing to try again.
            m_ui->Password->selectAll();
            m_ui->Password->setFocus();
        }
        return;
    }
    // The password worked: for the rest of this run, and in the keyring when there is one.
    m_passwords.keep(m_passwordKey, m_password);
    if (!m_dryRun) {
        m_passwords.keep(showPasswordKey(), m_access.protect ? m_showPassword : QString());
    }
    m_ui->Progress->setTextVisible(true);
    // A dry run's bar shows its plan, a publish with nothing to send no "1 von 1".
    if (const QString said = finishedBarText(result, m_dryRun); !said.isEmpty()) {
        m_ui->Progress->setFormat(said);
        m_ui->Progress->setMaximum(1);
    } else {
        m_ui->Progress->setMaximum(static_cast<int>(result.filesSent));
    }
    m_ui->Progress->setValue(m_ui->Progress->maximum());
    if (m_dryRun) {
        m_startPageAddress = QUrl();
        m_ui->Report->setPlainText(planText(result));
        return;
    }
    QString report = fromUtf8(result.summary);
    if (!m_startPageAddress.isEmpty()) {
        report += QStringLiteral("\n\nDie Startseite im Web: ") + m_startPageAddress.toString();
        m_ui->OpenInBrowser->setEnabled(true);
    }
    if (const QString check = checkReportText(result.check); !check.isEmpty()) {
        report += QStringLiteral("\n\n") + check;
    }
    m_ui->Report->setPlainText(joined(report, result.warnings));
}

} // namespace bildertafel::ui
