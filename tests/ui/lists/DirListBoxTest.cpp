#include "ui/lists/DirListBox.h"
#include "ListTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <unistd.h>

using bildertafel::uilists::DirListBox;
using namespace bildertafel::uitest;

namespace {

// $T in a table row stands for the temporary folder of the test.
QString expand(QString text, const QString& root) {
    return text.replace("$T", root);
}

int rowOf(const DirListBox& box, const QString& text) {
    for (int i = 0; i < box.count(); ++i) {
        if (box.item(i)->text() == text)
            return i;
    }
    return -1;
}

} // namespace

class DirListBoxTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void rowsOfANestedFolder();
    void rowsShowTheOpenAndClosedFolderPictures();
    void deeperRowsAreDrawnFurtherRight();
    void setPathAcceptsEveryWayOfWritingAFolder_data();
    void setPathAcceptsEveryWayOfWritingAFolder();
    void sameFolderSignalsNothing();
    void unreadableFolderIsRefused_data();
    void unreadableFolderIsRefused();
    void folderWithoutPermissionIsRefused();
    void userOpensAFolder_data();
    void userOpensAFolder();
    void failedOpenStaysWhereItWas();
    void rereadFollowsTheDisk();
    void vanishedCurrentFolderStaysShownEmpty();
    void nearestExistingAncestor_data();
    void nearestExistingAncestor();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

void DirListBoxTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = QDir(m_dir->path()).canonicalPath();
    QVERIFY(makeFolders(
        m_root, {"a/b/Bild 10", "a/b/Bild 2", "a/b/alpha/inner", "a/b/.versteckt", "a/b/Zebra"}));
    QVERIFY(writeBytes(m_root + "/a/b/foto.jpg", {}));
    QVERIFY(QFile::link(m_root + "/a/b/alpha", m_root + "/a/b/verweis"));
    QVERIFY(QFile::link(m_root + "/a/b/fehlt", m_root + "/a/b/kaputt"));
}

void DirListBoxTest::rowsOfANestedFolder() {
    DirListBox box;
    QVERIFY(box.setPath(m_root + "/a/b"));
    const QStringList ancestors = (m_root + "/a/b").split('/', Qt::SkipEmptyParts);

    QStringList expected{"/"};
    expected += ancestors;
    expected += QStringList{"alpha", "Bild 2", "Bild 10", "verweis", "Zebra"};
    QCOMPARE(rowTexts(box), expected);

    const int current = static_cast<int>(ancestors.size());
    QCOMPARE(box.currentFolderRow(), current);
    QCOMPARE(box.currentRow(), current);
    QString folder;
    for (int row = 0; row < box.count(); ++row) {
        const QListWidgetItem* item = box.item(row);
        if (row > 0 && row <= current)
            folder += '/' + item->text();
        const QString expectedPath =
            row == 0 ? "/" : (row <= current ? folder : m_root + "/a/b/" + item->text());
        QCOMPARE(item->data(DirListBox::PathRole).toString(), expectedPath);
        QCOMPARE(item->data(DirListBox::LevelRole).toInt(), std::min(row, current + 1));
    }
}

// Open folders (the path) and closed ones (the sub-folders) keep their pictures apart, the list's
// own, sharp on screens of double density too, and the same in every style.
void DirListBoxTest::rowsShowTheOpenAndClosedFolderPictures() {
    const auto image = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage(); };
    std::unique_ptr<QStyle> other(QStyleFactory::create(QStringLiteral("Windows")));
    QVERIFY(other);
    QImage firstOpen;
    QImage firstClosed;
    for (QStyle* style : {QApplication::style(), other.get()}) {
        DirListBox box;
        box.setStyle(style);
        QVERIFY(box.setPath(m_root + "/a/b"));
        const QIcon openIcon = box.item(box.currentFolderRow())->icon();
        const QIcon closedIcon = box.item(box.count() - 1)->icon();
        QCOMPARE(openIcon.availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32)}));
        QCOMPARE(closedIcon.availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32)}));
        const QImage open = image(openIcon);
        const QImage closed = image(closedIcon);
        QVERIFY(open != closed);
        QCOMPARE(image(box.item(0)->icon()), open);
        QCOMPARE(image(box.item(box.currentFolderRow() + 1)->icon()), closed);
        if (firstOpen.isNull()) {
            firstOpen = open;
            firstClosed = closed;
        }
        QCOMPARE(open, firstOpen);
        QCOMPARE(closed, firstClosed);
    }
}

