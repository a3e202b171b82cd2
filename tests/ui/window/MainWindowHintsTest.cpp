// What a new user is shown on the way: where the keyboard focus is, why an entry of the show
// folder's context menu is greyed out, the page's path when no browser starts, and the way back
// into the sub-folders of a prepared show.
#include "WindowTestSupport.h"
#include "ui/common/ApplicationStyle.h"
#include "ui/window/MainWindow.h"
#include "ui/words/WordsDialog.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>

using bildertafel::ui::MainWindow;
using namespace bildertafel::uitest;

namespace {

// The entries of the show folder's context menu as the right mouse button opens it.
QList<MenuEntry> openShowFolderMenu(MainWindow& window) {
    return contextMenuOf(*file1(window, 1).viewport());
}

} // namespace

class MainWindowHintsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_startFolder = prepareWindowTests(); }
    void init();
    void cleanup();

    void focusedListsWearAFrame_data();
    void focusedListsWearAFrame();
    void showFolderMenu_data();
    void showFolderMenu();
    void preparedSubFoldersOpenLikeAnyFolder();
    void wordsOpenAtThePictureOfTheMenu_data();
    void wordsOpenAtThePictureOfTheMenu();
    void withoutABrowserThePathIsShown_data();
    void withoutABrowserThePathIsShown();
    void aLauncherThatFailsIsReported_data();
    void aLauncherThatFailsIsReported();

private:
    QString m_startFolder;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

void MainWindowHintsTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = canonical(m_dir->path());
    QVERIFY(QDir::setCurrent(m_root));
}

void MainWindowHintsTest::cleanup() {
    QDir::setCurrent(m_startFolder);
    m_dir.reset();
}

void MainWindowHintsTest::focusedListsWearAFrame_data() {
    QTest::addColumn<QString>("list");
    QTest::newRow("drive list") << "Drive1_1";
    QTest::newRow("folder list") << "Dir1_2";
    QTest::newRow("file list") << "File1_3";
}

void MainWindowHintsTest::focusedListsWearAFrame() {
    QFETCH(QString, list);
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto& widget = control<QWidget>(window, list);
    const QRgb frame = bildertafel::ui::focusFrameColor(widget.palette()).rgb();
    // The middle of the top edge, where no row or arrow is drawn.
    const auto edgeColor = [&widget] {
        return widget.grab().toImage().pixel(widget.width() / 2, 0);
    };

    control<QPushButton>(window, "Command1").setFocus();
    QVERIFY(QTest::qWaitFor([&widget] { return !widget.hasFocus(); }));
    QVERIFY(edgeColor() != frame);
    widget.setFocus(Qt::TabFocusReason);
    QVERIFY(QTest::qWaitFor([&widget] { return widget.hasFocus(); }));
    QCOMPARE(edgeColor(), frame);
}

void MainWindowHintsTest::showFolderMenu_data() {
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("pageKnown");
    const QString inBrowser = "Startseite im Browser ansehen";
    const QString openBoth = "Mini-Bilder und Bilder öffnen";
    const QString preview = "Vorschau im Browser…";
    const QString publish = "Veröffentlichen…";
    const QString visitors = "Auswahl und Download…";
    const QString templates = "Vorlagen dieser Fotoshow laden";
    QTest::newRow("a new show") << QStringList{"show"}
                                << QStringList{inBrowser, preview, visitors, templates, publish}
                                << false;
    QTest::newRow("only the previews")
        << QStringList{"show/minis"}
        << QStringList{inBrowser, preview, visitors, templates, publish} << false;
    QTest::newRow("a prepared show")
        << QStringList{"show/minis", "show/bilder"}
        << QStringList{inBrowser, preview, openBoth, visitors, templates, publish} << false;
    QTest::newRow("with a start page")
        << QStringList{"show/minis", "show/bilder", "show/index.html"}
        << QStringList{inBrowser, preview, openBoth, visitors, templates, publish} << true;
}

void MainWindowHintsTest::showFolderMenu() {
    QFETCH(QStringList, folders);
    QFETCH(QStringList, entries);
    QFETCH(bool, pageKnown);
    QStringList pages = folders.filter(".html");
    for (const QString& page : pages)
        folders.removeAll(page);
    QVERIFY(makeFolders(m_root, folders));
    QVERIFY(makeFiles(m_root, pages));
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_root + "/show"));
    if (!pages.isEmpty())
        QVERIFY(clickEntry(file1(window, 1), "index.html"));

    const QList<MenuEntry> offered = openShowFolderMenu(window);
    QStringList texts;
    for (const MenuEntry& entry : offered)
        texts << entry.text;
    QCOMPARE(texts, entries);
    // A greyed entry says why; an active one needs no word.
    QCOMPARE(offered.first().enabled, pageKnown);
    QCOMPARE(offered.first().toolTip == offered.first().text, pageKnown);
    // Publishing needs a page in the show folder.
    QCOMPARE(offered.last().enabled, pageKnown);
    QCOMPARE(offered.last().toolTip == offered.last().text, pageKnown);
}

void MainWindowHintsTest::wordsOpenAtThePictureOfTheMenu_data() {
    QTest::addColumn<QString>("clicked"); // right-clicked in the pictures' list; empty: beside it
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("shown");
    QTest::newRow("the picture right-clicked") << "c.jpg"
                                               << "a.jpg" << 2;
    QTest::newRow("beside the list: the one selected") << ""
                                                       << "b.jpg" << 1;
    QTest::newRow("neither: the first") << ""
                                        << "" << 0;
}

