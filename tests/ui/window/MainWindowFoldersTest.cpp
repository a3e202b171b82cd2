// The four remembered folders through the window's own lists: "temp" at start, a new show folder
// pulling the sub-folder lists along, drives, counts, re-reading, and folders that cannot be
// opened or have vanished.
#include "WindowTestSupport.h"
#include "ui/lists/DirListBox.h"
#include "ui/lists/DriveListBox.h"
#include "ui/lists/FileListBox.h"
#include "ui/window/MainWindow.h"
#include "ui/window/TempVariable.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

#include <memory>

using bildertafel::ui::MainWindow;
using namespace bildertafel::uitest;

namespace {

void unsetTempVariables() {
    for (const QString& name : QProcessEnvironment::systemEnvironment().keys()) {
        if (name.compare(u"temp", Qt::CaseInsensitive) == 0)
            qunsetenv(name.toLocal8Bit().constData());
    }
}

QString expand(QString text, const QString& root) {
    return text.replace("$R", root);
}

} // namespace

class MainWindowFoldersTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_startFolder = prepareWindowTests(); }
    void init();
    void cleanup();

    void tempVariableRules_data();
    void tempVariableRules();
    void configFolderFromTemp_data();
    void configFolderFromTemp();
    void newShowFolderPullsSubFolderListsAlong();
    void countsShowWhatTheListsHold_data();
    void countsShowWhatTheListsHold();
    void rootFolderKeepsOneSlash();
    void sameFolderAgainChangesNothing();
    void newDriveOpensItsRootFolder();
    void labelClickRereadsEveryList();
    void unopenableFolderChangesNothing_data();
    void unopenableFolderChangesNothing();
    void vanishedFolderMovesUpOnTheNextOpen_data();
    void vanishedFolderMovesUpOnTheNextOpen();
    void oneReadingServesTheFolderAndItsFileLists();

private:
    // The show of most tests: show/minis with two thumbnails, show/bilder with two pictures and a
    // page, a start page in show, and a second show folder "andere".
    void makeShow();
    // Opens show, then minis and bilder in the two sub-folder lists, as a person does.
    void openShow(MainWindow& window);

    QString m_startFolder;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    QString m_show;
};

void MainWindowFoldersTest::init() {
    unsetTempVariables();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = canonical(m_dir->path());
    m_show = m_root + "/show";
    QVERIFY(QDir::setCurrent(m_root));
}

void MainWindowFoldersTest::cleanup() {
    unsetTempVariables();
    QDir::setCurrent(m_startFolder);
    m_dir.reset();
}

void MainWindowFoldersTest::makeShow() {
    QVERIFY(makeFiles(m_root, {"show/start.html", "show/minis/a.jpg", "show/minis/b.jpg",
                               "show/bilder/a.jpg", "show/bilder/b.jpg", "show/bilder/a.html",
                               "andere/x.jpg", "andere/index.html"}));
}

void MainWindowFoldersTest::openShow(MainWindow& window) {
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_show));
    QVERIFY(doubleClickFolderRow(dir1(window, 2), m_show + "/minis"));
    QVERIFY(doubleClickFolderRow(dir1(window, 3), m_show + "/bilder"));
    QCOMPARE(window.showFolders()[1], m_show + "/");
    QCOMPARE(window.showFolders()[2], m_show + "/minis/");
    QCOMPARE(window.showFolders()[3], m_show + "/bilder/");
}

void MainWindowFoldersTest::tempVariableRules_data() {
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QString>("value");
    QTest::newRow("none") << QStringList{"PATH=/bin"} << "";
    QTest::newRow("upper case") << QStringList{"TEMP=/a"} << "/a";
    QTest::newRow("lower case") << QStringList{"temp=/b"} << "/b";
    QTest::newRow("mixed case") << QStringList{"Temp=/c"} << "/c";
    QTest::newRow("empty") << QStringList{"TEMP="} << "";
    QTest::newRow("longer name") << QStringList{"TEMPDIR=/x", "MYTEMP=/y"} << "";
    QTest::newRow("empty one skipped") << QStringList{"TEMP=", "temp=/b"} << "/b";
    QTest::newRow("first name in byte order") << QStringList{"temp=/b", "TEMP=/a"} << "/a";
    QTest::newRow("value kept as it is") << QStringList{"TEMP= /a b/ "} << " /a b/ ";
}

