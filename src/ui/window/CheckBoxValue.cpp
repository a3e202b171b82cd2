#include "ui/window/CheckBoxValue.h"

#include <QCheckBox>

namespace bildertafel::ui {

void showCheckValue(QCheckBox& box, std::int16_t value) {
    box.setTristate(value == 2);
    switch (value) {
    case 1:
        box.setCheckState(Qt::Checked);
        break;
    case 2:
        box.setCheckState(Qt::PartiallyChecked);
        break;
    default:
        box.setCheckState(Qt::Unchecked);
        break;
    }
}

std::int16_t checkValue(const QCheckBox& box) {
    switch (box.checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void keepUserClicksTwoState(QCheckBox& box) {
    // A three-state box steps from greyed to checked on the click; clicked() comes after that
    // step, so only the third state has to be switched off here.
    QObject::connect(&box, &QCheckBox::clicked, &box, [&box] { box.setTristate(false); });
}

} // namespace bildertafel::ui
