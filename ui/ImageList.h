#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <vector>

// An ordered list of images that components select by index (the tray icon's states). A QObject so that
// the components referring to it learn when it goes away.
class TImageList : public QObject {
    Q_OBJECT
public:
    explicit TImageList(QObject* parent = nullptr);

    int Count() const { return static_cast<int>(Images.size()); }
    // An empty icon for an index outside the list.
    QIcon Image(int index) const;
    void Add(const QIcon& image);
    void Clear();
    // Replaces image index (which must exist); false and no change for an index outside the list.
    bool Replace(int index, const QIcon& image);
    // Replaces image index by the images of an icon file (every size it holds). A file that cannot be
    // read, or holds no image, leaves the list as it was and answers false.
    bool LoadFromFile(int index, const QString& path);

private:
    std::vector<QIcon> Images;
};
