// The buttons of the window: when "Konfiguration Laden" and "HTML erstellen" can be used, and
// loading, saving and generating through the window with scripted dialogs.
#include "WindowTestSupport.h"
#include "settings/ShowSettings.h"
#include "ui/lists/DirListBox.h"
#include "ui/lists/FileListBox.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using bildertafel::settings::ShowOption;
using bildertafel::settings::TemplateId;
using bildertafel::ui::MainWindow;
using namespace bildertafel::uitest;

namespace {

QPushButton& loadButton(MainWindow& window) {
    return control<QPushButton>(window, "Command2_0");
}
QPushButton& saveButton(MainWindow& window) {
    return control<QPushButton>(window, "Command2_1");
}
QPushButton& generateButton(MainWindow& window) {
    return control<QPushButton>(window, "Command3");
}
QPushButton& endButton(MainWindow& window) {
    return control<QPushButton>(window, "Command1");
}
QString label4(MainWindow& window) {
    return control<QLabel>(window, "Label4").text();
}

QStringList jpgNames(const QString& folder, int count) {
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << QStringLiteral("%1/Bild%2.jpg").arg(folder).arg(i);
    return names;
}

// A configuration that changes the head, the pictures per row and one option.
const QByteArray SmallConfig = "[0] HTML-Kopf\r\n"
                               "<html><body class=\"dunkel\">\r\n"
                               "<center>\r\n"
                               "[6] Tabellenbreite\r\n"
                               " 5   (7 Bilder breit)\r\n"
                               "[7] eigene HTML-Datei\r\n"
                               " 1 \r\n";

} // namespace

class MainWindowCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_startFolder = prepareWindowTests(); }
    void init();
    void cleanup();

    void generateButtonFollowsTheCounts_data();
    void generateButtonFollowsTheCounts();
    void loadButtonFollowsTheSelection();
    void refreshLeavesTheButtons_data();
    void refreshLeavesTheButtons();
    void doubleClickInAnyListLoadsTheSelectedConfiguration_data();
    void doubleClickInAnyListLoadsTheSelectedConfiguration();
    void nothingSelectedLoadsNothing();
    void refusedConfigurationLeavesTheControls();
    void saveWritesTheFileAndListsIt();
    void saveCancelledWritesNothing();
    void generationRefusedOrCancelled_data();
    void generationRefusedOrCancelled();
    void generationWritesAndRefreshesTheLists();
    void generationTellsOfLinksThatLeadNowhere();
    void writeFailureNamesTheReasonInGerman();

private:
    // Starts the window in the working folder and opens show, minis and bilder.
    void startInShow(MainWindow& window, const QString& minis = "minis",
                     const QString& pictures = "bilder");

    QString m_startFolder;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    QString m_show;
};

void MainWindowCommandsTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = canonical(m_dir->path());
    m_show = m_root + "/show";
    QVERIFY(QDir().mkpath(m_show + "/minis"));
    QVERIFY(QDir().mkpath(m_show + "/bilder"));
    QVERIFY(QDir::setCurrent(m_root));
}

void MainWindowCommandsTest::cleanup() {
    QDir::setCurrent(m_startFolder);
    m_dir.reset();
}

void MainWindowCommandsTest::startInShow(MainWindow& window, const QString& minis,
                                         const QString& pictures) {
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_show));
    QVERIFY(doubleClickFolderRow(dir1(window, 2), m_show + "/" + minis));
    QVERIFY(doubleClickFolderRow(dir1(window, 3), m_show + "/" + pictures));
}

void MainWindowCommandsTest::generateButtonFollowsTheCounts_data() {
    QTest::addColumn<int>("thumbs");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("both empty") << 0 << 0 << false;
    QTest::newRow("no thumbnails") << 0 << 2 << false;
    QTest::newRow("no pictures") << 2 << 0 << false;
    QTest::newRow("equal counts") << 2 << 2 << true;
    QTest::newRow("different counts") << 2 << 5 << true;
}

void MainWindowCommandsTest::generateButtonFollowsTheCounts() {
    QFETCH(int, thumbs);
    QFETCH(int, pictures);
    QFETCH(bool, enabled);
    QVERIFY(makeFiles(m_show, jpgNames("minis", thumbs) + jpgNames("bilder", pictures)));
    MainWindow window;
    scriptDialogs(window);
    startInShow(window);
    QCOMPARE(generateButton(window).isEnabled(), enabled);
    QVERIFY(saveButton(window).isEnabled());
    QVERIFY(endButton(window).isEnabled());
}

