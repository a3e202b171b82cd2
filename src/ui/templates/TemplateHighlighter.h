#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace bildertafel::ui {

// Colours a template as HTML: tags, attributes and their values, comments, character references,
// and the style sheet inside <style> (selectors, properties, values, comments). A template is
// copied into the pages as it stands, so nothing else in it has a meaning of its own. Comments,
// style sheets, scripts and tags may run over several lines.
class TemplateHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    // Where a line begins: what the lines above left open.
    struct State {
        int part = 0;         // Part: HTML, a comment, a style sheet, a script, inside a tag
        int depth = 0;        // braces open in the style sheet
        bool inValue = false; // in a property's value in the style sheet
        int afterTag = 0;     // the part after the tag being read: style sheet, script or HTML
        int quote = 0;        // a value of the tag whose quote is open: 0 none, 1 ", 2 '
    };

    explicit TemplateHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;

private:
    int html(const QString& text, int at, State& state);
    int insideTag(const QString& text, int at, State& state);
    int quotedValue(const QString& text, int at, State& state);
    int styleSheet(const QString& text, int at, State& state);
    int styleComment(const QString& text, int at, State& state);
    int untilClosed(const QString& text, int at, QStringView closer, int then, State& state);

    QTextCharFormat m_tag;
    QTextCharFormat m_attribute;
    QTextCharFormat m_value;
    QTextCharFormat m_comment;
    QTextCharFormat m_reference;
    QTextCharFormat m_selector;
};

} // namespace bildertafel::ui
