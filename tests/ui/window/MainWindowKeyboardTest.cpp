// What a German desktop user meets beyond the mouse: the toolkit's own texts in German, the
// keyboard (Enter on buttons and file lists, F5), the mouse wheel over unfocused choices, names
// from a disk written in Latin-1, and the start page opened in the browser.
#include "WindowTestSupport.h"
#include "ui/common/GermanTexts.h"
#include "ui/lists/FileNames.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <memory>

using bildertafel::ui::MainWindow;
using bildertafel::uilists::fromFileName;
using namespace bildertafel::uitest;

class MainWindowKeyboardTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_startFolder = prepareWindowTests();
        QVERIFY(bildertafel::ui::useGermanTexts(*QCoreApplication::instance()));
    }
    void init();
    void cleanup();

    void toolkitButtonsSpeakGerman_data();
    void toolkitButtonsSpeakGerman();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void enterOnAFileListEntryLoadsLikeADoubleClick();
    void f5ReadsTheListsAgain();
    void wheelOverAnUnfocusedChoiceChangesNothing();
    void latin1NamesOpenAndLinkByTheirBytes();
    void startPageOpensInTheBrowser();

private:
    QString m_startFolder;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

void MainWindowKeyboardTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = canonical(m_dir->path());
    QVERIFY(QDir::setCurrent(m_root));
}

void MainWindowKeyboardTest::cleanup() {
    QDir::setCurrent(m_startFolder);
    m_dir.reset();
}

void MainWindowKeyboardTest::toolkitButtonsSpeakGerman_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("cancel") << int(QDialogButtonBox::Cancel) << "Abbrechen";
    QTest::newRow("close") << int(QDialogButtonBox::Close) << "Schließen";
}

void MainWindowKeyboardTest::toolkitButtonsSpeakGerman() {
    QFETCH(int, button);
    QFETCH(QString, text);
    QDialogButtonBox box(static_cast<QDialogButtonBox::StandardButton>(button));
    QCOMPARE(box.button(static_cast<QDialogButtonBox::StandardButton>(button))->text(), text);
}

void MainWindowKeyboardTest::enterPressesTheFocusedButton_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

void MainWindowKeyboardTest::enterPressesTheFocusedButton() {
    QFETCH(int, key);
    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    QPushButton& save = control<QPushButton>(window, "Command2_1");
    save.setFocus();
    QTest::keyClick(&save, static_cast<Qt::Key>(key),
                    key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(dialogs.questions.size(), 1);
    QCOMPARE(dialogs.questions[0].title, "Konfigurationsdatei speichern...");
}

void MainWindowKeyboardTest::enterOnAFileListEntryLoadsLikeADoubleClick() {
    QVERIFY(writeBytes(m_root + "/a.cfg", "[6]\r\n 5 \r\n"));
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    FileListBox& configs = file1(window, 0);
    QVERIFY(clickEntry(configs, "a.cfg"));
    QTest::keyClick(configs.viewport(), Qt::Key_Return);
    QCOMPARE(labelText(window, "Label4"), "a.cfg");
    QCOMPARE(control<QComboBox>(window, "Combo1").currentText(), "7 Bilder breit");
}

void MainWindowKeyboardTest::f5ReadsTheListsAgain() {
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    QCOMPARE(labelText(window, "Label2"), "0");
    QVERIFY(makeFiles(m_root, {"a.jpg", "b.jpg"}));
    QTest::keyClick(&window, Qt::Key_F5);
    QCOMPARE(labelText(window, "Label2"), "2");
    QCOMPARE(labelText(window, "Label3"), "2 jpg / 0 html");
}

void MainWindowKeyboardTest::wheelOverAnUnfocusedChoiceChangesNothing() {
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    for (const QString name : {"Drive1_1", "Combo1"}) {
        auto& choice = control<QComboBox>(window, name);
        // Another drive the list can move to, should the wheel reach it.
        if (choice.count() < 2)
            choice.addItem("/nirgendwo");
        const int before = choice.currentIndex();
        control<QPushButton>(window, "Command1").setFocus();
        const QPoint centre = choice.rect().center();
        QWheelEvent notch(centre, choice.mapToGlobal(centre), {}, {0, -120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&choice, &notch);
        QCOMPARE(choice.currentIndex(), before);
        QVERIFY(!choice.hasFocus());
    }
}

void MainWindowKeyboardTest::latin1NamesOpenAndLinkByTheirBytes() {
    // "Ü" and "ä" in Latin-1, as an old disk holds them: no UTF-8.
    const std::string show = canonical(m_root).toStdString() + "/\xDC"
                                                               "ber";
    for (const std::string& folder : {show, show + "/minis", show + "/bilder"})
        QVERIFY(::mkdir(folder.c_str(), 0755) == 0);
    for (const std::string& file : {show + "/minis/B\xE4r.jpg", show + "/bilder/B\xE4r.jpg"}) {
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }

    MainWindow window;
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    const QString shown = fromFileName(show);
    QVERIFY(doubleClickFolderRow(dir1(window, 1), shown));
    QVERIFY(doubleClickFolderRow(dir1(window, 2), shown + "/minis"));
    QVERIFY(doubleClickFolderRow(dir1(window, 3), shown + "/bilder"));
    QCOMPARE(labelText(window, "Label2"), "1");
    dialogs.answers = {"index"};
    clickWidget(control<QPushButton>(window, "Command3"));

    QCOMPARE(dialogs.messages.size(), 0); // no folder refused, no link that leads nowhere
    std::ifstream written(show + "/index.html", std::ios::binary);
    const QByteArray page = QByteArray::fromStdString(
        std::string(std::istreambuf_iterator<char>(written), std::istreambuf_iterator<char>()));
    QVERIFY2(page.contains("href=\"bilder/B%E4r.jpg\""), page.constData());
    QVERIFY2(page.contains("src=\"minis/B%E4r.jpg\""), page.constData());
    // The toolkit's temporary folder cannot remove what it cannot name.
    std::filesystem::remove_all(show);
}

void MainWindowKeyboardTest::startPageOpensInTheBrowser() {
    QVERIFY(makeFiles(m_root, {"show/minis/a.jpg", "show/bilder/a.jpg", "show/alt.html"}));
    // The pages the window would hand to the browser.
    QList<QUrl> opened;
    MainWindow window;
    window.setUrlOpener([&opened](const QUrl& url) {
        opened.append(url);
        return true;
    });
    ScriptedDialogs& dialogs = scriptDialogs(window);
    QVERIFY(startWindow(window));
    QVERIFY(doubleClickFolderRow(dir1(window, 1), m_root + "/show"));
    auto& inBrowser = control<QAction>(window, "StartPageInBrowser");

    // None selected and none written yet: nothing to open.
    inBrowser.trigger();
    QVERIFY(opened.isEmpty());
    // The one written last, while none is selected.
    QVERIFY(doubleClickFolderRow(dir1(window, 2), m_root + "/show/minis"));
    QVERIFY(doubleClickFolderRow(dir1(window, 3), m_root + "/show/bilder"));
    dialogs.answers = {"neu"};
    clickWidget(control<QPushButton>(window, "Command3"));
    inBrowser.trigger();
    // The one selected in the list of the show folder comes first.
    QVERIFY(clickEntry(file1(window, 1), "alt.html"));
    inBrowser.trigger();

    QCOMPARE(opened, (QList<QUrl>{QUrl::fromLocalFile(m_root + "/show/neu.html"),
                                  QUrl::fromLocalFile(m_root + "/show/alt.html")}));
}

QTEST_MAIN(MainWindowKeyboardTest)
#include "MainWindowKeyboardTest.moc"