void DirListBoxTest::deeperRowsAreDrawnFurtherRight() {
    QVERIFY(makeFolders(m_root, {"a/b/a"}));
    DirListBox box;
    QVERIFY(box.setPath(m_root + "/a/b"));
    box.resize(300, 400);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    // The ancestor "a" and the sub-folder "a" differ only in depth.
    const int ancestor = box.currentFolderRow() - 1;
    const int sub = rowOf(box, "alpha") - 1;
    QCOMPARE(box.item(ancestor)->text(), QStringLiteral("a"));
    QCOMPARE(box.item(sub)->text(), QStringLiteral("a"));
    QStyleOptionViewItem option;
    option.initFrom(&box);
    const QAbstractItemDelegate* delegate = box.itemDelegate();
    const int wider = delegate->sizeHint(option, box.model()->index(sub, 0)).width() -
                      delegate->sizeHint(option, box.model()->index(ancestor, 0)).width();
    QVERIFY2(wider >= 2 * 6, qPrintable(QString::number(wider)));
    // Open folders above and closed sub-folders below: every row as high as the first.
    for (int row = 1; row < box.count(); ++row)
        QCOMPARE(box.visualItemRect(box.item(row)).height(),
                 box.visualItemRect(box.item(0)).height());
}

void DirListBoxTest::setPathAcceptsEveryWayOfWritingAFolder_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("assigned");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "/"
                           << "$T/a/b"
                           << "$T/a/b";
    QTest::newRow("trailing slash") << "/"
                                    << "$T/a/b/"
                                    << "$T/a/b";
    QTest::newRow("dot and dot-dot") << "/"
                                     << "$T/a/./b/alpha/../../b"
                                     << "$T/a/b";
    QTest::newRow("doubled slashes") << "/"
                                     << "$T//a///b"
                                     << "$T/a/b";
    QTest::newRow("relative to the current folder") << "$T/a"
                                                    << "b/Bild 2"
                                                    << "$T/a/b/Bild 2";
    QTest::newRow("one up") << "$T/a/b"
                            << ".."
                            << "$T/a";
    QTest::newRow("link kept as written") << "/"
                                          << "$T/a/b/verweis"
                                          << "$T/a/b/verweis";
    QTest::newRow("root with slashes") << "$T/a"
                                       << "//"
                                       << "/";
    QTest::newRow("above the root") << "$T/a"
                                    << "/../.."
                                    << "/";
}

void DirListBoxTest::setPathAcceptsEveryWayOfWritingAFolder() {
    QFETCH(QString, start);
    QFETCH(QString, assigned);
    QFETCH(QString, expected);
    DirListBox box;
    QVERIFY(box.setPath(expand(start, m_root)));
    QSignalSpy changed(&box, &DirListBox::pathChanged);
    QString error = "unverändert";
    QVERIFY(box.setPath(expand(assigned, m_root), &error));
    QCOMPARE(box.path(), expand(expected, m_root));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(error, QStringLiteral("unverändert"));
    QCOMPARE(box.item(box.currentFolderRow())->data(DirListBox::PathRole).toString(), box.path());
}

