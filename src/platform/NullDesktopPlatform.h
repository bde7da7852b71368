#pragma once

#include "platform/DesktopPlatform.h"

// A desktop without any of the platform features (Qt on Wayland itself, a build without X11):
// nothing is grabbed or reported, no point is on the Desktop, windows keep Qt's defaults.
class NullDesktopPlatform : public DesktopPlatform
{
    Q_OBJECT

public:
    using DesktopPlatform::DesktopPlatform;

    Features features() const override { return {}; }
    bool registerHotKey() override { return false; }
    void startPointerEvents() override {}
    QPoint pointerPosition() const override { return {}; }
    int dragChangeCount() const override { return 0; }
    QStringList dragFiles() const override { return {}; }
    bool isOnDesktop(QPoint) const override { return false; }
    QString desktopWindowClass() const override { return {}; }
    void decorateStackWindow(QWindow*) override {}
    bool hasCompositor() const override { return false; }

    // Writes the one line that says what this session goes without, and why.
    static void logAbsence(const QString& reason, Features missing);
};