void MainWindowFoldersTest::tempVariableRules() {
    QFETCH(QStringList, variables);
    QFETCH(QString, value);
    QProcessEnvironment environment;
    for (const QString& variable : variables) {
        const qsizetype equals = variable.indexOf('=');
        environment.insert(variable.left(equals), variable.mid(equals + 1));
    }
    QCOMPARE(bildertafel::ui::tempVariable(environment), value);
}

void MainWindowFoldersTest::configFolderFromTemp_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("configFolder");
    QTest::addColumn<QStringList>("configFiles");
    const QString working = "$R/";
    const QStringList workingFiles{"eins.cfg"};
    const QStringList tempFiles{"zwei.cfg"};
    QTest::newRow("unset") << ""
                           << "" << working << workingFiles;
    QTest::newRow("empty") << "TEMP"
                           << "" << working << workingFiles;
    QTest::newRow("upper case") << "TEMP"
                                << "$R/tmp"
                                << "$R/tmp/" << tempFiles;
    QTest::newRow("lower case") << "temp"
                                << "$R/tmp"
                                << "$R/tmp/" << tempFiles;
    QTest::newRow("mixed case") << "TeMp"
                                << "$R/tmp"
                                << "$R/tmp/" << tempFiles;
    QTest::newRow("with trailing slash") << "TEMP"
                                         << "$R/tmp/"
                                         << "$R/tmp/" << tempFiles;
    QTest::newRow("relative to the working folder") << "TEMP"
                                                    << "tmp"
                                                    << "$R/tmp/" << tempFiles;
    QTest::newRow("missing folder") << "TEMP"
                                    << "$R/fehlt" << working << workingFiles;
    QTest::newRow("a file") << "TEMP"
                            << "$R/notiz.txt" << working << workingFiles;
}

void MainWindowFoldersTest::configFolderFromTemp() {
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, configFolder);
    QFETCH(QStringList, configFiles);
    QVERIFY(makeFiles(m_root, {"eins.cfg", "notiz.txt", "tmp/zwei.cfg", "tmp/bild.jpg"}));
    if (!name.isEmpty())
        qputenv(name.toLatin1().constData(), expand(value, m_root).toUtf8());

    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    const QString expected = expand(configFolder, m_root);
    QCOMPARE(window.showFolders()[0], expected);
    QCOMPARE(dir1(window, 0).path() + "/", expected);
    QCOMPARE(namesOf(file1(window, 0)), configFiles);
    QCOMPARE(file1(window, 0).selectedIndex(), -1);
    QCOMPARE(drive1(window, 0).drive(),
             DriveListBox::driveOf(dir1(window, 0).path(), drive1(window, 0).drives()));
    // The other three folders start at the working folder whatever "temp" says.
    for (int i = 1; i <= 3; ++i) {
        QCOMPARE(window.showFolders()[i], m_root + "/");
        QCOMPARE(dir1(window, i).path(), m_root);
    }
    QCOMPARE(file1(window, 4).folder(), m_root);
    QCOMPARE(labelText(window, "Label2"), "0");
    QCOMPARE(labelText(window, "Label3"), "0 jpg / 0 html");
    QVERIFY(!control<QPushButton>(window, "Command2_0").isEnabled());
    QVERIFY(!control<QPushButton>(window, "Command3").isEnabled());
}

void MainWindowFoldersTest::newShowFolderPullsSubFolderListsAlong() {
    makeShow();
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    openShow(window);
    QCOMPARE(file1(window, 4).folder(), m_show + "/bilder");
    QCOMPARE(namesOf(file1(window, 4)), QStringList{"a.html"});

    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_root));
    QCOMPARE(window.showFolders()[3], m_root + "/");

    // Inside the nested handling, each list is complete before the next one moves.
    QStringList seenWhenThumbsMoved;
    QStringList seenWhenPicturesMoved;
    connect(&dir1(window, 2), &DirListBox::pathChanged, this, [&] {
        seenWhenThumbsMoved = {window.showFolders()[1], window.showFolders()[2],
                               window.showFolders()[3], labelText(window, "Label2")};
    });
    connect(&dir1(window, 3), &DirListBox::pathChanged, this, [&] {
        seenWhenPicturesMoved = {window.showFolders()[2], window.showFolders()[3],
                                 labelText(window, "Label3")};
    });

    const QString other = m_root + "/andere";
    QVERIFY(doubleClickFolderRow(dir1(window, 1), other));
    QCOMPARE(seenWhenThumbsMoved, (QStringList{other + "/", other + "/", m_root + "/", "1"}));
    QCOMPARE(seenWhenPicturesMoved, (QStringList{other + "/", other + "/", "1 jpg / 1 html"}));

    for (int i = 1; i <= 3; ++i) {
        QCOMPARE(window.showFolders()[i], other + "/");
        QCOMPARE(dir1(window, i).path(), other);
        QCOMPARE(file1(window, i).folder(), other);
    }
    QCOMPARE(file1(window, 4).folder(), other);
    QCOMPARE(namesOf(file1(window, 1)), QStringList{"index.html"});
    QCOMPARE(namesOf(file1(window, 2)), QStringList{"x.jpg"});
    QCOMPARE(namesOf(file1(window, 3)), QStringList{"x.jpg"});
    QCOMPARE(labelText(window, "Label2"), "1");
    QCOMPARE(labelText(window, "Label3"), "1 jpg / 1 html");
}