void DirListBoxTest::sameFolderSignalsNothing() {
    DirListBox box;
    QVERIFY(box.setPath(m_root + "/a/b"));
    QSignalSpy changed(&box, &DirListBox::pathChanged);
    QVERIFY(box.setPath(m_root + "/a/b"));
    QVERIFY(box.setPath(m_root + "/a/b/"));
    QVERIFY(box.setPath(m_root + "/a/b/alpha/.."));
    QVERIFY(box.setPath("."));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(box.path(), m_root + "/a/b");
}

void DirListBoxTest::unreadableFolderIsRefused_data() {
    QTest::addColumn<QString>("assigned");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << "$T/a/fehlt"
                             << "Der Ordner „$T/a/fehlt“ existiert nicht.";
    QTest::newRow("regular file") << "$T/a/b/foto.jpg"
                                  << "„$T/a/b/foto.jpg“ ist kein Ordner.";
    QTest::newRow("below a regular file") << "$T/a/b/foto.jpg/x"
                                          << "Der Ordner „$T/a/b/foto.jpg/x“ existiert nicht.";
    QTest::newRow("broken link") << "$T/a/b/kaputt"
                                 << "Der Ordner „$T/a/b/kaputt“ existiert nicht.";
    QTest::newRow("empty") << ""
                           << "Es wurde kein Ordner angegeben.";
}

void DirListBoxTest::unreadableFolderIsRefused() {
    QFETCH(QString, assigned);
    QFETCH(QString, reason);
    DirListBox box;
    QVERIFY(box.setPath(m_root + "/a/b"));
    const QStringList rowsBefore = rowTexts(box);
    QSignalSpy changed(&box, &DirListBox::pathChanged);

    QString error;
    QVERIFY(!box.setPath(expand(assigned, m_root), &error));
    QCOMPARE(error, expand(reason, m_root));
    QCOMPARE(box.path(), m_root + "/a/b");
    QCOMPARE(rowTexts(box), rowsBefore);
    QCOMPARE(changed.count(), 0);
    QVERIFY(!box.setPath(expand(assigned, m_root))); // no place for the reason is fine too
}

void DirListBoxTest::folderWithoutPermissionIsRefused() {
    if (geteuid() == 0)
        QSKIP("runs as the super-user, who may read every folder: no folder can be made "
              "unreadable");
    const QString locked = m_root + "/a/b/Zebra";
    QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    DirListBox box;
    QVERIFY(box.setPath(m_root + "/a/b"));
    QString error;
    QVERIFY(!box.setPath(locked, &error));
    QCOMPARE(error, "Der Ordner „" + locked + "“ kann nicht gelesen werden: Zugriff verweigert.");
    QCOMPARE(box.path(), m_root + "/a/b");
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void DirListBoxTest::userOpensAFolder_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("expected");

    QTest::newRow("double-click on a sub-folder") << "Bild 2"
                                                  << "double-click"
                                                  << "$T/a/b/Bild 2";
    QTest::newRow("double-click on an ancestor") << "a"
                                                 << "double-click"
                                                 << "$T/a";
    QTest::newRow("double-click on the root") << "/"
                                              << "double-click"
                                              << "/";
    QTest::newRow("return on a sub-folder") << "Zebra"
                                            << "return"
                                            << "$T/a/b/Zebra";
    QTest::newRow("enter on an ancestor") << "a"
                                          << "enter"
                                          << "$T/a";
    QTest::newRow("enter on a link") << "verweis"
                                     << "enter"
                                     << "$T/a/b/verweis";
}

void DirListBoxTest::userOpensAFolder() {
    QFETCH(QString, row);
    QFETCH(QString, how);
    QFETCH(QString, expected);
    DirListBox box;
    QVERIFY(box.setPath(m_root + "/a/b"));
    box.resize(400, 600);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy changed(&box, &DirListBox::pathChanged);
    QSignalSpy failed(&box, &DirListBox::openFailed);

    const int index = rowOf(box, row);
    QVERIFY(index >= 0);
    if (how == u"double-click") {
        const QPoint at = box.visualItemRect(box.item(index)).center();
        // A person's double-click: press, release, double-click, release over new rows.
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(box.viewport(), Qt::LeftButton, {}, at);
    } else {
        box.setCurrentRow(index);
        QTest::keyClick(&box, how == u"return" ? Qt::Key_Return : Qt::Key_Enter);
    }
    QCOMPARE(box.path(), expand(expected, m_root));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(box.currentRow(), box.currentFolderRow());
}

