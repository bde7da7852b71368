#pragma once

#include "FixedScreens.h"
#include "RecordingWindowHost.h"
#include "ScriptedAlerts.h"
#include "VirtualScheduler.h"
#include "desktop/StackWindow.h"
#include "platform/linux/LocalFileSystem.h"
#include "store/DesktopStack.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// The offscreen platform says at every raise() and keyboard grab that it cannot; those lines
// would bury the ones that matter.
inline void quietOffscreenPlatform()
{
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message.startsWith(QLatin1String("This plugin does not support")))
                return;
            if (previous)
                previous(type, context, message);
        });
}

// Presses at the window's centre, drags by each step in turn (global offsets from the press),
// then releases.
inline void dragBy(StackWindow& window, const QList<QPoint>& steps,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPoint start = window.geometry().center();
    window.mouseDown(start, modifiers, 1);
    for (const QPoint& step : steps)
        window.mouseDragged(start + step);
    window.mouseUp();
}

// Real stack windows around a recording host, for the widget tests: a virtual clock, the fixed
// 1280 × 800 screen, scripted alerts and a folder of real files to show.
struct WindowRig
{
    WindowRig() = default;
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    VirtualScheduler scheduler;
    FixedScreens screens;
    LocalFileSystem fs;
    ScriptedAlerts alerts;
    RecordingWindowHost::State host;
    QTemporaryDir folder;
    std::vector<std::unique_ptr<StackWindow>> windows;

    StackWindowEnvironment environment(DesktopPlatform* platform = nullptr)
    {
        return StackWindowEnvironment{scheduler, screens, fs, alerts, platform};
    }

    // An image file of one colour, `size` pixels.
    QString image(const QString& name, const QColor& colour, QSize size = QSize(120, 90)) const
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(colour);
        const QString path = folder.filePath(name);
        picture.save(path);
        return path;
    }
    QString file(const QString& name, const QByteArray& content = "text") const
    {
        const QString path = folder.filePath(name);
        QFile out(path);
        if (out.open(QIODevice::WriteOnly))
            out.write(content);
        return path;
    }

    static DesktopStack record(const QString& name, int count, bool expanded = false)
    {
        DesktopStack stack;
        stack.id = QUuid::createUuid();
        stack.name = name;
        stack.state = expanded ? StackState::expanded : StackState::collapsed;
        for (int i = 0; i < count; ++i)
            stack.items.append(StackItem{QUuid::createUuid(), QString::number(i), {}, {}});
        return stack;
    }

    // A window for the stack, registered with the host under `letter`, fed and placed as the
    // manager does.
    StackWindow& make(const QString& letter, const DesktopStack& stack, const QStringList& files,
                      QPointF origin = QPointF(300, 300), DesktopPlatform* platform = nullptr)
    {
        windows.push_back(std::make_unique<StackWindow>(
            stack.id, std::make_unique<RecordingWindowHost>(host), environment(platform)));
        StackWindow& window = *windows.back();
        host.names.insert(stack.id, letter);
        host.windows.insert(stack.id, &window);
        host.order.append(stack.id);
        window.update(stack, files);
        window.setFrameOrigin(origin);
        window.orderFront();
        return window;
    }
    StackWindow& make(const QString& letter, bool expanded = false,
                      QPointF origin = QPointF(300, 300))
    {
        return make(letter, record(letter, 2, expanded), {file(letter + QLatin1String(".txt"))},
                    origin);
    }
};
