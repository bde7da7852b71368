#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

// What one stack window shows. Its window writes the stack's name, count, state and
// thumbnails and the drag's dissolve state; the manager writes the selection and drop-target
// flags through the window. Every property signals only when its value really changes.
class StackViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(int count READ count WRITE setCount NOTIFY countChanged)
    Q_PROPERTY(bool isExpanded READ isExpanded WRITE setExpanded NOTIFY isExpandedChanged)
    Q_PROPERTY(
        QList<QImage> thumbnails READ thumbnails WRITE setThumbnails NOTIFY thumbnailsChanged)
    Q_PROPERTY(qreal dissolveProgress READ dissolveProgress WRITE setDissolveProgress NOTIFY
                   dissolveProgressChanged)
    Q_PROPERTY(bool isDissolving READ isDissolving WRITE setDissolving NOTIFY isDissolvingChanged)
    Q_PROPERTY(bool isDropTarget READ isDropTarget WRITE setDropTarget NOTIFY isDropTargetChanged)
    Q_PROPERTY(bool isSelected READ isSelected WRITE setSelected NOTIFY isSelectedChanged)

public:
    using QObject::QObject;

    QString name() const { return m_name; }
    // The number of items in the record (not the files found).
    int count() const { return m_count; }
    // The stack is spread on the Desktop.
    bool isExpanded() const { return m_isExpanded; }
    // At most three images, in file order.
    QList<QImage> thumbnails() const { return m_thumbnails; }
    // 0 to 1: how far a spread stack's window has been dragged towards dissolving it.
    qreal dissolveProgress() const { return m_dissolveProgress; }
    bool isDissolving() const { return m_isDissolving; }
    bool isDropTarget() const { return m_isDropTarget; }
    bool isSelected() const { return m_isSelected; }

    void setName(const QString& name);
    void setCount(int count);
    void setExpanded(bool expanded);
    void setThumbnails(const QList<QImage>& thumbnails);
    // Replaces one entry; false when there is no entry `index` any more.
    bool setThumbnail(qsizetype index, const QImage& image);
    void setDissolveProgress(qreal progress);
    void setDissolving(bool dissolving);
    void setDropTarget(bool target);
    void setSelected(bool selected);

    // The caption under the card: the release hint, the drop hint or the name.
    QString caption() const;

Q_SIGNALS:
    void nameChanged(const QString& name);
    void countChanged(int count);
    void isExpandedChanged(bool expanded);
    void thumbnailsChanged();
    void dissolveProgressChanged(qreal progress);
    void isDissolvingChanged(bool dissolving);
    void isDropTargetChanged(bool target);
    void isSelectedChanged(bool selected);

private:
    QString m_name;
    int m_count = 0;
    bool m_isExpanded = false;
    QList<QImage> m_thumbnails;
    qreal m_dissolveProgress = 0;
    bool m_isDissolving = false;
    bool m_isDropTarget = false;
    bool m_isSelected = false;
};
