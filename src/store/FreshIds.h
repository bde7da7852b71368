#pragma once

#include <QRandomGenerator>
#include <QUuid>

// Random (version 4) ids for new records and items. QUuid::createUuid asks the system's
// generator for every id, which costs a trip to the processor's or kernel's random source per
// word: recovering a few thousand files at launch paid for it a few thousand times. Ids need
// to be unique, not secret, so these come from a generator seeded once from the system's with
// 256 bits; keep one for an operation.
class FreshIds
{
public:
    FreshIds();

    QUuid next();

private:
    QRandomGenerator m_generator;
};
