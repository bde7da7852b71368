#pragma once

#include "app/Keycap.h"

#include <QMenu>
#include <QWidget>

struct Wording;

// The "Shortcuts" submenu: one row per shortcut, its keys drawn as key caps, then the gesture,
// then what it does. The rows only inform; choosing one does nothing.
class ShortcutsMenu : public QMenu
{
    Q_OBJECT

public:
    ShortcutsMenu(const Wording& wording, QWidget* parent = nullptr);
};

// One row of the shortcut help.
class KeycapRow : public QWidget
{
    Q_OBJECT

public:
    explicit KeycapRow(Keycap::Shortcut shortcut, QWidget* parent = nullptr);

    const Keycap::Shortcut& shortcut() const { return m_shortcut; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The key caps' width, the same for every row so the actions line up.
    static constexpr int keysWidth = 170;

    Keycap::Shortcut m_shortcut;
};
