#include "ui/lists/FileListBox.h"
#include "ListTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using bildertafel::uilists::FileListBox;
using namespace bildertafel::uitest;

namespace {

QPoint centreOf(const FileListBox& box, int position) {
    return box.visualRect(box.model()->index(position, 0)).center();
}

} // namespace

class FileListBoxTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void listsMatchingNamesInListOrder_data();
    void listsMatchingNamesInListOrder();
    void newFolderLeavesNothingSelected();
    void setSelectedIndex_data();
    void setSelectedIndex();
    void rereadKeepsAnExistingSelection_data();
    void rereadKeepsAnExistingSelection();
    void unreadableFolderShowsEmpty_data();
    void unreadableFolderShowsEmpty();
    void mouseSignals();
    void keyboardSelectionCountsAsClick();
    void codeChangesSignalNothing();
    void thirtyThousandNames();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

void FileListBoxTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = QDir(m_dir->path()).canonicalPath();
    for (const char* name : {"Bild 10.jpg", "Bild 2.jpg", "a.JPG", "b.jpeg", "c.jpg.txt",
                             ".versteckt.jpg", "Z.jpg", "index.html", "seite.HTML", "x.htm"})
        QVERIFY(writeBytes(m_folder + '/' + QString::fromUtf8(name), {}));
    QVERIFY(QDir().mkpath(m_folder + "/ordner.jpg"));
    QVERIFY(QDir().mkpath(m_folder + "/ordner.html"));
}

void FileListBoxTest::listsMatchingNamesInListOrder_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("pictures") << "*.jpg"
                              << QStringList{"a.JPG", "Bild 2.jpg", "Bild 10.jpg", "Z.jpg"};
    QTest::newRow("pattern in capitals")
        << "*.JPG" << QStringList{"a.JPG", "Bild 2.jpg", "Bild 10.jpg", "Z.jpg"};
    QTest::newRow("pages") << "*.html" << QStringList{"index.html", "seite.HTML"};
    QTest::newRow("nothing matches") << "*.cfg" << QStringList{};
    QTest::newRow("empty pattern") << "" << QStringList{};
}

void FileListBoxTest::listsMatchingNamesInListOrder() {
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    FileListBox box;
    box.setPattern(pattern);
    box.setFolder(m_folder + '/');
    QCOMPARE(box.folder(), m_folder);
    QCOMPARE(box.pattern(), pattern);
    QCOMPARE(namesOf(box), expected);
    QCOMPARE(box.model()->rowCount(), expected.size());
    QCOMPARE(box.nameAt(box.count()), QString());
}

void FileListBoxTest::newFolderLeavesNothingSelected() {
    FileListBox box;
    box.setPattern("*.jpg");
    box.setFolder(m_folder);
    box.setSelectedIndex(2);
    QCOMPARE(box.selectedName(), QStringLiteral("Bild 10.jpg"));
    box.setFolder(m_folder);
    QCOMPARE(box.selectedIndex(), -1);
    QCOMPARE(box.selectedName(), QString());
}

void FileListBoxTest::setSelectedIndex_data() {
    QTest::addColumn<int>("assigned");
    QTest::addColumn<int>("expected");

    QTest::newRow("first") << 0 << 0;
    QTest::newRow("last") << 3 << 3;
    QTest::newRow("none") << -1 << -1;
    QTest::newRow("past the end changes nothing") << 4 << 1;
    QTest::newRow("below -1 changes nothing") << -2 << 1;
}

void FileListBoxTest::setSelectedIndex() {
    QFETCH(int, assigned);
    QFETCH(int, expected);
    FileListBox box;
    box.setPattern("*.jpg");
    box.setFolder(m_folder);
    box.setSelectedIndex(1);
    box.setSelectedIndex(assigned);
    QCOMPARE(box.selectedIndex(), expected);
    QCOMPARE(box.selectedName(), box.nameAt(expected));
}

void FileListBoxTest::rereadKeepsAnExistingSelection_data() {
    QTest::addColumn<QString>("added");
    QTest::addColumn<QString>("removed");
    QTest::addColumn<int>("expected");

    QTest::newRow("nothing changed") << ""
                                     << "" << 2;
    QTest::newRow("a name before it appeared") << "Bild 1.jpg"
                                               << "" << 3;
    QTest::newRow("a name before it vanished") << ""
                                               << "a.JPG" << 1;
    QTest::newRow("the selected file was deleted") << ""
                                                   << "Bild 10.jpg" << -1;
    QTest::newRow("deleted and a folder of that name made") << ""
                                                            << "Bild 10.jpg" << -1;
}

void FileListBoxTest::rereadKeepsAnExistingSelection() {
    QFETCH(QString, added);
    QFETCH(QString, removed);
    QFETCH(int, expected);
    FileListBox box;
    box.setPattern("*.jpg");
    box.setFolder(m_folder);
    box.setSelectedIndex(2);
    QCOMPARE(box.selectedName(), QStringLiteral("Bild 10.jpg"));
    if (!added.isEmpty())
        QVERIFY(writeBytes(m_folder + '/' + added, {}));
    if (!removed.isEmpty())
        QVERIFY(QFile::remove(m_folder + '/' + removed));

    box.reread();
    QCOMPARE(box.selectedIndex(), expected);
    if (expected >= 0)
        QCOMPARE(box.selectedName(), QStringLiteral("Bild 10.jpg"));
    QVERIFY(!namesOf(box).contains(removed) || removed.isEmpty());
    QVERIFY(added.isEmpty() || namesOf(box).contains(added));
}

