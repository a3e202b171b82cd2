// "Auswahl übernehmen…": a pasted answer shows the chosen pictures, the unknown names and who
// chose; the copy runs off the window's thread and copies only the show's originals.
// "Auswahl erlauben…" takes an address a mail link carries, and keeps the choice per show.
#include "ui/selection/SelectionDialog.h"
#include "TempDir.h"
#include "ui/selection/SelectionOptionsDialog.h"
#include "ui/selection/SelectionSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using bildertafel::test::listNames;
using bildertafel::test::readFile;
using bildertafel::test::TempDir;
using bildertafel::test::writeFile;
using bildertafel::ui::SelectionDialog;
using bildertafel::ui::SelectionSource;

namespace {

// A show of three pictures, prepared from the originals in orig/.
SelectionSource showIn(const TempDir& dir, bool originals) {
    for (const char* name : {"Bild 2.jpg", "Bild 10.jpg", "Jürgen.jpg"}) {
        writeFile(dir / "minis" / name, "mini");
        writeFile(dir / "bilder" / name, "gross");
    }
    for (const char* name : {"Bild 2.tif", "Bild 10.jpeg", "Jürgen.png"}) {
        writeFile(dir / "orig" / name, name);
    }
    return {dir.folder() + "minis/",
            dir.folder() + "bilder/",
            {"Bild 2.jpg", "Bild 10.jpg", "Jürgen.jpg"},
            originals ? dir.folder() + "orig/" : std::string()};
}

QStringList itemsOf(const QListWidget* list) {
    QStringList items;
    for (int row = 0; row < list->count(); ++row) {
        items << list->item(row)->text();
    }
    return items;
}

} // namespace

class SelectionDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void showsWhatTheAnswerSays_data();
    void showsWhatTheAnswerSays();
    void copiesIntoANewFolder_data();
    void copiesIntoANewFolder();
    void takesOnlyAnAddressAMailLinkCarries_data();
    void takesOnlyAnAddressAMailLinkCarries();
};

void SelectionDialogTest::showsWhatTheAnswerSays_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>("unknown");
    QTest::addColumn<QString>("chooser");
    QTest::newRow("quoted mail") << "> Meine Auswahl aus „Urlaub“ (3 Bilder):\n> Jürgen\n> Bild 2\n"
                                    "> Bild 7\n>\n> Gewählt von: Oma\n"
                                 << QStringList{"Bild 2", "Jürgen"} << "Nicht in der Show: Bild 7"
                                 << "Gewählt von: Oma";
    QTest::newRow("address alone")
        << "https://example.org/#auswahl=0Bild%2010!" << QStringList{"Bild 10"} << ""
        << "";
    QTest::newRow("nothing") << "Danke für die schönen Bilder!" << QStringList{} << ""
                             << "";
}

void SelectionDialogTest::showsWhatTheAnswerSays() {
    QFETCH(QString, pasted);
    QFETCH(QStringList, chosen);
    QFETCH(QString, unknown);
    QFETCH(QString, chooser);
    TempDir dir;
    SelectionDialog dialog(showIn(dir, true), nullptr);
    dialog.findChild<QPlainTextEdit*>("Answer")->setPlainText(pasted);

    QCOMPARE(itemsOf(dialog.findChild<QListWidget*>("Chosen")), chosen);
    QCOMPARE(dialog.findChild<QLabel*>("Unknown")->text(), unknown);
    QCOMPARE(dialog.findChild<QLabel*>("Chooser")->text(), chooser);
    QCOMPARE(dialog.findChild<QPushButton*>("CopyToFolder")->isEnabled(), !chosen.isEmpty());
    QCOMPARE(dialog.findChild<QPushButton*>("SaveList")->isEnabled(), !chosen.isEmpty());
}

void SelectionDialogTest::copiesIntoANewFolder_data() {
    QTest::addColumn<bool>("originals");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("copied");
    QTest::newRow("the originals") << true << "neu"
                                   << "2 Originale kopiert nach"
                                   << "Bild 10.jpeg\nJürgen.png\n";
    QTest::newRow("no originals: the pictures") << false << "neu"
                                                << "2 Bilder im Großformat kopiert nach"
                                                << "Bild 10.jpg\nJürgen.jpg\n";
    QTest::newRow("a folder with files") << true << "orig"
                                         << "enthält schon Dateien"
                                         << "Bild 10.jpeg\nBild 2.tif\nJürgen.png\n";
}

