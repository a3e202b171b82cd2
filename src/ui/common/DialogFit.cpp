#include "ui/common/DialogFit.h"

#include <QDialog>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

#include <algorithm>

namespace bildertafel::ui {

namespace {

// What the window manager's title bar and frame take from the screen's free room.
constexpr int TitleBarAllowance = 48;
// What the window manager's frame takes from the screen's width.
constexpr int FrameAllowance = 16;

} // namespace

void fitToScreen(QDialog& dialog, QScrollArea& page) {
    dialog.ensurePolished();
    QWidget& content = *page.widget();
    content.layout()->activate();
    const int frames = 2 * page.frameWidth();
    const int bar = page.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &page);
    page.setMinimumWidth(content.sizeHint().width() + bar + frames);

    const QSize hint = dialog.sizeHint();
    const int fullHeight =
        hint.height() - page.sizeHint().height() + content.sizeHint().height() + frames;
    int height = fullHeight;
    if (const QScreen* screen = dialog.screen()) {
        height = std::min(height, screen->availableGeometry().height() - TitleBarAllowance);
    }
    dialog.resize(std::max(hint.width(), dialog.minimumWidth()),
                  std::max(height, dialog.minimumHeight()));
}

void fitToText(QDialog& dialog) {
    dialog.ensurePolished();
    QLayout& layout = *dialog.layout();
    layout.activate();
    const QSize hint = dialog.sizeHint();
    int width = dialog.isVisible() ? dialog.width() : hint.width();
    if (const QScreen* screen = dialog.screen(); screen != nullptr && !dialog.isVisible()) {
        width = std::min(width, screen->availableGeometry().width() - FrameAllowance);
    }
    width = std::max(width, dialog.minimumWidth());
    int height = layout.hasHeightForWidth() ? layout.totalHeightForWidth(width) : hint.height();
    if (dialog.isVisible()) {
        height = std::max(height, dialog.height());
    }
    dialog.resize(width, std::max(height, dialog.minimumHeight()));
}

} // namespace bildertafel::ui