void MainWindowCommandsTest::loadButtonFollowsTheSelection() {
    QVERIFY(makeFiles(m_root, {"a.cfg", "b.cfg", "andere/c.cfg"}));
    QVERIFY(makeFiles(m_show, jpgNames("minis", 1) + jpgNames("bilder", 1)));
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(!loadButton(window).isEnabled());

    QVERIFY(clickEntry(file1(window, 0), "b.cfg"));
    QVERIFY(loadButton(window).isEnabled());
    // A click in another list evaluates the buttons again; the selection in File1(0) stays.
    startInShow(window);
    QVERIFY(clickEntry(file1(window, 3), "Bild1.jpg"));
    QVERIFY(loadButton(window).isEnabled());
    QVERIFY(generateButton(window).isEnabled());

    // Another configuration folder has no entry selected.
    QVERIFY(doubleClickFolderRow(dir1(window, 0), m_root + "/andere"));
    QCOMPARE(file1(window, 0).selectedIndex(), -1);
    QVERIFY(!loadButton(window).isEnabled());
    QVERIFY(clickEntry(file1(window, 0), "c.cfg"));
    QVERIFY(loadButton(window).isEnabled());
    QVERIFY(saveButton(window).isEnabled());
    QVERIFY(endButton(window).isEnabled());
}

void MainWindowCommandsTest::refreshLeavesTheButtons_data() {
    QTest::addColumn<int>("picturesBefore");
    QTest::addColumn<int>("picturesAfter");
    QTest::addColumn<QString>("label");
    QTest::newRow("pictures copied in, Label3") << 0 << 2 << "Label3";
    QTest::newRow("pictures copied in, Label2") << 0 << 2 << "Label2";
    QTest::newRow("pictures removed, Label2") << 2 << 0 << "Label2";
}

void MainWindowCommandsTest::refreshLeavesTheButtons() {
    QFETCH(int, picturesBefore);
    QFETCH(int, picturesAfter);
    QFETCH(QString, label);
    QVERIFY(makeFiles(m_show, jpgNames("minis", 2) + jpgNames("bilder", picturesBefore)));
    QVERIFY(makeFiles(m_root, {"a.cfg"}));
    MainWindow window;
    scriptDialogs(window);
    startInShow(window);
    const bool before = picturesBefore > 0;
    QCOMPARE(generateButton(window).isEnabled(), before);

    QVERIFY(QDir(m_show + "/bilder").removeRecursively());
    QVERIFY(QDir().mkpath(m_show + "/bilder"));
    QVERIFY(makeFiles(m_show, jpgNames("bilder", picturesAfter)));
    QVERIFY(makeFiles(m_root, {"neu.cfg"}));
    clickWidget(control<QLabel>(window, label));
    QCOMPARE(file1(window, 3).count(), picturesAfter);
    QCOMPARE(control<QLabel>(window, "Label3").text(),
             QStringLiteral("%1 jpg / 0 html").arg(picturesAfter));
    QCOMPARE(generateButton(window).isEnabled(), before);

    // The next click in a file list sets the buttons again.
    QVERIFY(clickEntry(file1(window, 0), "neu.cfg"));
    QCOMPARE(generateButton(window).isEnabled(), picturesAfter > 0);
    QVERIFY(loadButton(window).isEnabled());
}

void MainWindowCommandsTest::doubleClickInAnyListLoadsTheSelectedConfiguration_data() {
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("entry");
    QTest::newRow("File1(0), the configuration itself") << 0 << "dunkel.cfg";
    QTest::newRow("File1(1), a page of the show") << 1 << "start.html";
    QTest::newRow("File1(2), a thumbnail") << 2 << "Bild1.jpg";
    QTest::newRow("File1(3), a picture") << 3 << "Bild2.jpg";
    QTest::newRow("File1(4), a picture page") << 4 << "Bild1.html";
    QTest::newRow("the button") << -1 << "";
}

