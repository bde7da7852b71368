#pragma once

#include <QUuid>

#include <array>

// Random (version 4) ids, drawn from the system's generator a batch at a time: QUuid::createUuid
// asks the kernel once per id, and recovering a few thousand files at launch would ask a few
// thousand times. The ids are as random as createUuid's.
class FreshIds
{
public:
    QUuid next();

private:
    static constexpr int batch = 64;
    std::array<QUuid, batch> m_ids;
    int m_used = batch;
};
