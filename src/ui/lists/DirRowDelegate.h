#pragma once

#include <QStyledItemDelegate>

namespace bildertafel::uilists {

// Draws a row of the directory list moved right by its depth in the folder tree.
class DirRowDelegate : public QStyledItemDelegate {
public:
    // levelRole: the item data role holding the row's depth (0 for the root folder).
    DirRowDelegate(int levelRole, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Pixels per level: about one average character, so the steps grow with the font.
    static int indentStep(const QFontMetrics& metrics);

private:
    int indentOf(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    int m_levelRole;
};

} // namespace bildertafel::uilists
