#pragma once

#include "platform/linux/tray/StatusNotifierItem.h"

#include <QImage>
#include <QObject>

#include <chrono>
#include <memory>

class MenuBarIconPainter;
class QMenu;
class QSystemTrayIcon;
class UndoState;

// The tray icon: MenuBarIcon's image (the spinner while work runs), "Working" or "Tidora" as
// its tooltip, and the menu, opened at the pointer by a click of either button.
// Panels that show StatusNotifierItems get the icon through their watcher whenever one is on the
// bus, also one that starts after this program; other panels embed it (XEmbed) through
// QSystemTrayIcon, which Qt does whenever such a tray appears. The Qt icon is made only while no
// watcher is there: Qt settles for good, when the first one is made, whether it embeds its icons
// or offers them to a watcher, and it offers them only when a panel was there then.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    TrayIcon(UndoState& state, QMenu* menu,
             std::unique_ptr<StatusNotifierItem> item =
                 StatusNotifierItem::onSessionBus(QStringLiteral("tidora")),
             QObject* parent = nullptr);
    ~TrayIcon() override;

    void show();
    void hide();
    // What the icon shows now.
    QImage image() const;
    QString toolTip() const { return m_toolTip; }
    // Whether the icon is embedded in an XEmbed tray (rather than offered to a watcher).
    bool isEmbedded() const;
    // How long after show() a desktop without any tray is told of once (a panel may start a
    // little after the program, as at login).
    void setNoTrayGrace(std::chrono::milliseconds grace) { m_noTrayGrace = grace; }

private:
    void place();
    QSystemTrayIcon& embedded();
    void showImage();
    void showWorking(bool working);
    void popUpMenu();
    void tellIfUnseen();

    UndoState& m_state;
    QMenu* m_menu;
    MenuBarIconPainter* m_painter;
    std::unique_ptr<StatusNotifierItem> m_item;
    std::unique_ptr<QSystemTrayIcon> m_embedded;
    QString m_toolTip;
    bool m_shown = false;
    bool m_unseenCheck = false;
    std::chrono::milliseconds m_noTrayGrace{15000};
};
