#pragma once

#include "ui/publish/PublishTargets.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class AccessDialog;
}

namespace bildertafel::ui {

// "Zugang…" of "Veröffentlichen": who may see the show (a password, an end date), the folder's
// path on the web server and whether search engines are kept away. OK only with settings the
// publish can carry out; the password is given back, never stored here.
class AccessDialog : public QDialog {
    Q_OBJECT

public:
    // webAddress: the target's, for the warning about http://; keyring: whether the password is
    // kept there (else for this run of the program only).
    AccessDialog(const ShowProtection& shown, const QString& password, const QString& webAddress,
                 bool keyring, QWidget* parent);
    ~AccessDialog() override;

    ShowProtection chosen() const;
    QString password() const;

public slots:
    void accept() override;

private:
    void updateEnabled();
    void suggest();

    std::unique_ptr<Ui::AccessDialog> m_ui;
    QString m_webAddress;
};

} // namespace bildertafel::ui