void DirListBoxTest::failedOpenStaysWhereItWas() {
    DirListBox box;
    QVERIFY(box.setPath(m_root + "/a/b"));
    box.resize(400, 600);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(QDir(m_root + "/a/b/Zebra").removeRecursively());
    QSignalSpy changed(&box, &DirListBox::pathChanged);
    QSignalSpy failed(&box, &DirListBox::openFailed);

    const QPoint at = box.visualItemRect(box.item(rowOf(box, "Zebra"))).center();
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), m_root + "/a/b/Zebra");
    QCOMPARE(failed.at(0).at(1).toString(),
             "Der Ordner „" + m_root + "/a/b/Zebra“ existiert nicht.");
    QCOMPARE(box.path(), m_root + "/a/b");
}

void DirListBoxTest::rereadFollowsTheDisk() {
    DirListBox box;
    QVERIFY(box.setPath(m_root + "/a/b"));
    box.setCurrentRow(rowOf(box, "Zebra"));
    QVERIFY(QDir(m_root + "/a/b/Bild 10").removeRecursively());
    QVERIFY(makeFolders(m_root, {"a/b/Bild 3"}));
    QSignalSpy changed(&box, &DirListBox::pathChanged);

    box.reread();
    const QStringList rows = rowTexts(box);
    QCOMPARE(rows.mid(box.currentFolderRow() + 1),
             (QStringList{"alpha", "Bild 2", "Bild 3", "verweis", "Zebra"}));
    QCOMPARE(box.currentItem()->text(), QStringLiteral("Zebra"));
    QCOMPARE(changed.count(), 0);
}

void DirListBoxTest::vanishedCurrentFolderStaysShownEmpty() {
    DirListBox box;
    QVERIFY(box.setPath(m_root + "/a/b/alpha"));
    QCOMPARE(box.count(), box.currentFolderRow() + 2); // "inner"
    QVERIFY(QDir(m_root + "/a/b/alpha").removeRecursively());
    QSignalSpy changed(&box, &DirListBox::pathChanged);

    box.reread();
    QCOMPARE(box.path(), m_root + "/a/b/alpha");
    QCOMPARE(box.count(), box.currentFolderRow() + 1);
    QCOMPARE(box.item(box.currentFolderRow())->text(), QStringLiteral("alpha"));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(DirListBox::nearestExistingAncestor(box.path()), m_root + "/a/b");
}

void DirListBoxTest::nearestExistingAncestor_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("existing folder is its own answer") << "$T/a/b"
                                                       << "$T/a/b";
    QTest::newRow("trailing slash") << "$T/a/b/"
                                    << "$T/a/b";
    QTest::newRow("missing leaf") << "$T/a/b/fehlt"
                                  << "$T/a/b";
    QTest::newRow("several missing levels") << "$T/a/x/y/z"
                                            << "$T/a";
    QTest::newRow("a regular file is no folder") << "$T/a/b/foto.jpg"
                                                 << "$T/a/b";
    QTest::newRow("broken link") << "$T/a/b/kaputt"
                                 << "$T/a/b";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("nothing exists below the root") << "/zz-fehlt/x"
                                                   << "/";
}

void DirListBoxTest::nearestExistingAncestor() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(DirListBox::nearestExistingAncestor(expand(path, m_root)), expand(expected, m_root));
}

QTEST_MAIN(DirListBoxTest)
#include "DirListBoxTest.moc"
