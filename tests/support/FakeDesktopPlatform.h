#pragma once

#include "platform/DesktopPlatform.h"

#include <functional>

// A desktop platform driven by the test: it sends the pointer events it is told to, reports the
// drag source and the Desktop test it is given, and records what it was asked.
class FakeDesktopPlatform : public DesktopPlatform
{
    Q_OBJECT

public:
    Features features() const override { return allFeatures(); }
    bool registerHotKey() override { return hotKeyFree; }
    void startPointerEvents() override { started = true; }
    QPoint pointerPosition() const override { return pointer; }
    int dragChangeCount() const override { return changeCount; }
    QStringList dragFiles() const override
    {
        ++fileReads;
        return files;
    }
    bool isOnDesktop(QPoint point) const override
    {
        return desktopTest ? desktopTest(point) : false;
    }
    QString desktopWindowClass() const override { return desktopClass; }
    void decorateStackWindow(QWindow* window) override { decorated.append(window); }
    bool hasCompositor() const override { return compositor; }
    std::optional<quint32> desktopColour(QRect) const override { return wallpaper; }

    // Another program starts dragging these files (the drag source changes hands).
    void beginDrag(const QStringList& dragged)
    {
        ++changeCount;
        files = dragged;
    }

    void send(PointerEvent::Kind kind, QPoint position, Qt::KeyboardModifiers modifiers = {},
              Qt::MouseButton button = Qt::NoButton)
    {
        pointer = position;
        PointerEvent event;
        event.kind = kind;
        event.position = position;
        event.modifiers = modifiers;
        event.button = button;
        Q_EMIT pointerEvent(event);
    }
    void press(QPoint at, Qt::KeyboardModifiers modifiers = {}, Qt::MouseButton b = Qt::LeftButton)
    {
        send(PointerEvent::Kind::Press, at, modifiers, b);
    }
    void drag(QPoint to, Qt::KeyboardModifiers modifiers = {})
    {
        send(PointerEvent::Kind::Drag, to, modifiers);
    }
    void modifiers(Qt::KeyboardModifiers now)
    {
        send(PointerEvent::Kind::ModifiersChanged, pointer, now);
    }
    void release(QPoint at, Qt::KeyboardModifiers modifiers = {},
                 Qt::MouseButton b = Qt::LeftButton)
    {
        send(PointerEvent::Kind::Release, at, modifiers, b);
    }

    bool hotKeyFree = true;
    bool started = false;
    QPoint pointer;
    int changeCount = 0;
    QStringList files;
    mutable int fileReads = 0;
    std::function<bool(QPoint)> desktopTest;
    QString desktopClass;
    QList<QWindow*> decorated;
    bool compositor = false;
    std::optional<quint32> wallpaper;
};
