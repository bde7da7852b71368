#include "desktop/FileIcons.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>

namespace {

// Without a desktop environment Qt knows no icon theme; borrow an installed one for the icons
// the current theme lacks.
void ensureFallbackTheme()
{
    static const bool done = [] {
        if (!QIcon::fallbackThemeName().isEmpty() &&
            QIcon::fallbackThemeName() != QLatin1String("hicolor"))
            return true;
        const QStringList themes = {QStringLiteral("Adwaita"), QStringLiteral("breeze"),
                                    QStringLiteral("gnome"), QStringLiteral("Tango")};
        const QStringList roots =
            QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                      QStandardPaths::LocateDirectory);
        for (const QString& theme : themes) {
            for (const QString& root : roots) {
                if (QFileInfo::exists(root + QLatin1Char('/') + theme +
                                      QLatin1String("/index.theme"))) {
                    QIcon::setFallbackThemeName(theme);
                    return true;
                }
            }
        }
        return true;
    }();
    (void)done;
}

QIcon themeIcon(const QString& path)
{
    ensureFallbackTheme();
    const QFileInfo info(path);
    if (info.isDir())
        return QIcon::fromTheme(QStringLiteral("folder"));
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    for (const QString& name :
         {type.iconName(), type.genericIconName(), QStringLiteral("text-x-generic"),
          QStringLiteral("application-x-generic")}) {
        QIcon icon = QIcon::fromTheme(name);
        if (!icon.isNull())
            return icon;
    }
    return QFileIconProvider().icon(info);
}

// A page with a folded corner, or a folder, in the colours of a light theme.
void drawPlainIcon(QPainter& painter, const QRectF& box, bool folder)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 0, 70), 1));
    if (folder) {
        const QRectF body = box.adjusted(box.width() * 0.06, box.height() * 0.22,
                                         -box.width() * 0.06, -box.height() * 0.14);
        QPainterPath tab;
        tab.addRoundedRect(QRectF(body.left(), body.top() - box.height() * 0.1, body.width() * 0.42,
                                  box.height() * 0.2),
                           3, 3);
        painter.setBrush(QColor(0x5f, 0x9f, 0xe0));
        painter.drawPath(tab);
        painter.setBrush(QColor(0x7a, 0xb6, 0xf0));
        painter.drawRoundedRect(body, 4, 4);
        return;
    }
    const QRectF page = box.adjusted(box.width() * 0.18, box.height() * 0.06, -box.width() * 0.18,
                                     -box.height() * 0.06);
    const qreal fold = page.width() * 0.3;
    QPainterPath outline;
    outline.moveTo(page.topLeft());
    outline.lineTo(page.right() - fold, page.top());
    outline.lineTo(page.right(), page.top() + fold);
    outline.lineTo(page.bottomRight());
    outline.lineTo(page.bottomLeft());
    outline.closeSubpath();
    painter.setBrush(QColor(0xfa, 0xfa, 0xfa));
    painter.drawPath(outline);
    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    corner.closeSubpath();
    painter.setBrush(QColor(0xdd, 0xdd, 0xdd));
    painter.drawPath(corner);
}

} // namespace

namespace FileIcons {

QImage iconImage(const QString& path, QSize size, qreal scale)
{
    const QSize pixels = size * scale;
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QIcon icon = themeIcon(path);
    const QPixmap pixmap = icon.isNull() ? QPixmap() : icon.pixmap(pixels);
    QPainter painter(&image);
    if (pixmap.isNull()) {
        drawPlainIcon(painter, QRectF(QPointF(0, 0), QSizeF(pixels)), QFileInfo(path).isDir());
    } else {
        const QSize fitted = pixmap.size().scaled(pixels, Qt::KeepAspectRatio);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRect(QPoint((pixels.width() - fitted.width()) / 2,
                                        (pixels.height() - fitted.height()) / 2),
                                 fitted),
                           pixmap);
    }
    painter.end();
    image.setDevicePixelRatio(scale);
    return image;
}

} // namespace FileIcons
