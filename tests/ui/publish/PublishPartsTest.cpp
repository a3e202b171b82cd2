// The parts of the dialog "Veröffentlichen" that work without it: the sizes and the progress line
// it shows, and the passwords kept for a run of the program when no keyring answers.
#include "ui/publish/AccessDialog.h"
#include "ui/publish/PublishPasswords.h"
#include "ui/publish/PublishTexts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using bildertafel::publish::Progress;
using namespace bildertafel::ui;

class PublishPartsTest : public QObject {
    Q_OBJECT

private slots:
    void sizesAreGerman_data();
    void sizesAreGerman();
    void progressNamesBytesRateAndTimeLeft_data();
    void progressNamesBytesRateAndTimeLeft();
    void passwordsStayInMemoryWithoutKeyring_data();
    void passwordsStayInMemoryWithoutKeyring();
    void accessTakesOnlyWhatThePublishCanCarry_data();
    void accessTakesOnlyWhatThePublishCanCarry();
    void accessSuggestsAPasswordAndWarnsOfHttp();
};

void PublishPartsTest::sizesAreGerman_data() {
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << quint64(0) << "0 Byte";
    QTest::newRow("below a kilobyte") << quint64(999) << "999 Byte";
    QTest::newRow("a kilobyte") << quint64(1000) << "1,0 KB";
    QTest::newRow("just below a megabyte") << quint64(999949) << "999,9 KB";
    QTest::newRow("rounds up to a megabyte") << quint64(999950) << "1,0 MB";
    QTest::newRow("a picture") << quint64(312500) << "312,5 KB";
    QTest::newRow("a show") << quint64(3400000000) << "3,4 GB";
}

