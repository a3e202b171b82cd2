#include "ui/lists/DirRowDelegate.h"

#include <QFontMetrics>
#include <algorithm>

namespace bildertafel::uilists {

DirRowDelegate::DirRowDelegate(int levelRole, QObject* parent)
    : QStyledItemDelegate(parent), m_levelRole(levelRole) {}

void DirRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    QStyleOptionViewItem shifted(option);
    shifted.rect.setLeft(option.rect.left() + indentOf(option, index));
    QStyledItemDelegate::paint(painter, shifted, index);
}

QSize DirRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += indentOf(option, index);
    return size;
}

int DirRowDelegate::indentStep(const QFontMetrics& metrics) {
    return std::max(6, metrics.averageCharWidth());
}

int DirRowDelegate::indentOf(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return index.data(m_levelRole).toInt() * indentStep(option.fontMetrics);
}

} // namespace bildertafel::uilists
