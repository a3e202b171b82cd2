#include "ListTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace bildertafel::uitest {

bool writeBytes(const QString& path, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool makeFiles(const QString& folder, const QStringList& relativePaths) {
    for (const QString& path : relativePaths) {
        if (!writeBytes(folder + u'/' + path, {}))
            return false;
    }
    return true;
}

bool makeFolders(const QString& folder, const QStringList& relativePaths) {
    for (const QString& path : relativePaths) {
        if (!QDir().mkpath(folder + u'/' + path))
            return false;
    }
    return true;
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool doubleClickFolderRow(DirListBox& list, const QString& folder) {
    for (int row = 0; row < list.count(); ++row) {
        QListWidgetItem* item = list.item(row);
        if (item->data(DirListBox::PathRole).toString() != folder)
            continue;
        list.scrollToItem(item);
        const QPoint at = list.visualItemRect(item).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
        return true;
    }
    return false;
}

namespace {

QPoint centreOfEntry(FileListBox& list, const QString& name) {
    const qsizetype position = namesOf(list).indexOf(name);
    if (position < 0)
        return {-1, -1};
    const QModelIndex index = list.model()->index(static_cast<int>(position), 0);
    list.scrollTo(index);
    return list.visualRect(index).center();
}

} // namespace

bool clickEntry(FileListBox& list, const QString& name) {
    const QPoint at = centreOfEntry(list, name);
    if (at.x() < 0)
        return false;
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    return true;
}

bool doubleClickEntry(FileListBox& list, const QString& name) {
    const QPoint at = centreOfEntry(list, name);
    if (at.x() < 0)
        return false;
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    return true;
}

void clickWidget(QWidget& widget) {
    QTest::mouseClick(&widget, Qt::LeftButton, {}, widget.rect().center());
}

QStringList namesOf(const FileListBox& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names.append(list.nameAt(i));
    return names;
}

QStringList rowTexts(const DirListBox& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts.append(list.item(i)->text());
    return texts;
}

QString canonical(const QString& folder) {
    return QFileInfo(folder).canonicalFilePath();
}

} // namespace bildertafel::uitest