void SelectionDialogTest::copiesIntoANewFolder() {
    QFETCH(bool, originals);
    QFETCH(QString, target);
    QFETCH(QString, result);
    QFETCH(QString, copied);
    TempDir dir;
    SelectionDialog dialog(showIn(dir, originals), nullptr);
    QCOMPARE(dialog.findChild<QLabel*>("Source")->text().contains("Kein Ordner der Originale"),
             !originals);
    dialog.setFolderChooser([&] { return QString::fromStdString(dir.folder()) + target; });
    dialog.findChild<QPlainTextEdit*>("Answer")->setPlainText("Bild 10, Jürgen");
    QTest::mouseClick(dialog.findChild<QPushButton*>("CopyToFolder"), Qt::LeftButton);

    QVERIFY(dialog.isCopying() || dialog.findChild<QLabel*>("Result")->text().contains(result));
    QTRY_VERIFY(!dialog.isCopying());
    QVERIFY2(dialog.findChild<QLabel*>("Result")->text().contains(result),
             qPrintable(dialog.findChild<QLabel*>("Result")->text()));
    QCOMPARE(QString::fromStdString(listNames(dir / target.toStdString())), copied);
    QCOMPARE(QString::fromStdString(readFile(dir / "orig/Bild 2.tif")), QString("Bild 2.tif"));

    const QString list = QString::fromStdString(dir.folder()) + "liste.txt";
    dialog.setListFileChooser([&] { return list; });
    QTest::mouseClick(dialog.findChild<QPushButton*>("SaveList"), Qt::LeftButton);
    QCOMPARE(QString::fromStdString(readFile(dir / "liste.txt")), QString("Bild 10\nJürgen\n"));
}

void SelectionDialogTest::takesOnlyAnAddressAMailLinkCarries_data() {
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("okEnabled");
    QTest::addColumn<bool>("forPages");
    QTest::newRow("allowed, an address") << true << " foto@example.org " << true << true;
    QTest::newRow("allowed, no address") << true << "" << false << false;
    QTest::newRow("allowed, not an address") << true << "foto@example" << false << false;
    QTest::newRow("not allowed") << false << "" << true << false;
}

void SelectionDialogTest::takesOnlyAnAddressAMailLinkCarries() {
    QFETCH(bool, allowed);
    QFETCH(QString, address);
    QFETCH(bool, okEnabled);
    QFETCH(bool, forPages);
    TempDir dir;
    bildertafel::ui::SelectionOptionsDialog dialog({}, nullptr);
    dialog.findChild<QCheckBox*>("AllowSelection")->setChecked(allowed);
    dialog.findChild<QLineEdit*>("MailAddress")->setText(address);
    dialog.findChild<QPlainTextEdit*>("Note")->setPlainText("Bis Freitag");
    dialog.findChild<QComboBox*>("Zip")->setCurrentIndex(2);
    QCOMPARE(
        dialog.findChild<QDialogButtonBox*>("Buttons")->button(QDialogButtonBox::Ok)->isEnabled(),
        okEnabled);

    bildertafel::ui::rememberSelection(dir.folder(), dialog.settings());
    QCOMPARE(bildertafel::ui::rememberedSelection(dir.folder()).allowed, allowed);
    QVERIFY(bildertafel::ui::rememberedSelection(dir.folder()).zip ==
            bildertafel::generator::ZipChoice::Large);
    const auto pages = bildertafel::ui::selectionForPages(dir.folder());
    QCOMPARE(pages.has_value(), forPages);
    if (pages) {
        QCOMPARE(QString::fromStdString(pages->mailAddress), address.trimmed());
        QCOMPARE(QString::fromStdString(pages->note), QString("Bis Freitag"));
    }
    QVERIFY(!bildertafel::ui::selectionForPages(dir.folder() + "andere/").has_value());
}

QTEST_MAIN(SelectionDialogTest)
#include "SelectionDialogTest.moc"
