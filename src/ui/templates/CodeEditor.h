#pragma once

#include <QPlainTextEdit>

namespace bildertafel::ui {

// A text box for HTML and CSS: a fixed-width font, no line wrapping, and the line numbers in a
// margin on the left.
class CodeEditor : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CodeEditor(QWidget* parent = nullptr);

    // The margin's width for the document's number of lines.
    int lineNumberWidth() const;
    void paintLineNumbers(QPaintEvent* event);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateMargin();
    void scrollMargin(const QRect& rect, int dy);

    QWidget* m_lineNumbers;
};

} // namespace bildertafel::ui
