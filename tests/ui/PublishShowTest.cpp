// "Veröffentlichen…" driven through the window: the start page preset, the target remembered per
// show folder without its password, plain FTP confirmed at every run, and the German messages of
// a publish that cannot start or cannot reach its server.
#include "WindowTestSupport.h"
#include "ui/ApplicationStyle.h"
#include "ui/MainWindow.h"
#include "ui/PublishDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using bildertafel::ui::MainWindow;
using bildertafel::ui::PublishDialog;
using namespace bildertafel::uitest;

namespace {

template <typename Control>
Control& part(PublishDialog& dialog, const char* name) {
    auto* found = dialog.findChild<Control*>(name);
    if (found == nullptr)
        qFatal("control %s missing", name);
    return *found;
}

// Opens the dialog through the window's action, lets drive work in it, and closes it.
void inPublishDialog(MainWindow& window, const std::function<void(PublishDialog&)>& drive) {
    window.setPublishDialogShown([&drive](PublishDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&dialog, &drive] {
            drive(dialog);
            part<QPushButton>(dialog, "Close").click();
        });
    });
    control<QAction>(window, "Publish").trigger();
}

// A port on 127.0.0.1 that nobody listens on: one the system just handed out and took back.
int closedPort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 1;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(probe);
    return port;
}

} // namespace

class PublishShowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void theStartPageIsPreset_data();
    void theStartPageIsPreset();
    void theTargetComesBackForItsShowFolderOnly();
    void aPublishThatCannotGoSaysWhatToDo_data();
    void aPublishThatCannotGoSaysWhatToDo();

private:
    // The window with the show folder opened; its lists of previews and pictures too when asked.
    bool openShow(MainWindow& window, const QString& show, bool withPictureFolders = false);

    QString m_startFolder;
    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

void PublishShowTest::initTestCase() {
    // The user's settings go to a folder of the test, set before anything reads them.
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    // No keyring answers in a test: passwords stay in memory.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "");
    bildertafel::ui::useApplicationStyle();
    m_startFolder = QDir::currentPath();
}

void PublishShowTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = canonical(m_dir->path());
    QVERIFY(makeFiles(m_root, {"show/minis/a.jpg", "show/bilder/a.jpg", "show/alt.html",
                               "show/zz.html", "zweite/index.html"}));
    QVERIFY(QDir::setCurrent(m_root));
}

void PublishShowTest::cleanup() {
    QDir::setCurrent(m_startFolder);
    m_dir.reset();
}

bool PublishShowTest::openShow(MainWindow& window, const QString& show, bool withPictureFolders) {
    if (!doubleClickFolderRow(dir1(window, 1), show))
        return false;
    return !withPictureFolders || (doubleClickFolderRow(dir1(window, 2), show + "/minis") &&
                                   doubleClickFolderRow(dir1(window, 3), show + "/bilder"));
}

void PublishShowTest::theStartPageIsPreset_data() {
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("preset");
    QTest::newRow("none written, none selected: the first") << ""
                                                            << ""
                                                            << "alt.html";
    QTest::newRow("the one written last") << "neu"
                                          << ""
                                          << "neu.html";
    QTest::newRow("the selected one before the one written") << "neu"
                                                             << "zz.html"
                                                             << "zz.html";
}

void PublishShowTest::theStartPageIsPreset() {
    QFETCH(QString, written);
    QFETCH(QString, selected);
    QFETCH(QString, preset);
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(openShow(window, m_root + "/show", true));
    if (!written.isEmpty()) {
        dialogs.answers = {written};
        clickWidget(control<QPushButton>(window, "Command3"));
    }
    if (!selected.isEmpty())
        QVERIFY(clickEntry(file1(window, 1), selected));

    QStringList offered;
    QString shown;
    inPublishDialog(window, [&](PublishDialog& dialog) {
        auto& pages = part<QComboBox>(dialog, "StartPage");
        for (int i = 0; i < pages.count(); ++i)
            offered << pages.itemText(i);
        shown = pages.currentText();
    });
    QCOMPARE(offered, namesOf(file1(window, 1)));
    QCOMPARE(shown, preset);
}

