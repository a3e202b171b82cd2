#pragma once

#include "ui/common/StandardDialogs.h"

#include <QDialog>

#include <functional>
#include <memory>

class QPlainTextEdit;

namespace Ui {
class TemplateEditor;
}

namespace bildertafel::ui {

// "Vorlage bearbeiten…": one template box's text in a room of its own, with line numbers, HTML
// and CSS in colours, search and replace. "Übernehmen" writes the text back into the box as one
// step that the box's undo takes back; "Abbrechen" leaves the box as it was.
class TemplateEditor : public QDialog {
    Q_OBJECT

public:
    using UnsavedAnswer = ui::UnsavedAnswer;
    using UnsavedQuestion = std::function<UnsavedAnswer()>;

    // name: the caption of the box's frame, for the title.
    TemplateEditor(QPlainTextEdit& box, const QString& name, QWidget* parent);
    ~TemplateEditor() override;

    // Replaces the question when the dialog closes with changes not taken over (tests answer).
    void setUnsavedQuestion(UnsavedQuestion ask) { m_askUnsaved = std::move(ask); }
    bool hasChanges() const;

    // The next (or previous) place of the search text, from the cursor on and round the end;
    // false and a German note when there is none.
    bool find(bool backwards);
    // Replaces the search text where the cursor has it selected, then finds the next one.
    void replace();
    // Replaces every place of the search text in one undo step; how many were replaced.
    int replaceAll();

public slots:
    void apply();
    void reject() override;

private:
    // The search text in the editor's selection, as the case option compares.
    bool selectionMatches() const;

    std::unique_ptr<Ui::TemplateEditor> m_ui;
    QPlainTextEdit& m_box;
    UnsavedQuestion m_askUnsaved;
};

} // namespace bildertafel::ui
