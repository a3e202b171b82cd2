#include "ui/templates/TemplateText.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

namespace bildertafel::ui {

QString templateForEditor(const std::string& templateText) {
    QString text = QString::fromStdString(templateText);
    // The box would turn the CR and the LF of one line end into two line breaks.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::string templateFromEditor(const QPlainTextEdit& editor) {
    // toPlainText() would turn non-breaking spaces into blanks, so the blocks are joined here.
    QString text;
    const QTextDocument* document = editor.document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block != document->begin()) {
            text += QStringLiteral("\r\n");
        }
        text += block.text();
    }
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return text.toStdString();
}

} // namespace bildertafel::ui
