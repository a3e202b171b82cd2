#include "ui/WindowDialogs.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace bildertafel::ui {

void StandardDialogs::showMessage(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

QString StandardDialogs::askText(const QString& prompt, const QString& title,
                                 const QString& presetAnswer) {
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, presetAnswer, &accepted);
    return accepted ? answer : QString();
}

} // namespace bildertafel::ui