void PublishPartsTest::sizesAreGerman() {
    QFETCH(quint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(byteSizeText(bytes), text);
}

void PublishPartsTest::progressNamesBytesRateAndTimeLeft_data() {
    QTest::addColumn<int>("stage");
    QTest::addColumn<quint64>("done");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    using Stage = Progress::Stage;
    QTest::newRow("connecting") << int(Stage::Connecting) << quint64(0) << 0.0
                                << "Verbindung zum Server wird aufgebaut…";
    QTest::newRow("sending, no rate yet")
        << int(Stage::Sending) << quint64(0) << 0.5 << "bilder/Bär 1.jpg – 0 Byte von 3,0 MB";
    QTest::newRow("sending with rate and time left")
        << int(Stage::Sending) << quint64(1000000) << 2.0
        << "bilder/Bär 1.jpg – 1,0 MB von 3,0 MB, 500,0 KB/s, noch etwa 0:04";
    QTest::newRow("removing") << int(Stage::Removing) << quint64(0) << 9.0
                              << "Entfernt: bilder/Bär 1.jpg";
}

void PublishPartsTest::progressNamesBytesRateAndTimeLeft() {
    QFETCH(int, stage);
    QFETCH(quint64, done);
    QFETCH(double, seconds);
    QFETCH(QString, text);
    Progress progress;
    progress.stage = static_cast<Progress::Stage>(stage);
    progress.bytesDone = done;
    progress.bytesTotal = 3000000;
    progress.currentFile = "bilder/B\xc3\xa4r 1.jpg";
    QCOMPARE(progressText(progress, seconds), text);
}

void PublishPartsTest::passwordsStayInMemoryWithoutKeyring_data() {
    QTest::addColumn<QByteArray>("bus");
    QTest::newRow("no session bus") << QByteArray();
    QTest::newRow("a session bus that does not answer")
        << QByteArray("unix:path=/nonexistent/bildertafel-test-bus");
}

void PublishPartsTest::passwordsStayInMemoryWithoutKeyring() {
    QFETCH(QByteArray, bus);
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    PublishPasswords passwords;
    QObject context;
    QStringList found;
    auto record = [&found](const QString& password) { found << password; };

    // Unknown: the keyring, if asked, fails; nothing is found and nothing hangs.
    passwords.find("sftp://anna@example.de:22/", &context, record);
    QTRY_VERIFY_WITH_TIMEOUT(!passwords.usesKeyring(), 10000);
    QVERIFY(found.isEmpty());

    passwords.keep("sftp://anna@example.de:22/", "Geheimnis-4711");
    passwords.find("sftp://anna@example.de:22/", &context, record);
    passwords.find("sftp://bert@example.de:22/", &context, record);
    QCOMPARE(found, QStringList{"Geheimnis-4711"});

    // An empty password (keys instead) forgets the one kept.
    passwords.keep("sftp://anna@example.de:22/", "");
    passwords.find("sftp://anna@example.de:22/", &context, record);
    QCOMPARE(found, QStringList{"Geheimnis-4711"});
}

void PublishPartsTest::accessTakesOnlyWhatThePublishCanCarry_data() {
    QTest::addColumn<bool>("protect");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QString>("serverPath");
    QTest::addColumn<QString>("problem"); // how it begins; empty: taken
    QTest::newRow("private") << true << "gast"
                             << "geheim"
                             << "geheim"
                             << ""
                             << "";
    QTest::newRow("public, no password") << false << "gast"
                                         << ""
                                         << ""
                                         << ""
                                         << "";
    QTest::newRow("typed differently") << true << "gast"
                                       << "geheim"
                                       << "geheimm"
                                       << ""
                                       << "Die beiden Passwörter";
    QTest::newRow("no password") << true << "gast"
                                 << ""
                                 << ""
                                 << ""
                                 << "Für „Nur mit Passwort";
    QTest::newRow("a colon in the user") << true << "ga:st"
                                         << "geheim"
                                         << "geheim"
                                         << ""
                                         << "Der Benutzername";
    QTest::newRow("a relative server path") << false << "gast"
                                            << ""
                                            << ""
                                            << "htdocs/fotos"
                                            << "Der Pfad auf dem Server";
}

void PublishPartsTest::accessTakesOnlyWhatThePublishCanCarry() {
    QFETCH(bool, protect);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, repeat);
    QFETCH(QString, serverPath);
    QFETCH(QString, problem);
    AccessDialog dialog(ShowProtection(), QString(), "https://example.de/fotos/", false, nullptr);
    dialog.findChild<QCheckBox*>("Protect")->setChecked(protect);
    dialog.findChild<QLineEdit*>("User")->setText(user);
    dialog.findChild<QLineEdit*>("Password")->setText(password);
    dialog.findChild<QLineEdit*>("Repeat")->setText(repeat);
    dialog.findChild<QLineEdit*>("ServerPath")->setText(serverPath);
    dialog.accept();
    QCOMPARE(dialog.result() == QDialog::Accepted, problem.isEmpty());
    const QString shown = dialog.findChild<QLabel*>("Problem")->text();
    QVERIFY2(problem.isEmpty() ? shown.isEmpty() : shown.startsWith(problem), qPrintable(shown));
    if (problem.isEmpty()) {
        QCOMPARE(dialog.chosen().protect, protect);
        QCOMPARE(dialog.password(), protect ? password : QString());
    }
}

void PublishPartsTest::accessSuggestsAPasswordAndWarnsOfHttp() {
    for (const QString& address : {QString("http://example.de/"), QString("https://example.de/")}) {
        AccessDialog dialog(ShowProtection(), QString(), address, false, nullptr);
        dialog.findChild<QCheckBox*>("Protect")->setChecked(true);
        QCOMPARE(dialog.findChild<QLabel*>("HttpWarning")->isVisibleTo(&dialog),
                 address.startsWith("http:"));
        dialog.findChild<QPushButton*>("Suggest")->click();
        const QString suggested = dialog.findChild<QLineEdit*>("Password")->text();
        QVERIFY(suggested.size() >= 12);
        QCOMPARE(dialog.findChild<QLineEdit*>("Repeat")->text(), suggested);
        QVERIFY(dialog.findChild<QLabel*>("Suggestion")->text().contains(suggested));
    }
}

QTEST_MAIN(PublishPartsTest)
#include "PublishPartsTest.moc"
