#include "ui/templates/TemplateEditor.h"

#include "ui/common/StandardDialogs.h"
#include "ui/templates/TemplateHighlighter.h"
#include "ui/templates/TemplateText.h"
#include "ui_TemplateEditor.h"

#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocument>

namespace bildertafel::ui {

namespace {

// Room for about a hundred columns and forty lines where the screen has it.
constexpr QSize PreferredSize(960, 720);
constexpr QSize ScreenAllowance(48, 96);

QString quoted(const QString& text) {
    return QStringLiteral("„%1“").arg(text);
}

} // namespace

TemplateEditor::TemplateEditor(QPlainTextEdit& box, const QString& name, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TemplateEditor>()), m_box(box) {
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("Vorlage bearbeiten – %1").arg(name));
    m_askUnsaved = [this] {
        return askUnsaved(*this,
                          QStringLiteral("Die Vorlage wurde geändert. Sollen die Änderungen in "
                                         "den Kasten übernommen werden?"),
                          QStringLiteral("Übernehmen"), QStringLiteral("Verwerfen"),
                          QStringLiteral("Weiter bearbeiten"));
    };

    m_ui->Text->setPlainText(templateForEditor(templateFromEditor(box)));
    new TemplateHighlighter(m_ui->Text->document());

    connect(m_ui->Apply, &QPushButton::clicked, this, &TemplateEditor::apply);
    connect(m_ui->Cancel, &QPushButton::clicked, this, &TemplateEditor::reject);
    connect(m_ui->FindNext, &QPushButton::clicked, this, [this] { find(false); });
    connect(m_ui->FindPrevious, &QPushButton::clicked, this, [this] { find(true); });
    connect(m_ui->FindText, &QLineEdit::returnPressed, this, [this] { find(false); });
    connect(m_ui->Replace, &QPushButton::clicked, this, &TemplateEditor::replace);
    connect(m_ui->ReplaceAll, &QPushButton::clicked, this, &TemplateEditor::replaceAll);
    connect(m_ui->FindText, &QLineEdit::textChanged, m_ui->FindStatus, &QLabel::clear);
    auto* findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        m_ui->FindText->setFocus();
        m_ui->FindText->selectAll();
    });
    auto* nextKey = new QShortcut(QKeySequence::FindNext, this);
    connect(nextKey, &QShortcut::activated, this, [this] { find(false); });
    auto* previousKey = new QShortcut(QKeySequence::FindPrevious, this);
    connect(previousKey, &QShortcut::activated, this, [this] { find(true); });
    auto* applyKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this);
    connect(applyKey, &QShortcut::activated, this, &TemplateEditor::apply);

    if (const QScreen* screen = box.screen()) {
        resize(PreferredSize.boundedTo(screen->availableGeometry().size() - ScreenAllowance)
                   .expandedTo(minimumSizeHint()));
    }
    m_ui->Text->setFocus();
}

TemplateEditor::~TemplateEditor() = default;

bool TemplateEditor::hasChanges() const {
    return templateFromEditor(*m_ui->Text) != templateFromEditor(m_box);
}

void TemplateEditor::apply() {
    if (hasChanges()) {
        // One edit of the box's document, so that its undo takes the whole text back.
        QTextCursor cursor(m_box.document());
        cursor.beginEditBlock();
        cursor.select(QTextCursor::Document);
        cursor.insertText(templateForEditor(templateFromEditor(*m_ui->Text)));
        cursor.endEditBlock();
    }
    accept();
}

void TemplateEditor::reject() {
    if (hasChanges()) {
        switch (m_askUnsaved()) {
        case UnsavedAnswer::Keep:
            apply();
            return;
        case UnsavedAnswer::Discard:
            break;
        case UnsavedAnswer::Stay:
            return;
        }
    }
    QDialog::reject();
}

bool TemplateEditor::find(bool backwards) {
    const QString text = m_ui->FindText->text();
    if (text.isEmpty()) {
        m_ui->FindText->setFocus();
        return false;
    }
    QTextDocument::FindFlags flags;
    if (backwards) {
        flags |= QTextDocument::FindBackward;
    }
    if (m_ui->MatchCase->isChecked()) {
        flags |= QTextDocument::FindCaseSensitively;
    }
    if (m_ui->Text->find(text, flags)) {
        m_ui->FindStatus->clear();
        return true;
    }
    // Round the end: from the other end of the template once more.
    const QTextCursor before = m_ui->Text->textCursor();
    QTextCursor fromEnd = before;
    fromEnd.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
    m_ui->Text->setTextCursor(fromEnd);
    if (m_ui->Text->find(text, flags)) {
        m_ui->FindStatus->setText(backwards ? QStringLiteral("Vom Ende an weitergesucht.")
                                            : QStringLiteral("Vom Anfang an weitergesucht."));
        return true;
    }
    m_ui->Text->setTextCursor(before);
    m_ui->FindStatus->setText(QStringLiteral("%1 nicht gefunden.").arg(quoted(text)));
    return false;
}

bool TemplateEditor::selectionMatches() const {
    const QString selected = m_ui->Text->textCursor().selectedText();
    return !selected.isEmpty() &&
           selected.compare(m_ui->FindText->text(), m_ui->MatchCase->isChecked()
                                                        ? Qt::CaseSensitive
                                                        : Qt::CaseInsensitive) == 0;
}

void TemplateEditor::replace() {
    if (selectionMatches()) {
        m_ui->Text->textCursor().insertText(m_ui->ReplaceText->text());
    }
    find(false);
}

int TemplateEditor::replaceAll() {
    const QString text = m_ui->FindText->text();
    if (text.isEmpty()) {
        m_ui->FindText->setFocus();
        return 0;
    }
    QTextDocument::FindFlags flags;
    if (m_ui->MatchCase->isChecked()) {
        flags |= QTextDocument::FindCaseSensitively;
    }
    QTextDocument& document = *m_ui->Text->document();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    int replaced = 0;
    // Each search goes on after the text put in, so a replacement holding the search text
    // is not replaced again.
    for (QTextCursor found = document.find(text, cursor, flags); !found.isNull();
         found = document.find(text, cursor, flags)) {
        found.insertText(m_ui->ReplaceText->text());
        cursor.setPosition(found.position());
        ++replaced;
    }
    cursor.endEditBlock();
    m_ui->FindStatus->setText(replaced == 0 ? QStringLiteral("%1 nicht gefunden.").arg(quoted(text))
                              : replaced == 1
                                  ? QStringLiteral("1 Stelle ersetzt.")
                                  : QStringLiteral("%1 Stellen ersetzt.").arg(replaced));
    return replaced;
}

} // namespace bildertafel::ui
