// "Vorlage bearbeiten…" driven through a template box's context menu: the text comes back into
// the box byte for byte, an edit as one step of the box's undo, "Abbrechen" leaves the box alone;
// search and replace in the editor; the colours of HTML.
#include "ui/templates/TemplateEditor.h"
#include "WindowTestSupport.h"
#include "settings/ShowSettings.h"
#include "ui/common/ApplicationStyle.h"
#include "ui/templates/TemplateHighlighter.h"
#include "ui/templates/TemplateText.h"
#include "ui/window/MainWindow.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSyntaxHighlighter>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <functional>
#include <string>

using bildertafel::settings::ShowSettings;
using bildertafel::settings::TemplateId;
using bildertafel::ui::MainWindow;
using bildertafel::ui::TemplateEditor;
using bildertafel::ui::templateForEditor;
using bildertafel::ui::templateFromEditor;
using bildertafel::ui::TemplateHighlighter;
using namespace bildertafel::uitest;

namespace {

using Answer = TemplateEditor::UnsavedAnswer;

// A template of about 20 KB as the sets have them: style sheet, markup, references.
std::string largeTemplate() {
    std::string text = "<style>\r\n/* Kacheln */\r\ntd { padding: 0; }\r\n</style>\r\n";
    for (int line = 0; text.size() < 20 * 1024; ++line) {
        text += "<div class=\"zeile" + std::to_string(line) +
                "\">Zur&uuml;ck &amp; weiter ä€</div>\r\n";
    }
    return text;
}

// What the test does in the open editor, before it presses its button.
enum class Edit { None, AppendLine };

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Answer)

class TemplateEditorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { bildertafel::ui::useApplicationStyle(); }
    void theBoxGetsExactlyWhatTheEditorHolds_data();
    void theBoxGetsExactlyWhatTheEditorHolds();
    void searchAndReplace_data();
    void searchAndReplace();
    void tagsAndCommentsLookDifferent();
};

void TemplateEditorTest::theBoxGetsExactlyWhatTheEditorHolds_data() {
    QTest::addColumn<int>("box");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("button");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("asked");

    const QByteArray crLf = "<p>eins</p>\r\n<p>zwei</p>";
    const QByteArray umlauts = "<!-- Grüße -->\r\n<p>ä ö ü ß € Ä</p>\xc2\xa0";
    const QByteArray large = QByteArray::fromStdString(largeTemplate());
    const QByteArray blankLines = "</table>\r\n</body>\r\n\r\n\r\n";
    const QByteArray added = "\r\n<p>neu: €</p>";
    QTest::newRow("CR LF inside, taken over unchanged")
        << 0 << crLf << Edit::None << "Apply" << Answer::Stay << crLf << false;
    QTest::newRow("umlauts, taken over unchanged")
        << 1 << umlauts << Edit::None << "Apply" << Answer::Stay << umlauts << false;
    QTest::newRow("20 KB, taken over unchanged")
        << 4 << large << Edit::None << "Apply" << Answer::Stay << large << false;
    QTest::newRow("blank lines at the end, taken over unchanged")
        << 5 << blankLines << Edit::None << "Apply" << Answer::Stay << blankLines << false;
    QTest::newRow("edited and taken over")
        << 2 << umlauts << Edit::AppendLine << "Apply" << Answer::Stay << umlauts + added << false;
    QTest::newRow("20 KB edited and taken over")
        << 3 << large << Edit::AppendLine << "Apply" << Answer::Stay << large + added << false;
    QTest::newRow("edited and taken over with Strg+Eingabe")
        << 1 << crLf << Edit::AppendLine << "Strg+Eingabe" << Answer::Stay << crLf + added << false;
    QTest::newRow("Abbrechen without an edit asks nothing")
        << 0 << crLf << Edit::None << "Cancel" << Answer::Stay << crLf << false;
    QTest::newRow("Abbrechen after an edit, Verwerfen")
        << 0 << crLf << Edit::AppendLine << "Cancel" << Answer::Discard << crLf << true;
    QTest::newRow("Abbrechen after an edit, Übernehmen")
        << 5 << blankLines << Edit::AppendLine << "Cancel" << Answer::Keep << blankLines + added
        << true;
}

