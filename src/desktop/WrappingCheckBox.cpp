#include "desktop/WrappingCheckBox.h"

#include "desktop/TextWrapping.h"

#include <QStyleOptionButton>
#include <QStylePainter>

WrappingCheckBox::WrappingCheckBox(const QString& title, int width, QWidget* parent)
    : QCheckBox(parent)
{
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
    // Shown as given: an ampersand is no mnemonic.
    setText(wrapText(title, font(), width - indicator).replace(u'&', QStringLiteral("&&")));
    setFixedWidth(width);
}

void WrappingCheckBox::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    // As the style draws a checkbox, but with the box at the first line rather than centred
    // on all of them.
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    QStyleOptionButton box = option;
    box.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    box.rect.moveTop(qMax(0, (fontMetrics().height() - box.rect.height()) / 2));
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);

    QStyleOptionButton label = option;
    label.rect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    painter.drawControl(QStyle::CE_CheckBoxLabel, label);

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_CheckBoxFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
