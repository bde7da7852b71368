#pragma once

class Alerts;
class DesktopPlatform;
class FileSystem;
class Scheduler;
class Screens;
class ThumbnailService;

// What a stack window and its preview use besides the manager: they keep working with it
// after the manager is gone, so the references must outlive every window.
struct StackWindowEnvironment
{
    Scheduler& scheduler;
    // The screens in the coordinates the manager records origins in.
    const Screens& screens;
    const FileSystem& fileSystem;
    Alerts& alerts;
    // Window hints, the compositor, the desktop's colour and clicks elsewhere; none without a
    // window system to ask (offscreen tests).
    DesktopPlatform* platform = nullptr;
    // The desktop's thumbnail cache and thumbnailer; none in tests that don't ask for one.
    ThumbnailService* thumbnails = nullptr;
};
