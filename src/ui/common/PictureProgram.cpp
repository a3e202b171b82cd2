#include "ui/common/PictureProgram.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace bildertafel::ui {

QString pictureProgram() {
    QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/bildertafel-batch");
#ifdef BILDERTAFEL_BUILD_TREE_BATCH
    if (!QFileInfo(beside).isExecutable()) {
        return QStringLiteral(BILDERTAFEL_BUILD_TREE_BATCH);
    }
#endif
    return beside;
}

} // namespace bildertafel::ui
