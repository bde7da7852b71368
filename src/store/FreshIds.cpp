#include "store/FreshIds.h"

#include <array>

namespace {

QRandomGenerator seeded()
{
    std::array<quint32, 8> seed;
    QRandomGenerator::system()->fillRange(seed.data(), qsizetype(seed.size()));
    return QRandomGenerator(seed.data(), qsizetype(seed.size()));
}

} // namespace

FreshIds::FreshIds()
    : m_generator(seeded())
{}

QUuid FreshIds::next()
{
    std::array<quint32, 4> words;
    m_generator.fillRange(words.data(), qsizetype(words.size()));
    QUuid id = QUuid::fromRfc4122(
        QByteArrayView(reinterpret_cast<const char*>(words.data()), sizeof words));
    // The version (4, random) and the variant (RFC 4122), as createUuid sets them.
    id.data3 = quint16((id.data3 & 0x0FFF) | 0x4000);
    id.data4[0] = uchar((id.data4[0] & 0x3F) | 0x80);
    return id;
}