void TemplateEditorTest::theBoxGetsExactlyWhatTheEditorHolds() {
    QFETCH(int, box);
    QFETCH(QByteArray, before);
    QFETCH(Edit, edit);
    QFETCH(QString, button);
    QFETCH(Answer, answer);
    QFETCH(QByteArray, after);
    QFETCH(bool, asked);
    MainWindow window;
    scriptDialogs(window);
    QVERIFY(startWindow(window));
    ShowSettings settings = window.settings();
    settings.setTemplate(static_cast<TemplateId>(box), before.toStdString());
    window.applySettings(settings);
    // Nothing of the editor is made before it is opened.
    QVERIFY(window.findChildren<QSyntaxHighlighter*>().isEmpty());
    auto& text = control<QPlainTextEdit>(window, QStringLiteral("Text1_%1").arg(box));
    control<QTabWidget>(window, "SSTab1").setCurrentIndex(box < 4 ? 1 : 2);

    QString title;
    bool wasAsked = false;
    bool stillOpen = true;
    window.setTemplateEditorShown([&](TemplateEditor& editor) {
        editor.setUnsavedQuestion([&wasAsked, answer] {
            wasAsked = true;
            return answer;
        });
        QTimer::singleShot(0, &editor, [&, edit, button] {
            title = editor.windowTitle();
            if (edit == Edit::AppendLine) {
                auto& inside = *editor.findChild<QPlainTextEdit*>("Text");
                QTextCursor cursor(inside.document());
                cursor.movePosition(QTextCursor::End);
                cursor.insertText(QStringLiteral("\n<p>neu: €</p>"));
            }
            if (button == "Strg+Eingabe") {
                // Through the window system, as a key press comes, so shortcuts are seen.
                editor.findChild<QPlainTextEdit*>("Text")->setFocus();
                QTest::keyClick(editor.windowHandle(), Qt::Key_Return, Qt::ControlModifier);
            } else {
                editor.findChild<QPushButton*>(button)->click();
            }
            stillOpen = editor.isVisible();
            if (stillOpen)
                editor.done(0);
        });
    });
    QStringList offered;
    QTimer::singleShot(0, [&offered] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        QAction* editEntry = nullptr;
        for (QAction* action : menu->actions()) {
            offered << action->text();
            if (action->text() == "Vorlage bearbeiten…")
                editEntry = action;
        }
        menu->close();
        if (editEntry != nullptr)
            editEntry->trigger();
    });
    QWidget& viewport = *text.viewport();
    const QPoint at = viewport.rect().center();
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, viewport.mapToGlobal(at));
    QApplication::sendEvent(&viewport, &request);

    // The box's own entries stay, the editor and the preview come last.
    QVERIFY(offered.size() > 3);
    QCOMPARE(offered.mid(offered.size() - 2),
             (QStringList{"Vorlage bearbeiten…", "Vorschau im Browser…"}));
    QVERIFY(title.startsWith("Vorlage bearbeiten – HTML-"));
    QVERIFY(!stillOpen);
    QVERIFY(window.findChildren<TemplateEditor*>().isEmpty());
    QCOMPARE(wasAsked, asked);
    QCOMPARE(QByteArray::fromStdString(templateFromEditor(text)), after);
    // One undo of the box takes the whole text back.
    text.undo();
    QCOMPARE(QByteArray::fromStdString(templateFromEditor(text)), before);
}

void TemplateEditorTest::searchAndReplace_data() {
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<int>("replaced");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("status");

    QTest::newRow("every place, whatever the case")
        << "bild"
        << "Foto" << false << 3 << QByteArray("<p>Foto Foto</p>\r\n<p>Foto</p>")
        << "3 Stellen ersetzt.";
    QTest::newRow("only the same case")
        << "Bild"
        << "Foto" << true << 1 << QByteArray("<p>Foto bild</p>\r\n<p>BILD</p>")
        << "1 Stelle ersetzt.";
    QTest::newRow("the replacement holds the search text")
        << "bild"
        << "Bilder" << false << 3 << QByteArray("<p>Bilder Bilder</p>\r\n<p>Bilder</p>")
        << "3 Stellen ersetzt.";
    QTest::newRow("none found") << "Grafik"
                                << "Foto" << false << 0
                                << QByteArray("<p>Bild bild</p>\r\n<p>BILD</p>")
                                << "„Grafik“ nicht gefunden.";
}

void TemplateEditorTest::searchAndReplace() {
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(bool, matchCase);
    QFETCH(int, replaced);
    QFETCH(QByteArray, after);
    QFETCH(QString, status);
    QPlainTextEdit box;
    box.setPlainText(templateForEditor("<p>Bild bild</p>\r\n<p>BILD</p>"));
    TemplateEditor editor(box, "HTML-Kopf", nullptr);
    editor.findChild<QLineEdit*>("FindText")->setText(search);
    editor.findChild<QLineEdit*>("ReplaceText")->setText(replacement);
    editor.findChild<QCheckBox*>("MatchCase")->setChecked(matchCase);

    QCOMPARE(editor.find(false), replaced > 0);
    QCOMPARE(editor.replaceAll(), replaced);
    QCOMPARE(editor.findChild<QLabel*>("FindStatus")->text(), status);
    editor.apply();
    QCOMPARE(QByteArray::fromStdString(templateFromEditor(box)), after);
}

void TemplateEditorTest::tagsAndCommentsLookDifferent() {
    QTextDocument document(QStringLiteral("<p class=\"a\">x</p><!-- Hinweis -->"));
    TemplateHighlighter highlighter(&document);
    highlighter.rehighlight();
    const QList<QTextLayout::FormatRange> ranges = document.begin().layout()->formats();
    auto formatAt = [&ranges](int position) {
        for (const QTextLayout::FormatRange& range : ranges) {
            if (position >= range.start && position < range.start + range.length)
                return range.format;
        }
        return QTextCharFormat();
    };
    const QTextCharFormat tag = formatAt(1);
    const QTextCharFormat comment = formatAt(25);
    QVERIFY(tag.foreground() != QTextCharFormat().foreground());
    QVERIFY(comment.foreground() != QTextCharFormat().foreground());
    QVERIFY(tag != comment);
}

QTEST_MAIN(TemplateEditorTest)
#include "TemplateEditorTest.moc"
