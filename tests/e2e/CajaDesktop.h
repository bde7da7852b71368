#pragma once

#include <QList>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <optional>

// Caja drawing the Desktop of the current (temporary) home, for one test, under the X server
// and session bus that scripts/with-x11.sh provides. Its settings stay in memory, so nothing
// of the account running the tests is touched.
class CajaDesktop
{
public:
    struct Icon
    {
        QString name;
        // The icon image on the screen, as the accessibility bus reports it.
        QRect image;
        bool selected = false;
        QPointF centre() const { return QRectF(image).center(); }
    };

    explicit CajaDesktop(QString desktopFolder);
    ~CajaDesktop();
    CajaDesktop(const CajaDesktop&) = delete;
    CajaDesktop& operator=(const CajaDesktop&) = delete;

    // Waits until the Desktop window is up and the icons of these Desktop files have their
    // stored positions and show on the accessibility bus.
    bool waitUntilReady(const QStringList& names);

    // Every icon shown, read over AT-SPI by a separate program (tests/e2e/atspi-icons.py).
    QList<Icon> icons() const;
    std::optional<Icon> icon(const QString& name) const;
    // Clicks the first icon and Ctrl-clicks the others, as a user selects them; whether they
    // all ended up selected.
    bool select(const QStringList& names) const;
    // Waits until the named icon's image centre is at `centre`.
    bool waitForIconAt(const QString& name, QPointF centre) const;

    // Caja's stored point for a file as `gio info` reports it.
    static std::optional<QPoint> storedPoint(const QString& path);

private:
    QString m_desktop;
    QProcess m_process;
};
