#include "ui/lists/PngIcon.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>

namespace bildertafel::uilists {

QIcon pngIcon(std::initializer_list<QString> files) {
    QIcon icon;
    for (const QString& file : files) {
        QImageReader reader(file, "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace bildertafel::uilists
