#include "app/Keycap.h"

#include "platform/Wording.h"

QList<Keycap::Shortcut> Keycap::table(const Wording& wording)
{
    return {
        {wording.hotKeyCaps, std::nullopt, QStringLiteral("Stack Selected Files")},
        {{wording.dragKeyCap}, QStringLiteral("+ Drag"), QStringLiteral("Stack Files")},
        {{wording.previewKeyCap}, QStringLiteral("+ Click"), QStringLiteral("View Thumbnails")},
    };
}
