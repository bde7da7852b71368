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

// The installed themes under the XDG data folders, best first.
const QStringList preferredThemes = {QStringLiteral("Adwaita"), QStringLiteral("breeze"),
                                     QStringLiteral("gnome"), QStringLiteral("Tango")};

QIcon themeIcon(const QString& path)
{
    FileIcons::useInstalledTheme();
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

void useInstalledTheme()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Platforms without a theme plugin know only Qt's own resources; the XDG icon folders are
    // where the themes are.
    QStringList paths = QIcon::themeSearchPaths();
    const QStringList roots =
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                  QStandardPaths::LocateDirectory);
    for (const QString& root : roots) {
        if (!paths.contains(root))
            paths.append(root);
    }
    // Without a desktop environment Qt knows no real theme (hicolor holds next to no file
    // icons): borrow an installed one for the icons the current theme lacks.
    const bool bare = QIcon::fallbackThemeName().isEmpty() ||
                      QIcon::fallbackThemeName() == QLatin1String("hicolor");
    QString borrowed;
    for (const QString& theme : preferredThemes) {
        for (const QString& root : roots) {
            if (borrowed.isEmpty() &&
                QFileInfo::exists(root + QLatin1Char('/') + theme + QLatin1String("/index.theme")))
                borrowed = theme;
        }
    }
    if (bare && !borrowed.isEmpty())
        QIcon::setFallbackThemeName(borrowed);
    if (QIcon::themeName().isEmpty() && !borrowed.isEmpty())
        QIcon::setThemeName(borrowed);
    // Qt keeps every theme it has read together with the fallback of that moment. Setting the
    // search path again makes it read them afresh, so an icon looked up earlier (the tray
    // menu's) cannot leave file icons blank for the rest of the session.
    QIcon::setThemeSearchPaths(paths);
}

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
