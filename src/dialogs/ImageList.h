#pragma once
// Small images kept under keys, for a list's or tree's rows to name.
#include <QHash>
#include <QIcon>
#include <QSize>
#include <QString>

class ImageList final {
public:
    explicit ImageList(QSize imageSize);

    QSize imageSize() const;

    /// Adds the SVG drawing at resourcePath, drawn at the list's image size.
    void addSvg(const QString& key, const QString& resourcePath);
    /// The image under key; a null icon for an unknown key.
    QIcon icon(const QString& key) const;
    int count() const;

private:
    QSize m_imageSize;
    QHash<QString, QIcon> m_images;
};
