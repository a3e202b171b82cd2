#include "ui/ApplicationStyle.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace bildertafel::ui {

void useApplicationStyle() {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
}

QFont windowFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    // A pixel size, not a point size: the places are in pixels, whatever the screen's dots per
    // inch; the toolkit scales the whole window on high-resolution screens.
    font.setPixelSize(10);
    return font;
}

} // namespace bildertafel::ui
