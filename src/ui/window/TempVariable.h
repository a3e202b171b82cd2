#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace bildertafel::ui {

// The value of the environment variable "temp", its name matched without regard to letter case
// (TEMP, Temp, temp). Of several such variables the first in byte order of the names that is not
// empty counts; none gives the empty text.
QString tempVariable(const QProcessEnvironment& environment);

} // namespace bildertafel::ui
