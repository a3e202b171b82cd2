#include "ui/publish/AccessDialog.h"

#include "publish/FailureFacts.h"
#include "publish/ShowAccess.h"
#include "ui/common/DialogFit.h"
#include "ui/common/QtText.h"
#include "ui/publish/PublishTexts.h"

#include "ui_AccessDialog.h"

#include <QDate>

namespace bildertafel::ui {

AccessDialog::AccessDialog(const ShowProtection& shown, const QString& password,
                           const QString& webAddress, bool keyring, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AccessDialog>()), m_webAddress(webAddress) {
    m_ui->setupUi(this);
    m_ui->Protect->setChecked(shown.protect);
    m_ui->User->setText(shown.user);
    m_ui->Password->setText(password);
    m_ui->Repeat->setText(password);
    m_ui->Until->setChecked(shown.visibleUntil.isValid());
    m_ui->UntilDate->setDate(shown.visibleUntil.isValid() ? shown.visibleUntil
                                                          : QDate::currentDate().addMonths(3));
    m_ui->ServerPath->setText(shown.serverPath);
    m_ui->Noindex->setChecked(shown.noindex);
    m_ui->Remembered->setText(passwordKeepingText(keyring));
    m_ui->Problem->hide();
    connect(m_ui->Protect, &QCheckBox::toggled, this, &AccessDialog::updateEnabled);
    connect(m_ui->Until, &QCheckBox::toggled, this, &AccessDialog::updateEnabled);
    connect(m_ui->Suggest, &QPushButton::clicked, this, &AccessDialog::suggest);
    connect(m_ui->Buttons, &QDialogButtonBox::accepted, this, &AccessDialog::accept);
    connect(m_ui->Buttons, &QDialogButtonBox::rejected, this, &AccessDialog::reject);
    updateEnabled();
}

AccessDialog::~AccessDialog() = default;

ShowProtection AccessDialog::chosen() const {
    ShowProtection chosen;
    chosen.protect = m_ui->Protect->isChecked();
    chosen.user = m_ui->User->text();
    chosen.visibleUntil = m_ui->Until->isChecked() ? m_ui->UntilDate->date() : QDate();
    chosen.serverPath = m_ui->ServerPath->text().trimmed();
    chosen.noindex = m_ui->Noindex->isChecked();
    return chosen;
}

QString AccessDialog::password() const {
    return m_ui->Protect->isChecked() ? m_ui->Password->text() : QString();
}

void AccessDialog::accept() {
    QString problem;
    if (m_ui->Protect->isChecked() && m_ui->Password->text() != m_ui->Repeat->text()) {
        problem = passwordsDifferText();
    } else {
        const publish::ShowAccess access = showAccessOf(chosen(), password(), QString());
        if (const publish::AccessProblem found = publish::accessProblem(access);
            found != publish::AccessProblem::None) {
            publish::FailureFacts facts(publish::FailureKind::AccessSettings);
            facts.access = found;
            facts.path = access.serverPath;
            problem = fromUtf8(publish::failureText(facts, publishControlNames()));
        }
    }
    if (!problem.isEmpty()) {
        m_ui->Problem->setText(problem);
        m_ui->Problem->show();
        fitToText(*this);
        return;
    }
    QDialog::accept();
}

void AccessDialog::updateEnabled() {
    const bool protect = m_ui->Protect->isChecked();
    for (QWidget* widget :
         {static_cast<QWidget*>(m_ui->User), static_cast<QWidget*>(m_ui->Password),
          static_cast<QWidget*>(m_ui->Repeat), static_cast<QWidget*>(m_ui->Suggest)}) {
        widget->setEnabled(protect);
    }
    m_ui->UntilDate->setEnabled(m_ui->Until->isChecked());
    m_ui->HttpWarning->setVisible(protect &&
                                  m_webAddress.trimmed().startsWith(QStringLiteral("http://")));
    fitToText(*this);
}

void AccessDialog::suggest() {
    const QString suggested = fromUtf8(publish::suggestedPassword());
    m_ui->Password->setText(suggested);
    m_ui->Repeat->setText(suggested);
    m_ui->Suggestion->setText(suggestionText(suggested));
    fitToText(*this);
}

} // namespace bildertafel::ui
