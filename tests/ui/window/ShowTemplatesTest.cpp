// A show keeps the way back to its templates across a restart: "Vorlagen dieser Fotoshow laden",
// and the question before "HTML erstellen" replaces its pages written with other templates.
#include "ui/window/ShowTemplates.h"
#include "WindowTestSupport.h"
#include "ui/common/StandardDialogs.h"
#include "ui/lists/FileListBox.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using bildertafel::ui::MainWindow;
using namespace bildertafel::uitest;

namespace {

const QByteArray HellConfig = "[0] HTML-Kopf\r\n"
                              "<html><body class=\"hell\">\r\n";

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The entry of the show folder's menu, as the right mouse button offers it.
bool showTemplatesEntryEnabled(MainWindow& window) {
    for (const MenuEntry& entry : contextMenuOf(*file1(window, 1).viewport())) {
        if (entry.text == "Vorlagen dieser Fotoshow laden")
            return entry.enabled;
    }
    return false;
}

} // namespace

class ShowTemplatesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_startFolder = prepareWindowTests(); }
    void cleanup() {
        bildertafel::ui::setChoiceAnswerer({});
        QDir::setCurrent(m_startFolder);
    }
    void theNextDayAsksBeforeOtherTemplatesReplaceThePages_data();
    void theNextDayAsksBeforeOtherTemplatesReplaceThePages();

private:
    QString m_startFolder;
};

void ShowTemplatesTest::theNextDayAsksBeforeOtherTemplatesReplaceThePages_data() {
    QTest::addColumn<bool>("loadedFirst"); // hell.cfg loaded before the first pages
    QTest::addColumn<QString>("edited");   // typed into the head after loading
    QTest::addColumn<bool>("loadAgain");   // the next day, hell.cfg loaded before writing
    QTest::addColumn<bool>("byBatch");     // the next day's pages written by the batch command
    QTest::addColumn<int>("answer");       // -1: no question expected
    QTest::addColumn<bool>("hellAfter");   // the start page has hell's head afterwards
    QTest::addColumn<bool>("entryEnabled");
    QTest::addColumn<int>("messages");
    QTest::addColumn<bool>("keptGone"); // the settings kept with the pages removed overnight
    QTest::newRow("same templates: no question")
        << true << "" << true << false << -1 << true << true << 0 << false;
    QTest::newRow("other templates: load hell")
        << true << "" << false << false << 0 << true << true << 0 << false;
    QTest::newRow("other templates: write anyway")
        << true << "" << false << false << 1 << false << true << 0 << false;
    QTest::newRow("other templates: cancel")
        << true << "" << false << false << 2 << true << true << 0 << false;
    // The settings kept with the pages give the edit back.
    QTest::newRow("edited after loading: load hell with the edit")
        << true << "<!-- Titel -->" << false << false << 0 << true << true << 0 << false;
    // Without them the loaded set lacks the edit, so the pages stay and the user is told.
    QTest::newRow("edited, the kept settings gone: the pages stay")
        << true << "<!-- Titel -->" << false << false << 0 << true << true << 1 << true;
    QTest::newRow("typed by hand: their own templates back")
        << false << "<!-- von Hand -->" << false << false << 0 << false << true << 0 << false;
    QTest::newRow("typed by hand, the kept settings gone: no question")
        << false << "<!-- von Hand -->" << false << false << -1 << false << false << 0 << true;
    QTest::newRow("batch command: no question")
        << true << "" << false << true << -1 << false << true << 0 << false;
}