void MainWindowCommandsTest::doubleClickInAnyListLoadsTheSelectedConfiguration() {
    QFETCH(int, list);
    QFETCH(QString, entry);
    QVERIFY(makeFiles(m_show, jpgNames("minis", 2) + jpgNames("bilder", 2) +
                                  QStringList{"start.html", "bilder/Bild1.html"}));
    QVERIFY(writeBytes(m_root + "/dunkel.cfg", SmallConfig));
    QVERIFY(makeFiles(m_root, {"a.cfg"}));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    startInShow(window);
    // Only the configuration selected in File1(0) counts, never the entry double-clicked.
    QVERIFY(clickEntry(file1(window, 0), "dunkel.cfg"));
    QCOMPARE(label4(window), "");

    if (list < 0) {
        clickWidget(loadButton(window));
    } else {
        QVERIFY(doubleClickEntry(file1(window, list), entry));
    }
    bildertafel::settings::ShowSettings expected = bildertafel::settings::DefaultShowSettings();
    expected.setTemplate(TemplateId::PageHead, "<html><body class=\"dunkel\">\r\n<center>");
    expected.setTableWidthIndex(5);
    expected.setOption(ShowOption::OwnPagePerPicture, 1);
    QCOMPARE(window.settings(), expected);
    QCOMPARE(label4(window), "dunkel.cfg");
    QCOMPARE(control<QPlainTextEdit>(window, "Text1_0").toPlainText(),
             "<html><body class=\"dunkel\">\n<center>");
    QCOMPARE(dialogs.messages.size(), 0);
    // Loading changes no folder.
    QCOMPARE(window.showFolders()[3], m_show + "/bilder/");
}

void MainWindowCommandsTest::nothingSelectedLoadsNothing() {
    QVERIFY(makeFiles(m_show, jpgNames("minis", 1) + jpgNames("bilder", 1)));
    QVERIFY(writeBytes(m_root + "/dunkel.cfg", SmallConfig));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    startInShow(window);
    QVERIFY(doubleClickEntry(file1(window, 3), "Bild1.jpg"));
    QCOMPARE(window.settings(), bildertafel::settings::DefaultShowSettings());
    QCOMPARE(label4(window), "");
    QCOMPARE(dialogs.messages.size(), 0);
    QCOMPARE(dialogs.questions.size(), 0);
}

void MainWindowCommandsTest::refusedConfigurationLeavesTheControls() {
    QVERIFY(writeBytes(m_root + "/dunkel.cfg", SmallConfig));
    // The head would apply, but a value the choice cannot take refuses the whole file.
    QVERIFY(writeBytes(m_root + "/kaputt.cfg", "[0] HTML-Kopf\r\n<p>\r\n[6] x\r\n 12 \r\n"));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickEntry(file1(window, 0), "dunkel.cfg"));
    const bildertafel::settings::ShowSettings loaded = window.settings();

    QVERIFY(doubleClickEntry(file1(window, 0), "kaputt.cfg"));
    QCOMPARE(window.settings(), loaded);
    QCOMPARE(label4(window), "dunkel.cfg");
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].title, "Konfigurationsdatei laden...");
    QVERIFY2(dialogs.messages[0].text.contains(m_root + "/kaputt.cfg"),
             qPrintable(dialogs.messages[0].text));

    // A file deleted since the list was read cannot be loaded either.
    QVERIFY(clickEntry(file1(window, 0), "dunkel.cfg"));
    QVERIFY(QFile::remove(m_root + "/dunkel.cfg"));
    clickWidget(loadButton(window));
    QCOMPARE(window.settings(), loaded);
    QCOMPARE(dialogs.messages.size(), 2);
}

