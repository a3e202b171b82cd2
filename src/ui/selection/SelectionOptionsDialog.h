#pragma once

#include "ui/selection/SelectionSettings.h"

#include <QDialog>

#include <memory>

namespace Ui {
class SelectionOptionsDialog;
}

namespace bildertafel::ui {

// "Auswahl und Download…": whether the visitors of the show may choose pictures, the address
// their choice goes to and a note to them, and whether the start page offers all pictures as
// one zip. OK takes them only with an address a mail link carries.
class SelectionOptionsDialog : public QDialog {
    Q_OBJECT

public:
    SelectionOptionsDialog(const SelectionSettings& settings, QWidget* parent);
    ~SelectionOptionsDialog() override;

    SelectionSettings settings() const;

private:
    void showState();

    std::unique_ptr<Ui::SelectionOptionsDialog> m_ui;
};

} // namespace bildertafel::ui