void ShowTemplatesTest::theNextDayAsksBeforeOtherTemplatesReplaceThePages() {
    QFETCH(bool, loadedFirst);
    QFETCH(QString, edited);
    QFETCH(bool, loadAgain);
    QFETCH(bool, byBatch);
    QFETCH(int, answer);
    QFETCH(bool, hellAfter);
    QFETCH(bool, entryEnabled);
    QFETCH(int, messages);
    QFETCH(bool, keptGone);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = canonical(dir.path());
    const QString show = root + "/show";
    QVERIFY(makeFiles(show, {"minis/a.jpg", "minis/b.jpg", "bilder/a.jpg", "bilder/b.jpg"}));
    QVERIFY(writeBytes(root + "/hell.cfg", HellConfig));
    QVERIFY(QDir::setCurrent(root));
    const auto openShow = [&show](MainWindow& window) {
        return startWindow(window) && doubleClickFolderRow(dir1(window, 1), show) &&
               doubleClickFolderRow(dir1(window, 2), show + "/minis") &&
               doubleClickFolderRow(dir1(window, 3), show + "/bilder");
    };
    const auto load = [](MainWindow& window) {
        return clickEntry(file1(window, 0), "hell.cfg") &&
               (clickWidget(control<QPushButton>(window, "Command2_0")), true);
    };
    const QString page = show + "/album.html";
    {
        MainWindow first;
        ScriptedDialogs& dialogs = scriptDialogs(first);
        QVERIFY(openShow(first));
        if (loadedFirst)
            QVERIFY(load(first));
        if (!edited.isEmpty())
            control<QPlainTextEdit>(first, "Text1_0").appendPlainText(edited);
        dialogs.answers = {"album"};
        clickWidget(control<QPushButton>(first, "Command3"));
        QCOMPARE(dialogs.messages.size(), 0);
    }
    const QByteArray written = readAll(page);
    QCOMPARE(written.contains("class=\"hell\""), loadedFirst);
    if (keptGone)
        QVERIFY(QFile::remove(QFile::decodeName(
            bildertafel::ui::pagesSettingsPath((show + "/").toStdString()).c_str())));

    // The next day: the defaults, as at every start.
    QStringList asked;
    bildertafel::ui::setChoiceAnswerer([&asked, answer](const QString& title,
                                                        const QString& question,
                                                        const QStringList& buttons) {
        asked << title << question << buttons;
        return answer;
    });
    MainWindow next;
    ScriptedDialogs& dialogs = scriptDialogs(next);
    QVERIFY(openShow(next));
    QCOMPARE(showTemplatesEntryEnabled(next), entryEnabled);
    if (loadAgain)
        QVERIFY(load(next));
    if (byBatch) {
        QProcess batch;
        batch.start(BILDERTAFEL_BATCH, {"--show", show, "--minis", show + "/minis", "--pictures",
                                        show + "/bilder", "--name", "album"});
        QVERIFY(batch.waitForFinished(30000));
        QCOMPARE(batch.exitCode(), 0);
    } else {
        dialogs.answers = {"album"};
        clickWidget(control<QPushButton>(next, "Command3"));
    }
    const QStringList question =
        loadedFirst ? QStringList{"HTML erstellen",
                                  "Die Seiten dieser Fotoshow wurden zuletzt mit der Vorlage "
                                  "„hell.cfg“ erstellt; jetzt gelten andere Vorlagen.",
                                  "Vorlage „hell.cfg“ laden", "Trotzdem erstellen", "Abbrechen"}
                    : QStringList{"HTML erstellen",
                                  "Die Seiten dieser Fotoshow wurden zuletzt mit anderen "
                                  "Vorlagen erstellt, als jetzt gelten.",
                                  "Ihre Vorlagen laden", "Trotzdem erstellen", "Abbrechen"};
    QCOMPARE(asked, answer < 0 ? QStringList() : question);
    QCOMPARE(dialogs.messages.size(), messages);
    const QByteArray after = readAll(page);
    QCOMPARE(after.contains("class=\"hell\""), hellAfter);
    // Kept pages, and pages written again with their own templates, keep their bytes.
    if (hellAfter || answer == 0)
        QCOMPARE(after, written);
    if (answer == 0) {
        const QString head = control<QPlainTextEdit>(next, "Text1_0").toPlainText();
        QVERIFY(head.contains(loadedFirst ? "hell" : edited));
        QCOMPARE(head.contains(edited), messages == 0);
    }
}

QTEST_MAIN(ShowTemplatesTest)
#include "ShowTemplatesTest.moc"
