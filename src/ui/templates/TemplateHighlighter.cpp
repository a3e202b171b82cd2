#include "ui/templates/TemplateHighlighter.h"

#include <QRegularExpression>

#include <algorithm>

namespace bildertafel::ui {

namespace {

enum Part { Html, HtmlComment, Style, StyleComment, Script, InTag };
enum Quote { NoQuote, DoubleQuote, SingleQuote };

constexpr int MaxDepth = 3;

int packed(const TemplateHighlighter::State& state) {
    return state.part | (state.depth << 3) | (state.inValue ? 1 << 5 : 0) | (state.afterTag << 6) |
           (state.quote << 9);
}

TemplateHighlighter::State unpacked(int value) {
    if (value < 0) {
        return {};
    }
    return {value & 7, (value >> 3) & 3, (value & (1 << 5)) != 0, (value >> 6) & 7,
            (value >> 9) & 3};
}

QTextCharFormat coloured(const QColor& colour, bool bold = false, bool italic = false) {
    QTextCharFormat result;
    result.setForeground(colour);
    if (bold) {
        result.setFontWeight(QFont::Bold);
    }
    result.setFontItalic(italic);
    return result;
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':' || c == u'!';
}

// Where the next of the given characters stands from at on, else end.
int nextOf(const QString& text, int at, int end, QStringView characters) {
    for (int i = at; i < end; ++i) {
        if (characters.contains(text[i])) {
            return i;
        }
    }
    return end;
}

} // namespace

TemplateHighlighter::TemplateHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document), m_tag(coloured(QColor(0x1f, 0x4e, 0x9c), true)),
      m_attribute(coloured(QColor(0x8a, 0x3a, 0x9c))), m_value(coloured(QColor(0x1b, 0x7a, 0x2a))),
      m_comment(coloured(QColor(0x7a, 0x7a, 0x7a), false, true)),
      m_reference(coloured(QColor(0xa3, 0x46, 0x1e))),
      m_selector(coloured(QColor(0x1f, 0x4e, 0x9c))) {}

void TemplateHighlighter::highlightBlock(const QString& text) {
    State state = unpacked(previousBlockState());
    int at = 0;
    while (at < text.size()) {
        switch (state.part) {
        case HtmlComment:
            at = untilClosed(text, at, u"-->", Html, state);
            break;
        case StyleComment:
            at = styleComment(text, at, state);
            break;
        case InTag:
            at = insideTag(text, at, state);
            break;
        case Style:
            at = styleSheet(text, at, state);
            break;
        case Script: {
            const int close =
                static_cast<int>(text.indexOf(QLatin1String("</script"), at, Qt::CaseInsensitive));
            at = close < 0 ? static_cast<int>(text.size()) : close;
            if (close >= 0) {
                state.part = Html;
            }
            break;
        }
        default:
            at = html(text, at, state);
            break;
        }
    }
    setCurrentBlockState(packed(state));
}

int TemplateHighlighter::untilClosed(const QString& text, int at, QStringView closer, int then,
                                     State& state) {
    const int close = static_cast<int>(text.indexOf(closer, at));
    const int end =
        close < 0 ? static_cast<int>(text.size()) : close + static_cast<int>(closer.size());
    setFormat(at, end - at, m_comment);
    if (close >= 0) {
        state.part = then;
    }
    return end;
}

int TemplateHighlighter::html(const QString& text, int at, State& state) {
    const int size = static_cast<int>(text.size());
    if (QStringView(text).sliced(at).startsWith(u"<!--")) {
        setFormat(at, 4, m_comment);
        state.part = HtmlComment;
        return at + 4;
    }
    if (text[at] == u'<' && at + 1 < size &&
        (text[at + 1].isLetter() || text[at + 1] == u'/' || text[at + 1] == u'!')) {
        const bool closing = text[at + 1] == u'/';
        int end = at + (closing ? 2 : 1);
        const int nameStart = end;
        while (end < size && isNameChar(text[end])) {
            ++end;
        }
        setFormat(at, end - at, m_tag);
        const QStringView name = QStringView(text).sliced(nameStart, end - nameStart);
        state.afterTag = closing                                             ? Html
                         : name.compare(u"style", Qt::CaseInsensitive) == 0  ? Style
                         : name.compare(u"script", Qt::CaseInsensitive) == 0 ? Script
                                                                             : Html;
        state.part = InTag;
        return end;
    }
    if (text[at] == u'&') {
        static const QRegularExpression reference(
            QStringLiteral("&(#[0-9]+|#[xX][0-9A-Fa-f]+|[A-Za-z][A-Za-z0-9]*);"));
        const QRegularExpressionMatch match =
            reference.match(text, at, QRegularExpression::NormalMatch,
                            QRegularExpression::AnchorAtOffsetMatchOption);
        if (match.hasMatch()) {
            setFormat(at, static_cast<int>(match.capturedLength()), m_reference);
            return at + static_cast<int>(match.capturedLength());
        }
    }
    return nextOf(text, at + 1, size, u"<&");
}

