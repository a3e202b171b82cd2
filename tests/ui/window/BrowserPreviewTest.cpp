// "Vorschau im Browser…": the pages as they would be now, with the template being edited, in a
// folder of their own that the browser opens; the show, the window's lists and its last start
// page stay as they were, and the folder goes with the window.
#include "TempDir.h"
#include "WindowTestSupport.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using bildertafel::ui::MainWindow;
using namespace bildertafel::uitest;

namespace {

std::string treeOf(const QString& folder) {
    return bildertafel::test::treeOf(folder.toStdString());
}

} // namespace

class BrowserPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_startFolder = QDir::currentPath(); }
    void init();
    void cleanup();

    void thePreviewIsWrittenApartAndGoesWithTheWindow();
    void whatStandsInTheWayIsSaid_data();
    void whatStandsInTheWayIsSaid();

private:
    // A window on the show folder m_root/show with its sub-folders minis and bilder opened.
    void openShow(MainWindow& window);

    QString m_startFolder;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    QList<QUrl> m_opened;
};

void BrowserPreviewTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = canonical(m_dir->path());
    QVERIFY(QDir::setCurrent(m_root));
    // The previews go into the test's own temporary folder.
    QVERIFY(QDir(m_root).mkdir("tmp"));
    qputenv("TMPDIR", (m_root + "/tmp").toUtf8());
    m_opened.clear();
}

void BrowserPreviewTest::cleanup() {
    qunsetenv("TMPDIR");
    QDir::setCurrent(m_startFolder);
    m_dir.reset();
}

void BrowserPreviewTest::openShow(MainWindow& window) {
    // No real browser: the address is only noted.
    window.setUrlOpener([this](const QUrl& url) {
        m_opened.append(url);
        return true;
    });
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_root + "/show"));
    if (QFileInfo(m_root + "/show/minis").isDir()) {
        control<QAction>(window, "OpenShowSubFolders").trigger();
    }
}

void BrowserPreviewTest::thePreviewIsWrittenApartAndGoesWithTheWindow() {
    QVERIFY(makeFiles(m_root, {"show/minis/a.jpg", "show/bilder/a.jpg", "show/alt.html"}));
    QVERIFY(writeBytes(m_root + "/show/minis/a.jpg", "mini"));
    auto window = std::make_unique<MainWindow>();
    ScriptedDialogs& dialogs = scriptDialogs(*window);
    openShow(*window);
    // An edit not saved anywhere shows in the preview.
    control<QPlainTextEdit>(*window, "Text1_0").setPlainText("<!-- neu -->");
    const std::string before = treeOf(m_root + "/show");
    const QStringList pagesBefore = namesOf(file1(*window, 1));

    control<QAction>(*window, "PreviewInBrowser").trigger();

    QTRY_COMPARE(m_opened.size(), 1);
    QCOMPARE(dialogs.messages.size(), 0);
    const QString page = m_opened.first().toLocalFile();
    const QString folder = QFileInfo(page).path();
    QVERIFY2(folder.startsWith(m_root + "/tmp/bildertafel-vorschau-"), qPrintable(page));
    QCOMPARE(QFileInfo(page).fileName(), "bilder01.html");
    const QByteArray html = readBytes(page);
    QVERIFY(html.contains("<!-- neu -->"));
    // The page's relative path to the preview leads to the show's own file.
    QVERIFY(html.contains("src=\"minis/a.jpg\""));
    QCOMPARE(readBytes(folder + "/minis/a.jpg"), "mini");
    QCOMPARE(treeOf(m_root + "/show"), before);
    QCOMPARE(namesOf(file1(*window, 1)), pagesBefore);
    // No start page became the one the window shows.
    control<QAction>(*window, "StartPageInBrowser").trigger();
    QCOMPARE(m_opened.size(), 1);

    window.reset();
    QVERIFY(!QFileInfo::exists(folder));
    QCOMPARE(treeOf(m_root + "/show"), before);
}

void BrowserPreviewTest::whatStandsInTheWayIsSaid_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("removeShow");
    QTest::addColumn<QString>("message");
    QTest::newRow("the show folder is gone")
        << QStringList{"show/minis/a.jpg", "show/bilder/a.jpg"} << true
        << "Für die Vorschau zuerst auf der Seite „Datei“ den Arbeitsordner der Fotoshow öffnen.";
    QTest::newRow("no previews")
        << QStringList{"show/notiz.txt"} << false
        << "Für die Vorschau fehlen die Mini-Bilder: erst ihren Ordner öffnen oder „Bilder "
           "vorbereiten…“.";
    QTest::newRow("the run refuses")
        << QStringList{"show/minis/a.jpg", "show/minis/b.jpg", "show/bilder/a.jpg"} << false
        << "Die Anzahl der Bilder und Minibilder stimmt nicht überein...";
}

void BrowserPreviewTest::whatStandsInTheWayIsSaid() {
    QFETCH(QStringList, files);
    QFETCH(bool, removeShow);
    QFETCH(QString, message);
    QVERIFY(makeFiles(m_root, files));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    openShow(window);
    if (removeShow) {
        QVERIFY(QDir(m_root + "/show").removeRecursively());
    }

    control<QAction>(window, "PreviewInBrowser").trigger();

    QTRY_COMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().text, message);
    QCOMPARE(m_opened.size(), 0);
    QCOMPARE(QDir(m_root + "/tmp").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
}

QTEST_MAIN(BrowserPreviewTest)
#include "BrowserPreviewTest.moc"
