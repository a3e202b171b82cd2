// A whole session as a person works with the window: choose the show folder and its two
// sub-folders, generate a first show with the start-up settings, load a configuration, change a
// template and an option, generate again, save the configuration. The pages must be byte for byte
// those that bildertafel-batch writes for the first show with the same options, and for the second
// from the saved configuration, in copies of the same folders.
#include "WindowTestSupport.h"
#include "ui/lists/DirListBox.h"
#include "ui/lists/FileListBox.h"
#include "ui/window/MainWindow.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

using bildertafel::ui::MainWindow;
using namespace bildertafel::uitest;

namespace {

bool copyFolder(const QString& from, const QString& to) {
    QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        if (!writeBytes(to + source.mid(from.size()), readBytes(source)))
            return false;
    }
    return true;
}

// Every page below a folder, by its path relative to the folder.
std::map<QString, QByteArray> pagesBelow(const QString& folder) {
    std::map<QString, QByteArray> pages;
    QDirIterator files(folder, {"*.html"}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        pages[path.mid(folder.size())] = readBytes(path);
    }
    return pages;
}

// Types as a keyboard does; letters beyond ASCII come as the text of a key event.
void typeText(QWidget& widget, const QString& text) {
    for (const QChar letter : text) {
        if (letter.unicode() < 128)
            QTest::keyClick(&widget, static_cast<char>(letter.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, &widget, Qt::Key_unknown, QString(letter), {});
    }
}

void clickTab(MainWindow& window, int page) {
    QTabBar& tabs = *control<QTabWidget>(window, "SSTab1").tabBar();
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(page).center());
}

// The first expected page that is missing or holds other bytes; empty when every page matches.
QString firstDifferentPage(const std::map<QString, QByteArray>& written,
                           const std::map<QString, QByteArray>& expected) {
    if (expected.empty())
        return QStringLiteral("<no pages expected>");
    for (const auto& [path, bytes] : expected) {
        const auto found = written.find(path);
        if (found == written.end() || found->second != bytes)
            return path;
    }
    return {};
}

} // namespace

class MainWindowSessionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { prepareWindowTests(); }
    void aPersonMakesAShow();
};

