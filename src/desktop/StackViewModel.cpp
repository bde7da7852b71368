#include "desktop/StackViewModel.h"

#include <algorithm>

namespace {
template<typename T, typename Signal>
void assign(StackViewModel* model, T& field, const T& value, Signal changed)
{
    if (field == value)
        return;
    field = value;
    Q_EMIT(model->*changed)(value);
}
} // namespace

void StackViewModel::setName(const QString& name)
{
    assign(this, m_name, name, &StackViewModel::nameChanged);
}

void StackViewModel::setCount(int count)
{
    assign(this, m_count, count, &StackViewModel::countChanged);
}

void StackViewModel::setExpanded(bool expanded)
{
    assign(this, m_isExpanded, expanded, &StackViewModel::isExpandedChanged);
}

void StackViewModel::setThumbnails(const QList<QImage>& thumbnails)
{
    // Images compare by their pixels: an unchanged icon list costs a comparison, not a repaint.
    if (m_thumbnails == thumbnails)
        return;
    m_thumbnails = thumbnails;
    Q_EMIT thumbnailsChanged();
}

bool StackViewModel::setThumbnail(qsizetype index, const QImage& image)
{
    if (index < 0 || index >= m_thumbnails.size())
        return false;
    m_thumbnails[index] = image;
    Q_EMIT thumbnailsChanged();
    return true;
}

void StackViewModel::setDissolveProgress(qreal progress)
{
    assign(this, m_dissolveProgress, std::clamp(progress, 0.0, 1.0),
           &StackViewModel::dissolveProgressChanged);
}

void StackViewModel::setDissolving(bool dissolving)
{
    assign(this, m_isDissolving, dissolving, &StackViewModel::isDissolvingChanged);
}

void StackViewModel::setDropTarget(bool target)
{
    assign(this, m_isDropTarget, target, &StackViewModel::isDropTargetChanged);
}

void StackViewModel::setSelected(bool selected)
{
    assign(this, m_isSelected, selected, &StackViewModel::isSelectedChanged);
}

QString StackViewModel::caption() const
{
    if (m_dissolveProgress >= 1.0 && !m_isDissolving)
        return QStringLiteral("Release to dissolve");
    if (m_isDropTarget)
        return m_isExpanded ? QStringLiteral("Stack these") : QStringLiteral("Add to stack");
    return m_name;
}
