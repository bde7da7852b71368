#include "desktop/StackPreviewModel.h"

#include <algorithm>

QSizeF StackPreviewModel::sizeFor(qsizetype fileCount)
{
    const qsizetype n = std::max<qsizetype>(1, fileCount);
    const qsizetype shownColumns = std::min<qsizetype>(n, columns);
    const qsizetype rows = (n + columns - 1) / columns;
    return {qreal(shownColumns) * cellSize.width() + 2 * padding,
            std::min(visibleRows, qreal(rows)) * cellSize.height() + headerHeight + 2 * padding};
}

void StackPreviewModel::setFiles(const QStringList& files)
{
    if (files != m_files) {
        m_files = files;
        Q_EMIT filesChanged(m_files);
    }
    const QSizeF size = sizeFor(files.size());
    if (size != m_size) {
        m_size = size;
        Q_EMIT sizeChanged(m_size);
    }
}