void MainWindowHintsTest::wordsOpenAtThePictureOfTheMenu() {
    QFETCH(QString, clicked);
    QFETCH(QString, selected);
    QFETCH(int, shown);
    QVERIFY(makeFiles(m_root, {"show/bilder/a.jpg", "show/bilder/b.jpg", "show/bilder/c.jpg"}));
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_root + "/show"));
    QVERIFY(doubleClickFolderRow(dir1(window, 3), m_root + "/show/bilder"));
    FileListBox& pictures = file1(window, 3);
    if (!selected.isEmpty())
        QVERIFY(clickEntry(pictures, selected));
    QWidget* target = pictures.viewport();
    QPoint at(target->width() / 2, target->height() - 2); // below the rows
    if (!clicked.isEmpty())
        at = pictures.visualRect(pictures.model()->index(namesOf(pictures).indexOf(clicked), 0))
                 .center();
    contextMenuOf(*target, at);
    int current = -1;
    window.setWordsDialogShown([&current](bildertafel::ui::WordsDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&current, &dialog] {
            current = dialog.findChild<QListWidget*>("Pictures")->currentRow();
            dialog.reject();
        });
    });
    control<QAction>(window, "EditWords").trigger();
    QCOMPARE(current, shown);
}

void MainWindowHintsTest::preparedSubFoldersOpenLikeAnyFolder() {
    QVERIFY(makeFiles(m_root, {"show/minis/a.jpg", "show/minis/b.jpg", "show/bilder/a.jpg",
                               "show/bilder/b.jpg", "show/bilder/a.html"}));
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_root + "/show"));
    QVERIFY(!control<QPushButton>(window, "Command3").isEnabled());

    control<QAction>(window, "OpenShowSubFolders").trigger();

    QCOMPARE(window.showFolders()[2], m_root + "/show/minis/");
    QCOMPARE(window.showFolders()[3], m_root + "/show/bilder/");
    QCOMPARE(namesOf(file1(window, 2)), (QStringList{"a.jpg", "b.jpg"}));
    QCOMPARE(labelText(window, "Label2"), "2");
    QCOMPARE(labelText(window, "Label3"), "2 jpg / 1 html");
    QVERIFY(control<QPushButton>(window, "Command3").isEnabled());
}

void MainWindowHintsTest::withoutABrowserThePathIsShown_data() {
    QTest::addColumn<bool>("browserStarts");
    QTest::newRow("a browser starts") << true;
    QTest::newRow("no browser") << false;
}

void MainWindowHintsTest::withoutABrowserThePathIsShown() {
    QFETCH(bool, browserStarts);
    QVERIFY(makeFiles(m_root, {"show/index.html"}));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QList<QUrl> asked;
    window.setUrlOpener([&](const QUrl& url) {
        asked.append(url);
        return browserStarts;
    });
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_root + "/show"));
    QVERIFY(clickEntry(file1(window, 1), "index.html"));

    control<QAction>(window, "StartPageInBrowser").trigger();

    const QString page = m_root + "/show/index.html";
    QCOMPARE(asked, QList<QUrl>{QUrl::fromLocalFile(page)});
    if (browserStarts) {
        QCOMPARE(dialogs.messages.size(), 0);
        return;
    }
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages.first().text.endsWith("\n" + page),
             qPrintable(dialogs.messages.first().text));
    QCOMPARE(dialogs.messages.first().title, "Startseite im Browser ansehen");
}

void MainWindowHintsTest::aLauncherThatFailsIsReported_data() {
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("messages");
    QTest::newRow("the browser starts") << 0 << 0;
    QTest::newRow("the browser fails") << 1 << 1;
}

void MainWindowHintsTest::aLauncherThatFailsIsReported() {
    QFETCH(int, exitCode);
    QFETCH(int, messages);
    QVERIFY(makeFiles(m_root, {"show/index.html"}));
    // The only launcher on the path notes the page it was given and ends as the row says.
    QVERIFY(QDir(m_root).mkpath("bin"));
    QFile launcher(m_root + "/bin/xdg-open");
    QVERIFY(launcher.open(QIODevice::WriteOnly));
    launcher.write(
        QStringLiteral("#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s' \"$1\" > '%1/asked.tmp'\n"
                       "mv '%1/asked.tmp' '%1/asked'\nexit %2\n")
            .arg(m_root)
            .arg(exitCode)
            .toUtf8());
    launcher.close();
    QVERIFY(launcher.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_root + "/bin"));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_root + "/show"));
    QVERIFY(clickEntry(file1(window, 1), "index.html"));

    control<QAction>(window, "StartPageInBrowser").trigger();
    qputenv("PATH", path);

    const QString page = m_root + "/show/index.html";
    QFile asked(m_root + "/asked");
    QTRY_VERIFY(asked.exists());
    QVERIFY(asked.open(QIODevice::ReadOnly));
    QCOMPARE(QFile::decodeName(asked.readAll()), page);
    // The launcher's end reaches the window soon after it noted the page.
    QTest::qWait(300);
    QTRY_COMPARE(dialogs.messages.size(), messages);
    if (messages > 0) {
        QVERIFY2(dialogs.messages.first().text.endsWith("\n" + page),
                 qPrintable(dialogs.messages.first().text));
        QCOMPARE(dialogs.messages.first().title, "Startseite im Browser ansehen");
    }
}

QTEST_MAIN(MainWindowHintsTest)
#include "MainWindowHintsTest.moc"
