#include "store/FreshIds.h"

#include <QByteArray>
#include <QRandomGenerator>

QUuid FreshIds::next()
{
    if (m_used == batch) {
        std::array<quint32, batch * 4> words;
        QRandomGenerator::system()->fillRange(words.data(), qsizetype(words.size()));
        const auto* bytes = reinterpret_cast<const char*>(words.data());
        for (int i = 0; i < batch; ++i) {
            QUuid id = QUuid::fromRfc4122(QByteArrayView(bytes + 16 * i, 16));
            // The version (4, random) and the variant (RFC 4122), as createUuid sets them.
            id.data3 = quint16((id.data3 & 0x0FFF) | 0x4000);
            id.data4[0] = uchar((id.data4[0] & 0x3F) | 0x80);
            m_ids[i] = id;
        }
        m_used = 0;
    }
    return m_ids[m_used++];
}
