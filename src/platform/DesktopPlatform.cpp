#include "platform/DesktopPlatform.h"

QString DesktopPlatform::featureNames(Features features)
{
    static const std::pair<Feature, const char*> names[] = {
        {Feature::HotKey, "the Ctrl+Alt+S shortcut"},
        {Feature::PointerEvents, "Shift-drag stacking and the Desktop marquee"},
        {Feature::DragSource, "recognising icon drags"},
        {Feature::DesktopTest, "recognising clicks on the Desktop"},
        {Feature::WindowHints, "keeping stack windows on every workspace"},
    };
    QStringList found;
    for (const auto& [feature, name] : names) {
        if (features.testFlag(feature))
            found.append(QString::fromLatin1(name));
    }
    return found.join(QStringLiteral(", "));
}

std::optional<quint32> DesktopPlatform::desktopColour(QRect) const
{
    return std::nullopt;
}

void DesktopPlatform::setWindowBackground(QWindow*, quint32)
{}
