#pragma once

#include <QObject>

#include <functional>

class QMenu;

// Calls back whenever the user opens a menu of the program: the tray menu, a stack window's
// context menu, any other. Submenus opened from an open menu do not count, as they belong to
// the menu already being tracked.
class MenuTracking : public QObject
{
    Q_OBJECT

public:
    explicit MenuTracking(std::function<void()> began, QObject* parent = nullptr);

    // Watches every menu of the application from now on.
    void install();
    // Follows this menu by its aboutToShow instead: a tray host that draws the menu itself
    // (StatusNotifierItem) never shows it as a Qt popup.
    void watch(QMenu* menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_began;
    QMenu* m_watched = nullptr;
};
