// The colours of a template across its lines: what one line leaves open (a comment, a style
// sheet, a tag, a quoted value) decides how the next one looks.
#include "ui/templates/TemplateHighlighter.h"

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <map>

using bildertafel::ui::TemplateHighlighter;

namespace {

// The format at a position of a block, the empty one where the highlighter set none.
QTextCharFormat formatAt(const QTextBlock& block, int position) {
    const QList<QTextLayout::FormatRange> ranges = block.layout()->formats();
    for (const QTextLayout::FormatRange& range : ranges) {
        if (position >= range.start && position < range.start + range.length) {
            return range.format;
        }
    }
    return {};
}

// The highlighter's own formats, by letter, taken from one line whose parts are beyond doubt:
// t tag, a attribute, v value, r character reference, c comment, s selector.
std::map<QChar, QTextCharFormat> formatsByLetter() {
    QTextDocument document(QStringLiteral("<p a=\"v\">&amp;<!--c--><style>s{}</style>"));
    TemplateHighlighter highlighter(&document);
    highlighter.rehighlight();
    const QTextBlock line = document.begin();
    return {{u't', formatAt(line, 0)}, {u'a', formatAt(line, 3)},  {u'v', formatAt(line, 5)},
            {u'r', formatAt(line, 9)}, {u'c', formatAt(line, 14)}, {u's', formatAt(line, 29)},
            {u'-', QTextCharFormat()}};
}

} // namespace

class TemplateHighlighterTest : public QObject {
    Q_OBJECT

private slots:
    void theLettersAreSixFormats();
    void eachLineContinuesWhatTheOneAboveLeftOpen_data();
    void eachLineContinuesWhatTheOneAboveLeftOpen();
};

void TemplateHighlighterTest::theLettersAreSixFormats() {
    const std::map<QChar, QTextCharFormat> formats = formatsByLetter();
    for (const auto& [letter, format] : formats) {
        for (const auto& [other, otherFormat] : formats) {
            QVERIFY2(letter == other || format != otherFormat,
                     qPrintable(QStringLiteral("%1 and %2 look alike").arg(letter).arg(other)));
        }
    }
}

// Each row is a template and, under each of its lines, a mask of the same length: a letter of
// formatsByLetter() for what each character must look like, "-" for no colour, a blank where it
// does not matter (spaces, punctuation between the parts).
void TemplateHighlighterTest::eachLineContinuesWhatTheOneAboveLeftOpen_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("masks");

    QTest::newRow("a comment over three lines, markup after it")
        << QStringList{"<p><!-- Hinweis", "über drei", "Zeilen --> <b>x"}
        << QStringList{"tttcccccccccccc", "ccccccccc", "cccccccccc ttt-"};
    QTest::newRow("a style sheet over lines, ended by </style>")
        << QStringList{"<style>", "body {", "  color: red;", "  font-family: a,",
                       "    b;",  "}",      "</style>",      "<p>Zur&uuml;ck</p>"}
        << QStringList{"ttttttt", "ssss  ", "  aaaaa vvvv ", "  aaaaaaaaaaa vvv",
                       "    v ",  " ",      "tttttttt",      "ttt---rrrrrr--tttt"};
    QTest::newRow("a comment in the style sheet over lines")
        << QStringList{"<style>", "/* eins", "   zwei */ h1 { margin: 0 }", "</style>"}
        << QStringList{"ttttttt", "ccccccc", "cccccccccc ss   aaaaaa  v  ", "tttttttt"};
    QTest::newRow("a block inside a block") << QStringList{"<style>",
                                                           "@media (min-width: 40em) {",
                                                           "  td { padding: 0; }",
                                                           "}",
                                                           "p { margin: 0 }",
                                                           "</style>"}
                                            << QStringList{"ttttttt",
                                                           "ssssssssssssssssssssssss  ",
                                                           "  ss   aaaaaaa  v   ",
                                                           " ",
                                                           "s   aaaaaa  v  ",
                                                           "tttttttt"};
    QTest::newRow("a style sheet ends at </style> even in an open comment")
        << QStringList{"<style>", "/* offen", "</style>", "<p>x</p>"}
        << QStringList{"ttttttt", "cccccccc", "tttttttt", "ttt-tttt"};
    QTest::newRow("a style tag whose attributes run over two lines")
        << QStringList{"<style", "  media=\"screen\">", "h1 { color: red }", "</style>"}
        << QStringList{"tttttt", "  aaaaa vvvvvvvvt", "ss   aaaaa  vvv  ", "tttttttt"};
    QTest::newRow("a closing style tag opens no style sheet")
        << QStringList{"</style>", "h1 { color: red }"}
        << QStringList{"tttttttt", "-----------------"};
    QTest::newRow("a tag whose attributes run over three lines")
        << QStringList{"<img src=\"a.jpg\"", "     alt='Bild'", "     width=160>", "Text"}
        << QStringList{"tttt aaa vvvvvvv", "     aaa vvvvvv", "     aaaaa vvvt", "----"};
    QTest::newRow("a quoted value over two lines")
        << QStringList{"<a title=\"eins", "zwei\" href=\"x\">mehr</a>"}
        << QStringList{"tt aaaaa vvvvv", "vvvvv aaaa vvvt----tttt"};
    QTest::newRow("a quoted value over three lines in single quotes")
        << QStringList{"<p title='eins", "zwei", "drei'>x</p>"}
        << QStringList{"tt aaaaa vvvvv", "vvvv", "vvvvvt-tttt"};
    QTest::newRow("character references and what is none")
        << QStringList{"&auml; &#223; &#xE4;", "& kein; &amp x"}
        << QStringList{"rrrrrr rrrrrr rrrrrr", "--------------"};
    QTest::newRow("a script over lines is no markup, the markup after it is")
        << QStringList{"<script>", "if (a < b) x = \"<p>&amp;\";", "</script><b>"}
        << QStringList{"tttttttt", "--------------------------", "tttttttttttt"};
}

void TemplateHighlighterTest::eachLineContinuesWhatTheOneAboveLeftOpen() {
    QFETCH(QStringList, lines);
    QFETCH(QStringList, masks);
    QCOMPARE(masks.size(), lines.size());
    const std::map<QChar, QTextCharFormat> formats = formatsByLetter();

    QTextDocument document(lines.join(u'\n'));
    TemplateHighlighter highlighter(&document);
    highlighter.rehighlight();

    QTextBlock block = document.begin();
    for (qsizetype line = 0; line < lines.size(); ++line, block = block.next()) {
        const QString& mask = masks[line];
        QCOMPARE(mask.size(), lines[line].size());
        for (int column = 0; column < mask.size(); ++column) {
            if (mask[column] == u' ') {
                continue;
            }
            const auto expected = formats.find(mask[column]);
            QVERIFY(expected != formats.end());
            QVERIFY2(formatAt(block, column) == expected->second,
                     qPrintable(QStringLiteral("line %1, column %2 (\"%3\") is not \"%4\"")
                                    .arg(line + 1)
                                    .arg(column + 1)
                                    .arg(lines[line].mid(column, 1), mask[column])));
        }
    }
}

QTEST_MAIN(TemplateHighlighterTest)
#include "TemplateHighlighterTest.moc"
