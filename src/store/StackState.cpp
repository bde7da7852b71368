#include "store/StackState.h"

QString rawValue(StackState state)
{
    switch (state) {
    case StackState::collapsed:
        return QStringLiteral("collapsed");
    case StackState::expanded:
        return QStringLiteral("expanded");
    }
    return QString();
}

std::optional<StackState> stackStateFromRawValue(const QString& text)
{
    if (text == QLatin1String("collapsed"))
        return StackState::collapsed;
    if (text == QLatin1String("expanded"))
        return StackState::expanded;
    return std::nullopt;
}
