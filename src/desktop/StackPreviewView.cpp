#include "desktop/StackPreviewView.h"

#include "desktop/FileIcons.h"
#include "desktop/StackPreviewModel.h"
#include "desktop/TextWrapping.h"
#include "desktop/ThumbnailLoader.h"
#include "engine/FileKind.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
QFont sizedFont(const QFont& base, int pixels, QFont::Weight weight)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QString rgba(const QColor& colour)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(colour.alpha());
}
} // namespace

StackPreviewView::StackPreviewView(StackPreviewModel& model, const QString& name,
                                   ThumbnailLoader& thumbnails, const FileSystem& fileSystem,
                                   PreviewCell::Actions actions, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_thumbnails(thumbnails)
    , m_fileSystem(fileSystem)
    , m_actions(std::move(actions))
    , m_name(new QLabel(this))
    , m_count(new QLabel(this))
    , m_scroll(new QScrollArea(this))
    , m_grid(new QWidget)
    , m_layout(new QGridLayout(m_grid))
{
    const int padding = int(StackPreviewModel::padding);
    auto* column = new QVBoxLayout(this);
    // The grid's column runs into the right margin, where its scroll bar goes when the files
    // need more than three and a half rows; the grid itself stays centred in the panel.
    column->setContentsMargins(padding, padding, 0, padding);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    m_name->setFont(sizedFont(font(), 15, QFont::DemiBold));
    m_name->setTextFormat(Qt::PlainText);
    // A name with line breaks stays on its one line.
    m_name->setText(oneLine(name));
    m_name->setMinimumWidth(0);
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_count->setFont(sizedFont(font(), 13, QFont::Normal));
    QPalette secondary = m_count->palette();
    QColor dim = secondary.color(QPalette::WindowText);
    dim.setAlphaF(0.55);
    secondary.setColor(QPalette::WindowText, dim);
    m_count->setPalette(secondary);
    header->addWidget(m_name, 1);
    header->addWidget(m_count, 0, Qt::AlignRight | Qt::AlignVCenter);
    auto* headerBox = new QWidget(this);
    headerBox->setLayout(header);
    header->setContentsMargins(0, 0, padding, 0);
    headerBox->setFixedHeight(int(StackPreviewModel::headerHeight));
    column->addWidget(headerBox);

    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_scroll->setWidget(m_grid);
    // setWidget fills the grid's background; the panel's own must show through.
    m_grid->setAutoFillBackground(false);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    styleScrollBar(m_scroll->verticalScrollBar());
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setAutoFillBackground(false);
    column->addWidget(m_scroll, 1);

    connect(&m_model, &StackPreviewModel::filesChanged, this, &StackPreviewView::rebuild);
    rebuild();
}

void StackPreviewView::styleScrollBar(QScrollBar* bar)
{
    // A slim rounded handle on a clear track, without arrow buttons, as panels of this kind
    // scroll.
    QColor handle = bar->palette().color(QPalette::Active, QPalette::WindowText);
    handle.setAlphaF(0.3);
    QColor pressed = handle;
    pressed.setAlphaF(0.5);
    bar->setStyleSheet(
        QStringLiteral(
            "QScrollBar:vertical { background: transparent; width: 11px; margin: 0; }"
            "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 28px;"
            " margin: 2px 3px 2px 2px; }"
            "QScrollBar::handle:vertical:hover, QScrollBar::handle:vertical:pressed"
            " { background: %2; }"
            "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical"
            " { height: 0; border: none; background: none; }"
            "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
            .arg(rgba(handle), rgba(pressed)));
}

QString StackPreviewView::countText(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(count);
}

QString StackPreviewView::countLabel() const
{
    return m_count->text();
}

QString StackPreviewView::nameLabel() const
{
    return m_name->text();
}

void StackPreviewView::rebuild()
{
    const QStringList& files = m_model.files();
    m_count->setText(countText(files.size()));

    // Cells of files still shown keep their pictures.
    QList<PreviewCell*> old = m_cells;
    m_cells.clear();
    while (m_layout->count() > 0)
        delete m_layout->takeAt(0);
    const int columns = std::max(1, std::min(StackPreviewModel::columns, int(files.size())));
    for (qsizetype i = 0; i < files.size(); ++i) {
        PreviewCell* cell = nullptr;
        for (qsizetype j = 0; j < old.size(); ++j) {
            if (old.at(j)->path() == files.at(i)) {
                cell = old.takeAt(j);
                break;
            }
        }
        if (!cell) {
            cell = new PreviewCell(files.at(i), m_actions, m_grid);
            loadThumbnail(cell);
        }
        m_layout->addWidget(cell, int(i / columns), int(i % columns), Qt::AlignTop);
        cell->show();
        m_cells.append(cell);
    }
    // A cell may be the one a drag started from; it goes once the current event is over.
    for (PreviewCell* gone : std::as_const(old)) {
        gone->hide();
        gone->deleteLater();
    }
    m_layout->setRowStretch(m_layout->rowCount(), 1);
    m_layout->setColumnStretch(columns, 0);
    m_grid->setFixedWidth(columns * PreviewCell::cellSize.width());
    m_scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void StackPreviewView::loadThumbnail(PreviewCell* cell)
{
    const qreal scale = devicePixelRatioF();
    const QSize side(PreviewCell::imageSide, PreviewCell::imageSide);
    cell->setImage(FileIcons::iconImage(cell->path(), side, scale));
    if (FileKinds::classify(cell->path(), m_fileSystem) == FileKind::folders)
        return;
    const QPointer<PreviewCell> target(cell);
    m_thumbnails.load(cell->path(), side * scale, [target](const QImage& image) {
        if (target)
            target->setImage(image);
    });
}