void MainWindowFoldersTest::countsShowWhatTheListsHold_data() {
    QTest::addColumn<int>("thumbs");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<int>("picturePages");
    QTest::addColumn<int>("showPages");
    QTest::addColumn<QString>("label2");
    QTest::addColumn<QString>("label3");
    QTest::newRow("nothing anywhere") << 0 << 0 << 0 << 0 << "0"
                                      << "0 jpg / 0 html";
    QTest::newRow("pages of the show folder are not counted") << 3 << 2 << 1 << 4 << "3"
                                                              << "2 jpg / 1 html";
    QTest::newRow("thumbnails only") << 12 << 0 << 0 << 0 << "12"
                                     << "0 jpg / 0 html";
    QTest::newRow("pages only") << 0 << 0 << 10 << 0 << "0"
                                << "0 jpg / 10 html";
}

void MainWindowFoldersTest::countsShowWhatTheListsHold() {
    QFETCH(int, thumbs);
    QFETCH(int, pictures);
    QFETCH(int, picturePages);
    QFETCH(int, showPages);
    QFETCH(QString, label2);
    QFETCH(QString, label3);
    QStringList files{"show/minis/keep.txt", "show/bilder/keep.txt"};
    for (int i = 0; i < thumbs; ++i)
        files << QStringLiteral("show/minis/m%1.jpg").arg(i);
    for (int i = 0; i < pictures; ++i)
        files << QStringLiteral("show/bilder/b%1.jpg").arg(i);
    for (int i = 0; i < picturePages; ++i)
        files << QStringLiteral("show/bilder/b%1.html").arg(i);
    for (int i = 0; i < showPages; ++i)
        files << QStringLiteral("show/s%1.html").arg(i);
    QVERIFY(makeFiles(m_root, files));

    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    openShow(window);
    QCOMPARE(labelText(window, "Label2"), label2);
    QCOMPARE(labelText(window, "Label3"), label3);
}

void MainWindowFoldersTest::rootFolderKeepsOneSlash() {
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(dir1(window, 1).setPath("/"));
    QVERIFY(dir1(window, 0).setPath("/"));
    for (int i = 0; i <= 3; ++i) {
        QCOMPARE(window.showFolders()[i], "/");
        QCOMPARE(file1(window, i).folder(), "/");
    }
    QCOMPARE(file1(window, 4).folder(), "/");
    QCOMPARE(drive1(window, 1).drive(), "/");
}

void MainWindowFoldersTest::sameFolderAgainChangesNothing() {
    makeShow();
    QVERIFY(makeFiles(m_root, {"a.cfg", "b.cfg"}));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    openShow(window);
    QVERIFY(clickEntry(file1(window, 0), "b.cfg"));
    QVERIFY(clickEntry(file1(window, 2), "b.jpg"));
    const bildertafel::ui::ShowFolderSlots before = window.showFolders();

    QVERIFY(dir1(window, 1).setPath(m_show + "/"));
    QVERIFY(doubleClickFolderRow(dir1(window, 2), m_show + "/minis"));
    QVERIFY(dir1(window, 0).setPath(m_root));
    QCOMPARE(window.showFolders(), before);
    QCOMPARE(dir1(window, 2).path(), m_show + "/minis");
    QCOMPARE(file1(window, 0).selectedName(), "b.cfg");
    QCOMPARE(file1(window, 2).selectedName(), "b.jpg");
    QVERIFY(control<QPushButton>(window, "Command2_0").isEnabled());
    QCOMPARE(dialogs.messages.size(), 0);
}