void PublishShowTest::theTargetComesBackForItsShowFolderOnly() {
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(openShow(window, m_root + "/show"));
    inPublishDialog(window, [](PublishDialog& dialog) {
        part<QComboBox>(dialog, "Protocol").setCurrentIndex(1);
        part<QLineEdit>(dialog, "Host").setText("www.example.de");
        part<QSpinBox>(dialog, "Port").setValue(2121);
        part<QLineEdit>(dialog, "User").setText("anna");
        part<QLineEdit>(dialog, "Password").setText("Geheimnis-4711");
        part<QLineEdit>(dialog, "RemoteFolder").setText("fotos/urlaub");
        part<QLineEdit>(dialog, "BaseAddress").setText("https://www.example.de/urlaub/");
        part<QCheckBox>(dialog, "DeleteUnneeded").setChecked(true);
    });

    using Fields = QStringList;
    auto fieldsOf = [](PublishDialog& dialog) {
        return Fields{part<QComboBox>(dialog, "Protocol").currentText(),
                      part<QLineEdit>(dialog, "Host").text(),
                      part<QSpinBox>(dialog, "Port").text(),
                      part<QLineEdit>(dialog, "User").text(),
                      part<QLineEdit>(dialog, "Password").text(),
                      part<QLineEdit>(dialog, "RemoteFolder").text(),
                      part<QLineEdit>(dialog, "BaseAddress").text(),
                      part<QCheckBox>(dialog, "DeleteUnneeded").isChecked() ? "ja" : "nein"};
    };
    Fields again;
    inPublishDialog(window, [&](PublishDialog& dialog) { again = fieldsOf(dialog); });
    // The password never reached a server, so nothing remembers it.
    QCOMPARE(again, (Fields{"FTPS (FTP mit TLS)", "www.example.de", "2121", "anna", "",
                            "fotos/urlaub", "https://www.example.de/urlaub/", "ja"}));

    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_root));
    QVERIFY(openShow(window, m_root + "/zweite"));
    Fields other;
    inPublishDialog(window, [&](PublishDialog& dialog) { other = fieldsOf(dialog); });
    QCOMPARE(other, (Fields{"SFTP (SSH)", "", "22", "", "", "", "", "nein"}));

    const QByteArray stored = readBytes(m_config.path() + "/bildertafel/bildertafel.conf");
    QVERIFY2(stored.contains("www.example.de"), stored.constData());
    QVERIFY2(!stored.contains("Geheimnis-4711"), stored.constData());
}

void PublishShowTest::aPublishThatCannotGoSaysWhatToDo_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("baseAddress");
    QTest::addColumn<QString>("said");
    QTest::newRow("no server") << ""
                               << ""
                               << "Bitte den Server angeben";
    QTest::newRow("a web address that is none") << "127.0.0.1"
                                                << "www.example.de"
                                                << "ist keine Adresse im Web";
}

void PublishShowTest::aPublishThatCannotGoSaysWhatToDo() {
    QFETCH(QString, host);
    QFETCH(QString, baseAddress);
    QFETCH(QString, said);
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(openShow(window, m_root + "/show"));
    QString report;
    bool canOpenInBrowser = true;
    inPublishDialog(window, [&](PublishDialog& dialog) {
        part<QLineEdit>(dialog, "Host").setText(host);
        part<QSpinBox>(dialog, "Port").setValue(closedPort());
        part<QLineEdit>(dialog, "Password").setText("Geheimnis-4711");
        part<QLineEdit>(dialog, "BaseAddress").setText(baseAddress);
        part<QPushButton>(dialog, "Publish").click();
        QVERIFY(QTest::qWaitFor([&dialog] { return !dialog.isRunning(); }, 30000));
        report = part<QPlainTextEdit>(dialog, "Report").toPlainText();
        canOpenInBrowser = part<QPushButton>(dialog, "OpenInBrowser").isEnabled();
    });
    QVERIFY2(report.contains(said), qPrintable(report));
    QVERIFY(!canOpenInBrowser);
    // A password that reached no server is not kept for the next time.
    QString password = "(not shown)";
    inPublishDialog(window, [&](PublishDialog& dialog) {
        password = part<QLineEdit>(dialog, "Password").text();
    });
    QCOMPARE(password, QString());
}

QTEST_MAIN(PublishShowTest)
#include "PublishShowTest.moc"
