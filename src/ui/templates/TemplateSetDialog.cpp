#include "ui/templates/TemplateSetDialog.h"

#include "ui/common/QtText.h"
#include "ui/lists/FileNames.h"
#include "ui_TemplateSetDialog.h"

#include <QPixmap>

namespace bildertafel::ui {

TemplateSetDialog::TemplateSetDialog(const std::vector<settings::TemplateSet>& sets,
                                     QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TemplateSetDialog>()) {
    m_ui->setupUi(this);
    const QSize iconSize = m_ui->Sets->iconSize();
    for (const settings::TemplateSet& set : sets) {
        QStringList lines{fromUtf8(set.title)};
        for (const std::string& line : {set.description, settings::previewSizeText(set)}) {
            if (!line.empty()) {
                lines << fromUtf8(line);
            }
        }
        auto* item = new QListWidgetItem(lines.join(u'\n'), m_ui->Sets);
        const QPixmap picture(uilists::fromFileName(set.picturePath));
        if (!picture.isNull()) {
            item->setIcon(picture.scaled(iconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        }
    }
    m_ui->Sets->setCurrentRow(0);
    connect(m_ui->Load, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->Sets, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(m_ui->Sets, &QListWidget::currentRowChanged, this,
            [this](int row) { m_ui->Load->setEnabled(row >= 0); });
}

TemplateSetDialog::~TemplateSetDialog() = default;

int TemplateSetDialog::chosen() const {
    return m_ui->Sets->currentRow();
}

} // namespace bildertafel::ui