void MainWindowCommandsTest::saveWritesTheFileAndListsIt() {
    QVERIFY(makeFiles(m_root, {"a.cfg", "z.cfg"}));
    QVERIFY(QDir().mkpath(m_root + "/konfig"));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(clickEntry(file1(window, 0), "z.cfg"));
    control<QPlainTextEdit>(window, "Text1_0").setPlainText("<html><body text=\"white\">");
    dialogs.answers = {"meine"};

    clickWidget(saveButton(window));
    QCOMPARE(dialogs.questions.size(), 1);
    QCOMPARE(dialogs.questions[0].prompt, "Dateiname (ohne Erweiterung):");
    QCOMPARE(dialogs.questions[0].title, "Konfigurationsdatei speichern...");
    QCOMPARE(dialogs.questions[0].presetAnswer, "Kachelwerk01");
    QCOMPARE(dialogs.messages.size(), 0);
    QCOMPARE(readBytes(m_root + "/meine.cfg"),
             QByteArray("[0] HTML-Kopf\r\n"
                        "<html><body text=\"white\">\r\n"
                        "[1] HTML-Fu\xdf\r\n"
                        "</center></body></html>\r\n"
                        "[2] HTML-Tabellenzelle vor dem Bild\r\n"
                        "<td align=\"center\" valign=\"center\">\r\n"
                        "[3] HTML-Tabellenzelle nach dem Bild\r\n"
                        "</td>\r\n"
                        "[4] HTML-Datei vor dem Bild\r\n"
                        "<html><body><center>\r\n"
                        "[5] HTML-Datei nach dem Bild\r\n"
                        "</center></body></html>\r\n"
                        "[6] Tabellenbreite\r\n"
                        " 2   (4 Bilder breit)\r\n"
                        "[7] eigene HTML-Datei\r\n"
                        " 0 \r\n"
                        "[8] neues Browserfenster\r\n"
                        " 0 \r\n"
                        "[9] HTML-Datei mit allen Bildern\r\n"
                        " 1 \r\n"));
    QCOMPARE(namesOf(file1(window, 0)), (QStringList{"a.cfg", "meine.cfg", "z.cfg"}));
    QCOMPARE(file1(window, 0).selectedName(), "z.cfg");
    QCOMPARE(label4(window), "");

    // Saved into the configuration folder the list shows, and loaded back from there.
    QVERIFY(doubleClickFolderRow(dir1(window, 0), m_root + "/konfig"));
    dialogs.answers = {"zweite"};
    clickWidget(saveButton(window));
    QVERIFY(QFile::exists(m_root + "/konfig/zweite.cfg"));
    QCOMPARE(namesOf(file1(window, 0)), QStringList{"zweite.cfg"});
    QVERIFY(!loadButton(window).isEnabled());
    control<QPlainTextEdit>(window, "Text1_0").setPlainText("anders");
    QVERIFY(doubleClickEntry(file1(window, 0), "zweite.cfg"));
    QCOMPARE(window.settings().Template(TemplateId::PageHead),
             std::string("<html><body text=\"white\">"));
}

void MainWindowCommandsTest::saveCancelledWritesNothing() {
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    clickWidget(saveButton(window));
    QCOMPARE(dialogs.questions.size(), 1);
    QCOMPARE(dialogs.messages.size(), 0);
    QCOMPARE(QDir(m_root).entryList(QDir::Files), QStringList());
    QCOMPARE(file1(window, 0).count(), 0);
}

void MainWindowCommandsTest::generationRefusedOrCancelled_data() {
    QTest::addColumn<QString>("minis");
    QTest::addColumn<QString>("pictures");
    QTest::addColumn<int>("pictureCount");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    const QString fileSystem = "Problem im Dateisystem...";
    QTest::newRow("counts differ")
        << "minis"
        << "bilder" << 3 << "album" << false
        << "Die Anzahl der Bilder und Minibilder stimmt nicht überein..." << fileSystem;
    // Right after a restart and the show folder chosen: the message says what to choose.
    QTest::newRow("sub-folders still at the show folder")
        << ""
        << "" << 2 << "album" << false
        << "Der Ordner für die Minis liegt nicht unter dem Hauptordner der Show... Gewählt ist der "
           "Hauptordner selbst: Wählen Sie als Ordner der Minis seinen Unterordner mit den "
           "Mini-Bildern, etwa „minis“."
        << fileSystem;
    QTest::newRow("one sub-folder for both")
        << "minis"
        << "minis" << 2 << "album" << false
        << "Der Ordner für die Bilder und deren HTML's ist der Ordner für die Mini-Bilder..."
        << fileSystem;
    QTest::newRow("name cancelled") << "minis"
                                    << "bilder" << 2 << "" << true << "Dateiname ist ungültig..."
                                    << "Abbruch...";
}

