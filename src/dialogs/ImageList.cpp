#include "ImageList.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

ImageList::ImageList(QSize imageSize) : m_imageSize(imageSize) {}

QSize ImageList::imageSize() const {
    return m_imageSize;
}

void ImageList::addSvg(const QString& key, const QString& resourcePath) {
    QSvgRenderer renderer(resourcePath);
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(m_imageSize * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(m_imageSize)));
    painter.end();
    m_images.insert(key, QIcon(pixmap));
}

QIcon ImageList::icon(const QString& key) const {
    return m_images.value(key);
}

int ImageList::count() const {
    return static_cast<int>(m_images.size());
}
