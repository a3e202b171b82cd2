#include "ui/common/ApplicationStyle.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace bildertafel::ui {

namespace {

// Fusion marks the keyboard focus of a list only by a faint frame around its current row, and
// not at all when the list is empty. The drive, folder and file lists get a frame in the
// highlight colour instead, as clear as the one around a focused button.
class FocusFrameStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element == PE_Frame && qobject_cast<const QAbstractItemView*>(widget) != nullptr) {
            drawFocusFrame(*option, *painter);
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        if (control == CC_ComboBox) {
            drawFocusFrame(*option, *painter);
        }
    }

private:
    static void drawFocusFrame(const QStyleOption& option, QPainter& painter) {
        if (!(option.state & State_HasFocus)) {
            return;
        }
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(focusFrameColor(option.palette));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter.restore();
    }
};

} // namespace

void useApplicationStyle() {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        // The application owns the proxy, the proxy its base style.
        QApplication::setStyle(new FocusFrameStyle(fusion));
    }
}

QColor focusFrameColor(const QPalette& palette) {
    return palette.color(QPalette::Highlight).darker(125);
}

QFont windowFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    // A pixel size, not a point size: the places are in pixels, whatever the screen's dots per
    // inch; the toolkit scales the whole window on high-resolution screens.
    font.setPixelSize(10);
    return font;
}

} // namespace bildertafel::ui