void MainWindowFoldersTest::newDriveOpensItsRootFolder() {
    makeShow();
    QVERIFY(makeFiles(m_root, {"laufwerk/bilder/a.jpg", "laufwerk/start.html", "laufwerk/k.cfg"}));
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    openShow(window);
    // A drive the list did not know yet, as a newly mounted medium would be.
    const QString drive = m_root + "/laufwerk";
    drive1(window, 1).setDrive(drive);
    for (int i = 1; i <= 3; ++i) {
        QCOMPARE(dir1(window, i).path(), drive);
        QCOMPARE(window.showFolders()[i], drive + "/");
    }
    QCOMPARE(namesOf(file1(window, 1)), QStringList{"start.html"});
    QCOMPARE(file1(window, 4).folder(), drive);

    drive1(window, 0).setDrive(drive);
    QCOMPARE(window.showFolders()[0], drive + "/");
    QCOMPARE(namesOf(file1(window, 0)), QStringList{"k.cfg"});

    // Walking out of the drive's folders shows the drive the folder now lies on.
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_root));
    QCOMPARE(drive1(window, 1).drive(), DriveListBox::driveOf(m_root, drive1(window, 1).drives()));
    QVERIFY(drive1(window, 1).drive() != drive);
    QCOMPARE(window.showFolders()[2], m_root + "/");
}

void MainWindowFoldersTest::labelClickRereadsEveryList() {
    makeShow();
    QVERIFY(makeFiles(m_root, {"a.cfg"}));
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    openShow(window);
    QVERIFY(clickEntry(file1(window, 0), "a.cfg"));
    QVERIFY(clickEntry(file1(window, 3), "b.jpg"));

    QVERIFY(makeFiles(m_root, {"0.cfg", "show/minis/c.jpg", "show/bilder/0.jpg",
                               "show/bilder/b.html", "show/neu.html"}));
    QVERIFY(QFile::remove(m_show + "/minis/a.jpg"));
    clickWidget(control<QLabel>(window, "Label2"));
    QCOMPARE(namesOf(file1(window, 0)), (QStringList{"0.cfg", "a.cfg"}));
    QCOMPARE(namesOf(file1(window, 1)), (QStringList{"neu.html", "start.html"}));
    QCOMPARE(namesOf(file1(window, 2)), (QStringList{"b.jpg", "c.jpg"}));
    QCOMPARE(namesOf(file1(window, 3)), (QStringList{"0.jpg", "a.jpg", "b.jpg"}));
    QCOMPARE(namesOf(file1(window, 4)), (QStringList{"a.html", "b.html"}));
    QCOMPARE(labelText(window, "Label2"), "2");
    QCOMPARE(labelText(window, "Label3"), "3 jpg / 2 html");
    // A re-read keeps the entries selected whose files are still there.
    QCOMPARE(file1(window, 0).selectedName(), "a.cfg");
    QCOMPARE(file1(window, 3).selectedName(), "b.jpg");

    QVERIFY(QFile::remove(m_show + "/bilder/b.jpg"));
    clickWidget(control<QLabel>(window, "Label3"));
    QCOMPARE(labelText(window, "Label3"), "2 jpg / 2 html");
    QCOMPARE(file1(window, 3).selectedIndex(), -1);
}

void MainWindowFoldersTest::unopenableFolderChangesNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::newRow("removed") << "remove"
                             << "Der Ordner „$S/minis“ existiert nicht.";
    QTest::newRow("replaced by a file") << "file"
                                        << "„$S/minis“ ist kein Ordner.";
    QTest::newRow("no permission")
        << "lock"
        << "Der Ordner „$S/minis“ kann nicht gelesen werden: Zugriff verweigert.";
}

