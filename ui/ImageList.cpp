#include "ImageList.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

TImageList::TImageList(QObject* parent) : QObject(parent) {}

QIcon TImageList::Image(int index) const
{
    if (index < 0 || index >= Count()) return {};
    return Images[static_cast<size_t>(index)];
}

void TImageList::Add(const QIcon& image) { Images.push_back(image); }

void TImageList::Clear() { Images.clear(); }

bool TImageList::Replace(int index, const QIcon& image)
{
    if (index < 0 || index >= Count()) return false;
    Images[static_cast<size_t>(index)] = image;
    return true;
}

bool TImageList::LoadFromFile(int index, const QString& path)
{
    if (index < 0 || index >= Count()) return false;
    // Without a file the reader would load every image format plugin of Qt to learn that nothing reads it.
    if (!QFileInfo::exists(path)) return false;
    QImageReader reader(path);
    QIcon icon;
    // An icon file usually holds one image per size; all of them go in so that each screen gets a sharp one.
    do {
        const QImage image = reader.read();
        if (image.isNull()) break;
        icon.addPixmap(QPixmap::fromImage(image));
    } while (reader.jumpToNextImage());
    if (icon.isNull()) return false;
    return Replace(index, icon);
}
