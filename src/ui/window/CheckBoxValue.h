#pragma once

#include <cstdint>

class QCheckBox;

namespace bildertafel::ui {

// Shows an option's check state: 0 unchecked, 1 checked, 2 greyed. The box is three-state only
// while it shows 2; any other value shows unchecked.
void showCheckValue(QCheckBox& box, std::int16_t value);

// The check state the box shows: 0, 1 or 2.
std::int16_t checkValue(const QCheckBox& box);

// A click of the user moves a greyed box to checked and makes it two-state again, so that only a
// configuration file can ever produce 2.
void keepUserClicksTwoState(QCheckBox& box);

} // namespace bildertafel::ui