int TemplateHighlighter::insideTag(const QString& text, int at, State& state) {
    const int size = static_cast<int>(text.size());
    if (state.quote != NoQuote) {
        return quotedValue(text, at, state);
    }
    const QChar c = text[at];
    if (c.isSpace()) {
        return at + 1;
    }
    if (c == u'>' || (c == u'/' && at + 1 < size && text[at + 1] == u'>')) {
        const int length = c == u'>' ? 1 : 2;
        setFormat(at, length, m_tag);
        state = State{state.afterTag, 0, false, Html};
        return at + length;
    }
    if (c == u'"' || c == u'\'') {
        state.quote = c == u'"' ? DoubleQuote : SingleQuote;
        setFormat(at, 1, m_value);
        return quotedValue(text, at + 1, state);
    }
    if (c == u'=') {
        int end = at + 1;
        while (end < size && text[end].isSpace()) {
            ++end;
        }
        if (end < size && text[end] != u'"' && text[end] != u'\'') {
            const int valueEnd = std::min(nextOf(text, end, size, u" \t>"), size);
            setFormat(end, valueEnd - end, m_value);
            return valueEnd;
        }
        return end;
    }
    const int end = nextOf(text, at, size, u" \t=>\"'/");
    setFormat(at, std::max(end, at + 1) - at, m_attribute);
    return std::max(end, at + 1);
}

// The rest of a quoted value up to its closing quote; a value that runs on past the line stays open
// for the next one.
int TemplateHighlighter::quotedValue(const QString& text, int at, State& state) {
    const QChar quote = state.quote == DoubleQuote ? u'"' : u'\'';
    const int close = static_cast<int>(text.indexOf(quote, at));
    const int end = close < 0 ? static_cast<int>(text.size()) : close + 1;
    setFormat(at, end - at, m_value);
    if (close >= 0) {
        state.quote = NoQuote;
    }
    return end;
}

int TemplateHighlighter::styleSheet(const QString& text, int at, State& state) {
    const int close =
        static_cast<int>(text.indexOf(QLatin1String("</style"), at, Qt::CaseInsensitive));
    const int stop = close < 0 ? static_cast<int>(text.size()) : close;
    while (at < stop) {
        const QChar c = text[at];
        if (QStringView(text).sliced(at).startsWith(u"/*")) {
            setFormat(at, 2, m_comment);
            state.part = StyleComment;
            return at + 2;
        }
        if (c == u'{' || c == u'}' || c == u';') {
            state.depth = std::clamp(state.depth + (c == u'{'   ? 1
                                                    : c == u'}' ? -1
                                                                : 0),
                                     0, MaxDepth);
            state.inValue = false;
            ++at;
            continue;
        }
        if (c.isSpace()) {
            ++at;
            continue;
        }
        int end = nextOf(text, at, stop, u"{};");
        const int comment = static_cast<int>(text.indexOf(QLatin1String("/*"), at));
        if (comment >= 0 && comment < end) {
            end = comment;
        }
        // Inside braces, a piece that does not open a block of its own is a declaration.
        const bool selector = state.depth == 0 || (end < stop && text[end] == u'{');
        const int colon = static_cast<int>(text.indexOf(u':', at));
        if (state.inValue) {
            setFormat(at, end - at, m_value);
        } else if (!selector && colon >= 0 && colon < end) {
            setFormat(at, colon - at, m_attribute);
            setFormat(colon + 1, end - colon - 1, m_value);
            state.inValue = true;
        } else {
            setFormat(at, end - at, m_selector);
        }
        at = end;
    }
    if (close >= 0) {
        state = State{};
    }
    return stop;
}

// A comment of the style sheet ends at "*/", and the style sheet itself at "</style" even inside
// a comment, as a browser reads it.
int TemplateHighlighter::styleComment(const QString& text, int at, State& state) {
    const int endTag =
        static_cast<int>(text.indexOf(QLatin1String("</style"), at, Qt::CaseInsensitive));
    const int close = static_cast<int>(text.indexOf(QLatin1String("*/"), at));
    if (endTag >= 0 && (close < 0 || endTag < close)) {
        setFormat(at, endTag - at, m_comment);
        state = State{};
        return endTag;
    }
    return untilClosed(text, at, u"*/", Style, state);
}

} // namespace bildertafel::ui
