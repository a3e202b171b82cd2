#pragma once

#include "settings/TemplateSets.h"

#include <QDialog>

#include <memory>
#include <vector>

namespace Ui {
class TemplateSetDialog;
}

namespace bildertafel::ui {

// "Vorlage laden": the ready-made sets with their picture, description and preview size. The
// dialog only chooses; the window loads the chosen set.
class TemplateSetDialog : public QDialog {
    Q_OBJECT

public:
    TemplateSetDialog(const std::vector<settings::TemplateSet>& sets, QWidget* parent);
    ~TemplateSetDialog() override;

    // The position of the chosen set in the list given, or -1.
    int chosen() const;

private:
    std::unique_ptr<Ui::TemplateSetDialog> m_ui;
};

} // namespace bildertafel::ui
