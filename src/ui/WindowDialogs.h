#pragma once

#include <QString>

class QWidget;

namespace bildertafel::ui {

// The window's two dialogs. Tests replace them with scripted answers instead of clicking real
// dialogs.
class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;

    // A message box with one OK button and no icon; returns when it is closed.
    virtual void showMessage(const QString& text, const QString& title) = 0;
    // A one-line input dialog with OK and Cancel; Cancel gives the empty text.
    virtual QString askText(const QString& prompt, const QString& title,
                            const QString& presetAnswer) = 0;
};

// The toolkit's own message box and input dialog, modal over the parent window.
class StandardDialogs : public WindowDialogs {
public:
    explicit StandardDialogs(QWidget* parent) : m_parent(parent) {}

    void showMessage(const QString& text, const QString& title) override;
    QString askText(const QString& prompt, const QString& title,
                    const QString& presetAnswer) override;

private:
    QWidget* m_parent;
};

} // namespace bildertafel::ui
