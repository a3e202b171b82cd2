// "Bildtexte…" by keyboard: the fields in tab order, Page Up and Page Down from picture to
// picture, saving with Alt+S, and the question when the dialog closes with changes not saved.
#include "ui/words/WordsDialog.h"
#include "TempDir.h"
#include "ui/common/ApplicationStyle.h"
#include "words/WordsFile.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>

using bildertafel::test::readFile;
using bildertafel::test::TempDir;
using bildertafel::ui::WordsDialog;
using bildertafel::ui::WordsSource;
using Answer = WordsDialog::UnsavedAnswer;
namespace words = bildertafel::words;

namespace {

WordsSource sourceIn(const TempDir& dir) {
    return {dir.folder(),
            dir.folder() + "bilder/",
            dir.folder() + "minis/",
            {"a.jpg", "b.jpg", "c.jpg"}};
}

words::ShowWords savedWords(const TempDir& dir) {
    words::ShowWords saved;
    [&] { QVERIFY(words::readWordsFile(words::wordsFilePath(dir.folder()), saved)); }();
    return saved;
}

QString typedInto(const QWidget* focused) {
    return focused != nullptr ? focused->objectName() : QString();
}

} // namespace

class WordsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { bildertafel::ui::useApplicationStyle(); }
    void theKeyboardGoesFromFieldToFieldAndFromPictureToPicture();
    void closingWithChangesAsks_data();
    void closingWithChangesAsks();
    void theWordsOfPicturesMadeElsewhereComeOnRequest();
};

void WordsDialogTest::theKeyboardGoesFromFieldToFieldAndFromPictureToPicture() {
    TempDir dir;
    words::ShowWords file;
    file.set("c.jpg", {"Aus der Datei", "", ""});
    WordsDialog dialog(sourceIn(dir), file, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QCOMPARE(dialog.currentPicture(), 0);
    QCOMPARE(typedInto(QApplication::focusWidget()), QString("TitleEdit"));
    QTest::keyClicks(QApplication::focusWidget(), "Grossmutter am See");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    QCOMPARE(dialog.currentPicture(), 1);
    QCOMPARE(typedInto(QApplication::focusWidget()), QString("TitleEdit"));
    QCOMPARE(dialog.findChild<QLineEdit*>("TitleEdit")->text(), QString());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(typedInto(QApplication::focusWidget()), QString("CaptionEdit"));
    QTest::keyClicks(QApplication::focusWidget(), "Juli - <Sommer>");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClicks(QApplication::focusWidget(), "& Sonne");
    // From the caption too, where the key would otherwise scroll.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    QCOMPARE(dialog.currentPicture(), 2);
    QCOMPARE(dialog.findChild<QLineEdit*>("TitleEdit")->text(), QString("Aus der Datei"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(typedInto(QApplication::focusWidget()), QString("AltTextEdit"));
    QTest::keyClicks(QApplication::focusWidget(), "Eine Frau am Ufer");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown); // the last stays
    QCOMPARE(dialog.currentPicture(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    QCOMPARE(dialog.currentPicture(), 0);
    QCOMPARE(dialog.findChild<QLineEdit*>("TitleEdit")->text(), QString("Grossmutter am See"));

    QVERIFY(dialog.hasUnsavedChanges());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(!dialog.hasUnsavedChanges()); // a mnemonic clicks a moment later
    const words::ShowWords saved = savedWords(dir);
    QCOMPARE(saved.entries().size(), std::size_t(3));
    QCOMPARE(saved.find("a.jpg")->title, std::string("Grossmutter am See"));
    QCOMPARE(saved.find("b.jpg")->caption, std::string("Juli - <Sommer>\n& Sonne"));
    QCOMPARE(saved.find("c.jpg")->title, std::string("Aus der Datei"));
    QCOMPARE(saved.find("c.jpg")->altText, std::string("Eine Frau am Ufer"));
}

void WordsDialogTest::closingWithChangesAsks_data() {
    QTest::addColumn<QList<int>>("answers"); // one for each Escape
    QTest::addColumn<bool>("saved");
    QTest::newRow("stay, then save") << QList<int>{int(Answer::Stay), int(Answer::Keep)} << true;
    QTest::newRow("do not save") << QList<int>{int(Answer::Discard)} << false;
}

void WordsDialogTest::closingWithChangesAsks() {
    QFETCH(QList<int>, answers);
    QFETCH(bool, saved);
    TempDir dir;
    WordsDialog dialog(sourceIn(dir), {}, nullptr);
    int asked = 0;
    dialog.setUnsavedQuestion([&] { return Answer(answers.at(asked++)); });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QTest::keyClick(&dialog, Qt::Key_Escape); // nothing changed: closes without a question
    QVERIFY(!dialog.isVisible());
    QCOMPARE(asked, 0);

    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClicks(dialog.findChild<QLineEdit*>("AltTextEdit"), "Ein Haus");
    for (int i = 0; i < answers.size(); ++i) {
        QVERIFY(dialog.isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    QCOMPARE(asked, answers.size());
    QVERIFY(!dialog.isVisible());
    const words::ShowWords file = savedWords(dir);
    const words::PictureWords* a = file.find("a.jpg");
    QCOMPARE(a != nullptr && a->altText == "Ein Haus", saved);
}

void WordsDialogTest::theWordsOfPicturesMadeElsewhereComeOnRequest() {
    TempDir dir;
    std::filesystem::create_directories(dir / "bilder");
    for (const char* name : {"a.jpg", "b.jpg"}) {
        std::filesystem::copy_file(BILDERTAFEL_SAMPLE_SHOW "/bilder/Bild 1.jpg",
                                   dir / "bilder" / name);
        QProcess exiftool;
        exiftool.start(EXIFTOOL, {"-q", "-overwrite_original", "-XMP-dc:Title=Aus dem Bild",
                                  QString::fromStdString((dir / "bilder" / name).string())});
        QVERIFY(exiftool.waitForFinished() && exiftool.exitCode() == 0);
    }
    WordsSource source = sourceIn(dir);
    source.names = {"a.jpg", "b.jpg"};
    WordsDialog dialog(source, {}, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* title = dialog.findChild<QLineEdit*>("TitleEdit");
    QTest::keyClicks(title, "Meiner"); // not saved yet: it stays

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.findChild<QLabel*>("Status")->text().contains("ein Bild"),
                             60000);
    QCOMPARE(title->text(), QString("Meiner"));
    QTest::keyClick(title, Qt::Key_PageDown);
    QCOMPARE(title->text(), QString("Aus dem Bild"));
}

QTEST_MAIN(WordsDialogTest)
#include "WordsDialogTest.moc"
