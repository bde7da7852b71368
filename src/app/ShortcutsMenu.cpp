#include "app/ShortcutsMenu.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidgetAction>

namespace {

constexpr int margin = 12;
constexpr int capHeight = 20;
constexpr int capPadding = 6;
constexpr int gap = 4;

} // namespace

ShortcutsMenu::ShortcutsMenu(const Wording& wording, QWidget* parent)
    : QMenu(tr("Shortcuts"), parent)
{
    for (const Keycap::Shortcut& shortcut : Keycap::table(wording)) {
        auto* row = new QWidgetAction(this);
        row->setDefaultWidget(new KeycapRow(shortcut));
        row->setText(shortcut.keys.join(QLatin1Char(' ')) + QLatin1Char(' ') +
                     shortcut.gesture.value_or(QString()) + QStringLiteral(" \u2013 ") +
                     shortcut.action);
        addAction(row);
    }
}

KeycapRow::KeycapRow(Keycap::Shortcut shortcut, QWidget* parent)
    : QWidget(parent)
    , m_shortcut(std::move(shortcut))
{
    setAccessibleName(m_shortcut.keys.join(QLatin1Char(' ')) + QLatin1Char(' ') +
                      m_shortcut.gesture.value_or(QString()) + QLatin1Char(' ') +
                      m_shortcut.action);
}

QSize KeycapRow::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(margin + keysWidth + metrics.horizontalAdvance(m_shortcut.action) + margin,
                 capHeight + 2 * gap);
}

void KeycapRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const qreal top = (height() - capHeight) / 2.0;
    qreal x = margin;
    const QColor text = palette().color(foregroundRole());
    QColor border = text;
    border.setAlphaF(0.35);
    for (const QString& key : m_shortcut.keys) {
        const QRectF cap(x, top, metrics.horizontalAdvance(key) + 2 * capPadding, capHeight);
        QPainterPath outline;
        outline.addRoundedRect(cap.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        painter.setPen(QPen(border, 1));
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawPath(outline);
        painter.setPen(text);
        painter.drawText(cap, Qt::AlignCenter, key);
        x = cap.right() + gap;
    }
    painter.setPen(text);
    if (m_shortcut.gesture) {
        const QRectF gesture(x, top, metrics.horizontalAdvance(*m_shortcut.gesture), capHeight);
        painter.drawText(gesture, Qt::AlignVCenter | Qt::AlignLeft, *m_shortcut.gesture);
    }
    const QRectF action(margin + keysWidth, top, width() - margin - keysWidth - margin, capHeight);
    painter.drawText(action, Qt::AlignVCenter | Qt::AlignLeft, m_shortcut.action);
}
