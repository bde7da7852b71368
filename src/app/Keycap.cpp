#include "app/Keycap.h"

#include "platform/Wording.h"

QList<Keycap::Shortcut> Keycap::table(const Wording& wording)
{
    QString drag = QStringLiteral("Stack Files");
    if (!wording.gesturesOffNote.isEmpty())
        drag += QStringLiteral(" (") + wording.gesturesOffNote + QLatin1Char(')');
    return {
        {wording.hotKeyCaps, std::nullopt, QStringLiteral("Stack Selected Files")},
        {{wording.dragKeyCap}, QStringLiteral("+ Drag"), drag},
        {{wording.previewKeyCap}, QStringLiteral("+ Click"), QStringLiteral("View Thumbnails")},
    };
}
