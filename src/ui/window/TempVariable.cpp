#include "ui/window/TempVariable.h"

#include <QStringList>

namespace bildertafel::ui {

QString tempVariable(const QProcessEnvironment& environment) {
    QStringList names = environment.keys();
    names.sort(Qt::CaseSensitive);
    for (const QString& name : names) {
        if (name.compare(u"temp", Qt::CaseInsensitive) != 0)
            continue;
        QString value = environment.value(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

} // namespace bildertafel::ui
