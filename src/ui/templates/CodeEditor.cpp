#include "ui/templates/CodeEditor.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>

namespace bildertafel::ui {

namespace {

// The margin paints what the editor tells it.
class LineNumberArea : public QWidget {
public:
    explicit LineNumberArea(CodeEditor& editor) : QWidget(&editor), m_editor(editor) {}

    QSize sizeHint() const override { return {m_editor.lineNumberWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { m_editor.paintLineNumbers(event); }

private:
    CodeEditor& m_editor;
};

constexpr int MarginPadding = 4;

} // namespace

CodeEditor::CodeEditor(QWidget* parent)
    : QPlainTextEdit(parent), m_lineNumbers(new LineNumberArea(*this)) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabStopDistance(4 * fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeEditor::updateMargin);
    connect(this, &QPlainTextEdit::updateRequest, this, &CodeEditor::scrollMargin);
    updateMargin();
}

int CodeEditor::lineNumberWidth() const {
    int digits = 1;
    for (int lines = std::max(1, blockCount()); lines >= 10; lines /= 10) {
        ++digits;
    }
    return 2 * MarginPadding + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void CodeEditor::updateMargin() {
    const int width = lineNumberWidth();
    setViewportMargins(width, 0, 0, 0);
    const QRect inside = contentsRect();
    m_lineNumbers->setGeometry(inside.left(), inside.top(), width, inside.height());
}

void CodeEditor::scrollMargin(const QRect& rect, int dy) {
    if (dy != 0) {
        m_lineNumbers->scroll(0, dy);
    } else {
        m_lineNumbers->update(0, rect.y(), m_lineNumbers->width(), rect.height());
    }
    if (rect.contains(viewport()->rect())) {
        updateMargin();
    }
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    updateMargin();
}

void CodeEditor::paintLineNumbers(QPaintEvent* event) {
    QPainter painter(m_lineNumbers);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.setFont(font());
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    const int right = m_lineNumbers->width() - MarginPadding;
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= event->rect().top()) {
            painter.drawText(0, top, right, fontMetrics().height(), Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        }
        top += height;
        block = block.next();
    }
}

} // namespace bildertafel::ui