void MainWindowSessionTest::aPersonMakesAShow() {
    const QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = canonical(dir.path());
    const QString show = root + "/Fotoshow";
    QVERIFY(copyFolder(BILDERTAFEL_SAMPLE_SHOW, show));
    QVERIFY(QDir::setCurrent(root));

    std::map<QString, QByteArray> firstShow;
    {
        MainWindow window;
        ScriptedDialogs& dialogs = scriptDialogs(window);
        QVERIFY(startWindow(window));

        // The folders: the show, its previews and its pictures; the configuration lies in the
        // show folder.
        QVERIFY(doubleClickFolderRow(control<DirListBox>(window, "Dir1_1"), show));
        QVERIFY(doubleClickFolderRow(control<DirListBox>(window, "Dir1_2"), show + "/minis"));
        QVERIFY(doubleClickFolderRow(control<DirListBox>(window, "Dir1_3"), show + "/bilder"));
        QVERIFY(doubleClickFolderRow(control<DirListBox>(window, "Dir1_0"), show));
        QCOMPARE(control<QLabel>(window, "Label2").text(), "6");
        QCOMPARE(control<QLabel>(window, "Label3").text(), "6 jpg / 0 html");

        // A first show with the start-up settings and a page for every picture.
        clickTab(window, 2);
        clickWidget(control<QCheckBox>(window, "Check1"));
        clickTab(window, 0);
        dialogs.answers = {"schnell"};
        clickWidget(control<QPushButton>(window, "Command3"));
        QCOMPARE(dialogs.messages.size(), 0);
        QCOMPARE(control<QLabel>(window, "Label3").text(), "6 jpg / 7 html");
        firstShow = pagesBelow(show);

        QVERIFY(clickEntry(control<FileListBox>(window, "File1_0"), "beispiel.cfg"));
        clickWidget(control<QPushButton>(window, "Command2_0"));
        QCOMPARE(control<QLabel>(window, "Label4").text(), "beispiel.cfg");

        // A second line under each preview, and a new browser window for the pictures.
        clickTab(window, 1);
        QPlainTextEdit& cellAfter = control<QPlainTextEdit>(window, "Text1_3");
        QVERIFY(cellAfter.isVisible());
        QTest::mouseClick(cellAfter.viewport(), Qt::LeftButton);
        QTest::keyClick(&cellAfter, Qt::Key_A, Qt::ControlModifier);
        typeText(cellAfter, "<br><small>Größer: anklicken</small>");
        QTest::keyClick(&cellAfter, Qt::Key_Return);
        typeText(cellAfter, "</td>");
        clickTab(window, 2);
        clickWidget(control<QCheckBox>(window, "Check2"));
        QCOMPARE(window.settings().NewBrowserWindow(), 1);
        clickTab(window, 0);

        dialogs.answers = {"urlaub"};
        clickWidget(control<QPushButton>(window, "Command3"));
        QCOMPARE(dialogs.messages.size(), 0);
        QCOMPARE(namesOf(control<FileListBox>(window, "File1_1")),
                 (QStringList{"schnell.html", "urlaub.html"}));

        dialogs.answers = {"urlaub"};
        clickWidget(control<QPushButton>(window, "Command2_1"));
        QCOMPARE(dialogs.messages.size(), 0);
        QCOMPARE(namesOf(control<FileListBox>(window, "File1_0")),
                 (QStringList{"beispiel.cfg", "urlaub.cfg"}));
    }
    QDir::setCurrent(startFolder);

    // The first show: the start page, the all-pictures page and six picture pages, as the batch
    // command writes them with the same settings.
    QCOMPARE(firstShow.size(), std::size_t{8});
    const QString batchCopy = root + "/batch";
    QVERIFY(copyFolder(BILDERTAFEL_SAMPLE_SHOW, batchCopy));
    QProcess batch;
    batch.start(BILDERTAFEL_BATCH,
                {"--own-pages", "on", "--show", batchCopy, "--minis", batchCopy + "/minis",
                 "--pictures", batchCopy + "/bilder", "--name", "schnell"});
    QVERIFY(batch.waitForFinished(30000));
    QCOMPARE(batch.exitCode(), 0);
    const std::map<QString, QByteArray> batchPages = pagesBelow(batchCopy);
    QCOMPARE(batchPages.size(), firstShow.size());
    QCOMPARE(firstDifferentPage(firstShow, batchPages), QString());

    // The second show: the loaded head, the typed cell end, the pictures in list order.
    const std::map<QString, QByteArray> written = pagesBelow(show);
    // Both start pages, the first show's all-pictures page, the second show's picture pages.
    QCOMPARE(written.size(), std::size_t{9});
    const QByteArray& startPage = written.at("/urlaub.html");
    QVERIFY(startPage.startsWith("<!DOCTYPE html>\r\n"));
    QVERIFY(startPage.contains("Eine kleine Fotoshow \x96 zum Vergr\xf6\xdf"
                               "ern bitte ein Bild anklicken."));
    QVERIFY(startPage.contains("<br><small>Gr\xf6\xdf"
                               "er: anklicken</small>\r\n</td>\r\n"));
    QVERIFY(startPage.indexOf("Bild 2.jpg") < startPage.indexOf("Bild 10.jpg"));

    // The same show made by the batch command from the saved configuration.
    const QString other = root + "/ohne-fenster";
    QVERIFY(copyFolder(BILDERTAFEL_SAMPLE_SHOW, other));
    QProcess fromConfig;
    fromConfig.start(BILDERTAFEL_BATCH,
                     {"--config", show + "/urlaub.cfg", "--show", other, "--minis",
                      other + "/minis", "--pictures", other + "/bilder", "--name", "urlaub"});
    QVERIFY(fromConfig.waitForFinished(30000));
    QCOMPARE(fromConfig.exitCode(), 0);
    const std::map<QString, QByteArray> expected = pagesBelow(other);
    QCOMPARE(expected.size(), std::size_t{7});
    QCOMPARE(firstDifferentPage(written, expected), QString());
}

QTEST_MAIN(MainWindowSessionTest)
#include "MainWindowSessionTest.moc"
