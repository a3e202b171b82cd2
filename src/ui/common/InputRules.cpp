#include "ui/common/InputRules.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>

namespace bildertafel::ui {

namespace {

class EnterPressesButton : public QObject {
public:
    explicit EnterPressesButton(QAbstractButton& button) : QObject(&button), m_button(button) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return QObject::eventFilter(watched, event);
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || key->modifiers() & ~Qt::KeypadModifier || !m_button.isEnabled()) {
            return QObject::eventFilter(watched, event);
        }
        m_button.click();
        return true;
    }

private:
    QAbstractButton& m_button;
};

class WheelNeedsFocus : public QObject {
public:
    explicit WheelNeedsFocus(QWidget& control) : QObject(&control), m_control(control) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Wheel && !m_control.hasFocus()) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& m_control;
};

} // namespace

void pressOnEnter(QAbstractButton& button) {
    button.installEventFilter(new EnterPressesButton(button));
}

void ignoreWheelUnlessFocused(QWidget& control) {
    control.installEventFilter(new WheelNeedsFocus(control));
}

} // namespace bildertafel::ui