void FileListBoxTest::unreadableFolderShowsEmpty_data() {
    QTest::addColumn<QString>("what");
    QTest::newRow("folder vanished") << "vanished";
    QTest::newRow("folder replaced by a file") << "file";
}

void FileListBoxTest::unreadableFolderShowsEmpty() {
    QFETCH(QString, what);
    const QString folder = m_folder + "/fotos";
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeBytes(folder + "/1.jpg", {}));
    FileListBox box;
    box.setPattern("*.jpg");
    box.setFolder(folder);
    box.setSelectedIndex(0);
    QCOMPARE(box.count(), 1);

    QVERIFY(QDir(folder).removeRecursively());
    if (what == u"file")
        QVERIFY(writeBytes(folder, {}));
    box.reread();
    QCOMPARE(box.count(), 0);
    QCOMPARE(box.selectedIndex(), -1);
    QCOMPARE(box.folder(), folder);

    box.setFolder(m_folder + "/gibt-es-nicht");
    QCOMPARE(box.count(), 0);
}

void FileListBoxTest::mouseSignals() {
    FileListBox box;
    box.setPattern("*.jpg");
    box.setFolder(m_folder);
    box.resize(200, 300);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy clicked(&box, &FileListBox::fileClicked);
    QSignalSpy doubleClicked(&box, &FileListBox::fileDoubleClicked);

    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, centreOf(box, 1));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(box.selectedIndex(), 1);

    // A click on the entry already selected counts as well.
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, centreOf(box, 1));
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(doubleClicked.count(), 0);

    // What a person's double-click delivers: a click, then the double-click event.
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, centreOf(box, 3));
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, centreOf(box, 3));
    QCOMPARE(doubleClicked.count(), 1);
    QCOMPARE(box.selectedIndex(), 3);

    // The double-click event alone, as a fast pointer may give it, selects and counts too.
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, centreOf(box, 0));
    QCOMPARE(doubleClicked.count(), 2);
    QCOMPARE(box.selectedIndex(), 0);

    // Below the last entry there is nothing to click.
    const int clicksBefore = static_cast<int>(clicked.count());
    const QPoint empty(10, box.viewport()->height() - 5);
    QVERIFY(!box.indexAt(empty).isValid());
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, empty);
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, empty);
    QCOMPARE(clicked.count(), clicksBefore);
    QCOMPARE(doubleClicked.count(), 2);
}

void FileListBoxTest::keyboardSelectionCountsAsClick() {
    FileListBox box;
    box.setPattern("*.jpg");
    box.setFolder(m_folder);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setSelectedIndex(0);
    QSignalSpy clicked(&box, &FileListBox::fileClicked);

    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(box.selectedIndex(), 1);
    QCOMPARE(clicked.count(), 1);
    QTest::keyClick(&box, Qt::Key_End);
    QCOMPARE(box.selectedIndex(), 3);
    QCOMPARE(clicked.count(), 2);
    // At the end of the list the key moves nothing, so nothing was chosen.
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(clicked.count(), 2);
}

void FileListBoxTest::codeChangesSignalNothing() {
    FileListBox box;
    QSignalSpy clicked(&box, &FileListBox::fileClicked);
    QSignalSpy doubleClicked(&box, &FileListBox::fileDoubleClicked);
    box.setPattern("*.jpg");
    box.setFolder(m_folder);
    box.setSelectedIndex(2);
    box.reread();
    box.setSelectedIndex(-1);
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(doubleClicked.count(), 0);
}

void FileListBoxTest::thirtyThousandNames() {
    const QString folder = m_folder + "/viele";
    QVERIFY(QDir().mkpath(folder));
    for (int i = 1; i <= 30000; ++i)
        QVERIFY(writeBytes(folder + QStringLiteral("/Bild %1.jpg").arg(i), {}));
    FileListBox box;
    box.setPattern("*.jpg");
    box.resize(200, 300);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    QElapsedTimer timer;
    timer.start();
    box.setFolder(folder);
    QCoreApplication::processEvents(); // the view lays out and paints the new rows
    qInfo("30000 names listed and shown in %lld ms", static_cast<long long>(timer.elapsed()));
    QCOMPARE(box.count(), 30000);
    QCOMPARE(box.nameAt(0), QStringLiteral("Bild 1.jpg"));
    QCOMPARE(box.nameAt(29999), QStringLiteral("Bild 30000.jpg"));
    box.setSelectedIndex(29999);
    QCOMPARE(box.selectedName(), QStringLiteral("Bild 30000.jpg"));
}

QTEST_MAIN(FileListBoxTest)
#include "FileListBoxTest.moc"
