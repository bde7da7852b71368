#pragma once

#include "platform/linux/DesktopBackend.h"

// No supported program draws the Desktop: no positions are known and setting them does
// nothing; everything else carries on without them.
class NoDesktopBackend : public DesktopBackend
{
public:
    QString name() const override { return QStringLiteral("none"); }
    BridgeResult<PositionMap> allPositions() override { return PositionMap(); }
    BridgeResult<void> place(const QList<NamedPosition>&) override { return {}; }
};