void MainWindowFoldersTest::unopenableFolderChangesNothing() {
    QFETCH(QString, how);
    QFETCH(QString, message);
    if (how == "lock" && ::geteuid() == 0)
        QSKIP("runs as the super-user, who may read every folder: no folder can be made "
              "unreadable");
    makeShow();
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_show));
    const bildertafel::ui::ShowFolderSlots before = window.showFolders();

    const QString minis = m_show + "/minis";
    if (how == "remove" || how == "file") {
        QVERIFY(QDir(minis).removeRecursively());
        if (how == "file")
            QVERIFY(makeFiles(m_show, {"minis"}));
    } else {
        QVERIFY(QFile::setPermissions(minis, QFileDevice::WriteOwner));
    }
    QVERIFY(doubleClickFolderRow(dir1(window, 2), minis));
    if (how == "lock")
        QFile::setPermissions(minis, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ExeOwner);

    QCOMPARE(dir1(window, 2).path(), m_show);
    QCOMPARE(window.showFolders(), before);
    QCOMPARE(file1(window, 2).folder(), m_show);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text, QString(message).replace("$S", m_show));
    QCOMPARE(dialogs.messages[0].title, "Problem im Dateisystem...");
}

void MainWindowFoldersTest::vanishedFolderMovesUpOnTheNextOpen_data() {
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("removed");
    QTest::newRow("the folder itself") << "bilder"
                                       << "bilder";
    QTest::newRow("a folder above it") << "bilder/gross"
                                       << "bilder";
}

void MainWindowFoldersTest::vanishedFolderMovesUpOnTheNextOpen() {
    QFETCH(QString, current);
    QFETCH(QString, removed);
    makeShow();
    QVERIFY(makeFiles(m_show, {"bilder/gross/a.jpg", "c.jpg"}));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    openShow(window);
    const QString folder = m_show + "/" + current;
    QVERIFY(dir1(window, 3).setPath(folder));
    QVERIFY(file1(window, 3).count() > 0);
    const QPushButton& generate = control<QPushButton>(window, "Command3");
    const bool generateBefore = generate.isEnabled();

    QVERIFY(QDir(m_show + "/" + removed).removeRecursively());
    // The next re-read shows the folder empty; the list and the slot stay.
    clickWidget(control<QLabel>(window, "Label3"));
    QCOMPARE(labelText(window, "Label3"), "0 jpg / 0 html");
    QCOMPARE(window.showFolders()[3], folder + "/");
    QCOMPARE(dir1(window, 3).path(), folder);
    QCOMPARE(generate.isEnabled(), generateBefore);
    QCOMPARE(dialogs.messages.size(), 0);

    // Opening it again moves the list to the nearest folder above that exists.
    QVERIFY(doubleClickFolderRow(dir1(window, 3), folder));
    QCOMPARE(dir1(window, 3).path(), m_show);
    QCOMPARE(window.showFolders()[3], m_show + "/");
    QCOMPARE(file1(window, 3).folder(), m_show);
    QCOMPARE(file1(window, 4).folder(), m_show);
    QCOMPARE(namesOf(file1(window, 3)), QStringList{"c.jpg"});
    QCOMPARE(labelText(window, "Label3"), "1 jpg / 1 html");
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text,
             "Der Ordner „" + folder +
                 "“ existiert nicht.\nGeöffnet ist jetzt der nächste vorhandene Ordner darüber: „" +
                 m_show + "“.");
    QCOMPARE(dialogs.messages[0].title, "Problem im Dateisystem...");
}

void MainWindowFoldersTest::oneReadingServesTheFolderAndItsFileLists() {
    makeShow();
    QVERIFY(makeFiles(m_show, {"bilder/c.JPG", "bilder/ordner.jpg/x", "bilder/.versteckt.jpg",
                               "bilder/Seite 10.html", "bilder/Seite 2.html"}));
    QVERIFY(QFile::link(m_show + "/minis", m_show + "/bilder/verweis.jpg"));
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    openShow(window);

    // What a list shows after the folder list's reading equals a reading of its own.
    for (const int list : {3, 4}) {
        FileListBox fresh;
        fresh.setPattern(file1(window, list).pattern());
        fresh.setFolder(m_show + "/bilder");
        QCOMPARE(namesOf(file1(window, list)), namesOf(fresh));
    }
    QCOMPARE(namesOf(file1(window, 3)), (QStringList{"a.jpg", "b.jpg", "c.JPG"}));
    QCOMPARE(namesOf(file1(window, 4)), (QStringList{"a.html", "Seite 2.html", "Seite 10.html"}));
    QCOMPARE(rowTexts(dir1(window, 3)).mid(rowTexts(dir1(window, 3)).size() - 2),
             (QStringList{"ordner.jpg", "verweis.jpg"}));
    QCOMPARE(labelText(window, "Label3"), "3 jpg / 3 html");
}

QTEST_MAIN(MainWindowFoldersTest)
#include "MainWindowFoldersTest.moc"
