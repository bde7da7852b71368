#pragma once

#include <QObject>
#include <QSizeF>
#include <QStringList>

// What the preview shows: the files, and the panel's size for them. Both signal only on a real
// change.
class StackPreviewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList files READ files NOTIFY filesChanged)
    Q_PROPERTY(QSizeF size READ size NOTIFY sizeChanged)

public:
    static constexpr int columns = 4;
    static constexpr QSizeF cellSize{125, 149};
    static constexpr qreal padding = 17;
    static constexpr qreal headerHeight = 36;
    // More rows than this scroll.
    static constexpr qreal visibleRows = 3.5;

    using QObject::QObject;

    // The panel for n files: up to four columns, up to three and a half rows, the header and
    // the margins around them (159 × 219 for one file).
    static QSizeF sizeFor(qsizetype fileCount);

    const QStringList& files() const { return m_files; }
    QSizeF size() const { return m_size; }
    void setFiles(const QStringList& files);

Q_SIGNALS:
    void filesChanged(const QStringList& files);
    void sizeChanged(QSizeF size);

private:
    QStringList m_files;
    QSizeF m_size;
};
