#include "ui/selection/SelectionOptionsDialog.h"

#include "selection/MailAddress.h"
#include "ui/common/DialogFit.h"
#include "ui_SelectionOptionsDialog.h"

#include <QPushButton>

namespace bildertafel::ui {

SelectionOptionsDialog::SelectionOptionsDialog(const SelectionSettings& settings, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SelectionOptionsDialog>()) {
    m_ui->setupUi(this);
    m_ui->AllowSelection->setChecked(settings.allowed);
    m_ui->MailAddress->setText(settings.mailAddress);
    m_ui->Note->setPlainText(settings.note);
    m_ui->Zip->setCurrentIndex(static_cast<int>(settings.zip));
    connect(m_ui->Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_ui->AllowSelection, &QCheckBox::toggled, this, &SelectionOptionsDialog::showState);
    connect(m_ui->MailAddress, &QLineEdit::textChanged, this, &SelectionOptionsDialog::showState);
    showState();
    fitToText(*this);
}

SelectionOptionsDialog::~SelectionOptionsDialog() = default;

SelectionSettings SelectionOptionsDialog::settings() const {
    return {m_ui->AllowSelection->isChecked(), m_ui->MailAddress->text().trimmed(),
            m_ui->Note->toPlainText().trimmed(),
            static_cast<generator::ZipChoice>(m_ui->Zip->currentIndex())};
}

void SelectionOptionsDialog::showState() {
    const bool allowed = m_ui->AllowSelection->isChecked();
    const bool usable = selection::isMailAddress(m_ui->MailAddress->text().trimmed().toStdString());
    m_ui->MailAddress->setEnabled(allowed);
    m_ui->Note->setEnabled(allowed);
    m_ui->AddressHint->setVisible(allowed && !usable);
    m_ui->Buttons->button(QDialogButtonBox::Ok)->setEnabled(!allowed || usable);
}

} // namespace bildertafel::ui