void MainWindowCommandsTest::generationRefusedOrCancelled() {
    QFETCH(QString, minis);
    QFETCH(QString, pictures);
    QFETCH(int, pictureCount);
    QFETCH(QString, answer);
    QFETCH(bool, asked);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QVERIFY(makeFiles(m_show,
                      jpgNames("minis", 2) + jpgNames("bilder", pictureCount) + jpgNames(".", 2)));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_show));
    if (!minis.isEmpty())
        QVERIFY(doubleClickFolderRow(dir1(window, 2), m_show + "/" + minis));
    if (!pictures.isEmpty())
        QVERIFY(doubleClickFolderRow(dir1(window, 3), m_show + "/" + pictures));
    QVERIFY(generateButton(window).isEnabled());
    dialogs.answers = {answer};

    clickWidget(generateButton(window));
    QCOMPARE(dialogs.questions.size(), asked ? 1 : 0);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text, message);
    QCOMPARE(dialogs.messages[0].title, title);
    QCOMPARE(QDir(m_show).entryList({"*.html"}, QDir::Files), QStringList());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void MainWindowCommandsTest::generationWritesAndRefreshesTheLists() {
    QVERIFY(makeFiles(m_show, jpgNames("minis", 3) + jpgNames("bilder", 3)));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    startInShow(window);
    QCOMPARE(control<QLabel>(window, "Label3").text(), "3 jpg / 0 html");
    QVERIFY(!loadButton(window).isEnabled());
    dialogs.answers = {"album"};
    // The lists are read again at the end of the run, while the pointer still shows it busy.
    QList<int> pointerWhileListed;
    connect(file1(window, 1).model(), &QAbstractItemModel::modelReset, this, [&] {
        const QCursor* pointer = QApplication::overrideCursor();
        pointerWhileListed << (pointer ? pointer->shape() : -1);
    });

    clickWidget(generateButton(window));
    QCOMPARE(pointerWhileListed, QList<int>{Qt::BusyCursor});
    QCOMPARE(dialogs.questions.size(), 1);
    QCOMPARE(dialogs.questions[0].prompt, "Dateiname (ohne Erweiterung):");
    QCOMPARE(dialogs.questions[0].title, "HTML-Startdatei speichern...");
    QCOMPARE(dialogs.questions[0].presetAnswer, "bilder01");
    QCOMPARE(dialogs.messages.size(), 0);
    // The new pages are listed and counted at once.
    QCOMPARE(namesOf(file1(window, 1)), QStringList{"album.html"});
    QCOMPARE(namesOf(file1(window, 4)), QStringList{"album_all.html"});
    QCOMPARE(control<QLabel>(window, "Label3").text(), "3 jpg / 1 html");
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(generateButton(window).isEnabled());

    // Every run asks with the same preset again.
    dialogs.answers = {"zwei"};
    clickWidget(generateButton(window));
    QCOMPARE(dialogs.questions.size(), 2);
    QCOMPARE(dialogs.questions[1].presetAnswer, "bilder01");
    QCOMPARE(namesOf(file1(window, 1)), (QStringList{"album.html", "zwei.html"}));
}

void MainWindowCommandsTest::generationTellsOfLinksThatLeadNowhere() {
    // Equal counts, but one picture is named otherwise than its preview.
    QVERIFY(makeFiles(m_show,
                      jpgNames("minis", 2) + QStringList{"bilder/Bild1.jpg", "bilder/bild2.jpg"}));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    startInShow(window);
    dialogs.answers = {"album"};
    clickWidget(generateButton(window));
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].title, "Hinweis");
    QCOMPARE(dialogs.messages[0].text,
             "Die Seiten sind geschrieben, aber 1 Verweis führt ins Leere:\n"
             "album.html → bilder/Bild2.jpg");
    QCOMPARE(namesOf(file1(window, 1)), QStringList{"album.html"});
}

void MainWindowCommandsTest::writeFailureNamesTheReasonInGerman() {
    QVERIFY(makeFiles(m_show, jpgNames("minis", 1) + jpgNames("bilder", 1)));
    QVERIFY(QDir().mkpath(m_show + "/bilder/album_all.html"));
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    startInShow(window);
    dialogs.answers = {"album"};
    clickWidget(generateButton(window));
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].title, "Problem im Dateisystem...");
    QCOMPARE(dialogs.messages[0].text, "Die Datei " + m_show +
                                           "/bilder/album_all.html konnte nicht geschrieben "
                                           "werden: Das ist ein Ordner");
}

QTEST_MAIN(MainWindowCommandsTest)
#include "MainWindowCommandsTest.moc"
