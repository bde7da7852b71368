#include "desktop/AlertDialog.h"

#include "desktop/HeadingTextView.h"
#include "desktop/TextWrapping.h"
#include "desktop/WrappingCheckBox.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

namespace {

// Width of the text column when no accessory control asks for more.
constexpr int textWidth = 360;
constexpr int checkboxWidth = 300;
constexpr int popupWidth = 300;
constexpr int textFieldWidth = 240;

// Button titles are shown as given, never as mnemonics.
QString literal(QString title)
{
    return title.replace(u'&', QStringLiteral("&&"));
}

QLabel* textLabel(const QString& text, bool bold, int width, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    label->setText(wrapText(text, font, width));
    label->setFixedWidth(width);
    return label;
}

QStyle::StandardPixmap iconFor(Alert::Style style)
{
    switch (style) {
    case Alert::Style::Informational:
        return QStyle::SP_MessageBoxInformation;
    case Alert::Style::Warning:
        return QStyle::SP_MessageBoxWarning;
    case Alert::Style::Critical:
        return QStyle::SP_MessageBoxCritical;
    }
    return QStyle::SP_MessageBoxWarning;
}

} // namespace

AlertDialog::AlertDialog(const Alert& alert, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QGuiApplication::applicationDisplayName());

    // The texts are as wide as the widest accessory control, and never narrower than textWidth.
    int columnWidth = textWidth;
    if (!alert.checkboxTitle.isEmpty())
        columnWidth = qMax(columnWidth, checkboxWidth);
    if (!alert.popupItems.isEmpty())
        columnWidth = qMax(columnWidth, popupWidth);
    if (!alert.scrollText.isEmpty())
        columnWidth = qMax(columnWidth, HeadingTextView::viewWidth);

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(iconFor(alert.style), nullptr, this).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing) + 4);
    addTexts(alert, columnWidth, column);
    addAccessories(alert, column);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(column);

    auto* row = new QHBoxLayout;
    row->addStretch();
    addButtons(alert, row);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(row);

    focusFirstControl();
}

void AlertDialog::addTexts(const Alert& alert, int width, QBoxLayout* column)
{
    QLabel* message =
        alert.message.isEmpty() ? nullptr : textLabel(alert.message, true, width, this);
    QLabel* informative = alert.informativeText.isEmpty()
                              ? nullptr
                              : textLabel(alert.informativeText, false, width, this);
    const auto height = [](QLabel* label) { return label ? label->sizeHint().height() : 0; };
    // A report naming hundreds of files would reach past the screen, and the buttons with it:
    // the message scrolls then, and the informative text (the why) stays in view when short.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int tallest = screen ? screen->availableGeometry().height() / 2 : 400;
    if (height(message) + height(informative) <= tallest) {
        for (QLabel* label : {message, informative}) {
            if (label)
                column->addWidget(label);
        }
        return;
    }
    auto* texts = new QWidget(this);
    auto* inside = new QVBoxLayout(texts);
    inside->setContentsMargins(0, 0, 0, 0);
    inside->setSpacing(column->spacing());
    if (message)
        inside->addWidget(message);
    const bool informativeInView = informative && height(informative) <= tallest / 3;
    if (informative && !informativeInView)
        inside->addWidget(informative);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setWidget(texts);
    scroll->setFixedSize(width + scroll->verticalScrollBar()->sizeHint().width(),
                         tallest - (informativeInView ? height(informative) : 0));
    column->addWidget(scroll);
    if (informativeInView)
        column->addWidget(informative);
}

void AlertDialog::addAccessories(const Alert& alert, QBoxLayout* column)
{
    if (!alert.popupItems.isEmpty()) {
        auto* group = new QVBoxLayout;
        group->setSpacing(4);
        if (!alert.popupLabel.isEmpty())
            group->addWidget(textLabel(alert.popupLabel, false, popupWidth, this));
        m_popup = new QComboBox(this);
        m_popup->addItems(alert.popupItems);
        m_popup->setFixedWidth(popupWidth);
        if (alert.popupIndex >= 0 && alert.popupIndex < alert.popupItems.size())
            m_popup->setCurrentIndex(alert.popupIndex);
        group->addWidget(m_popup);
        column->addLayout(group);
    }
    m_defaultPopupIndex = alert.popupIndex;

    if (!alert.checkboxTitle.isEmpty()) {
        m_checkBox = new WrappingCheckBox(alert.checkboxTitle, checkboxWidth, this);
        column->addWidget(m_checkBox);
    }

    if (alert.textField) {
        m_textField = new QLineEdit(*alert.textField, this);
        m_textField->setFixedWidth(textFieldWidth);
        m_textField->selectAll();
        column->addWidget(m_textField);
    }

    if (!alert.scrollText.isEmpty()) {
        m_scrollText = new HeadingTextView(alert.scrollText, this);
        column->addWidget(m_scrollText);
    }
}

void AlertDialog::addButtons(const Alert& alert, QBoxLayout* row)
{
    QStringList titles = alert.buttons;
    // An alert always has a way out.
    if (titles.isEmpty())
        titles.append(QStringLiteral("OK"));

    for (qsizetype i = 0; i < titles.size(); ++i) {
        auto* button = new QPushButton(literal(titles.at(i)), this);
        // Return presses the default button wherever the focus is, as on a Mac; Space presses
        // the focused one.
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, i] { press(int(i)); });
        m_buttons.append(button);
    }
    // The first button sits at the right; the focus moves from left to right.
    for (qsizetype i = m_buttons.size() - 1; i >= 0; --i) {
        row->addWidget(m_buttons.at(i));
        if (i < m_buttons.size() - 1)
            setTabOrder(m_buttons.at(i + 1), m_buttons.at(i));
    }

    if (alert.defaultButton >= 0 && alert.defaultButton < m_buttons.size())
        m_buttons.at(alert.defaultButton)->setDefault(true);
    m_cancel = int(titles.indexOf(QStringLiteral("Cancel")));

    if (m_checkBox && alert.checkboxEnables >= 0 && alert.checkboxEnables < m_buttons.size()) {
        QPushButton* confirming = m_buttons.at(alert.checkboxEnables);
        confirming->setEnabled(false);
        connect(m_checkBox, &QCheckBox::toggled, confirming, &QPushButton::setEnabled);
        // With no other button, the alert is there to be confirmed: it has no way out but the
        // checkbox and that button.
        if (m_buttons.size() == 1) {
            m_mustConfirm = true;
            setWindowFlag(Qt::WindowCloseButtonHint, false);
        }
    }
}

void AlertDialog::focusFirstControl()
{
    // Typing goes to the text field; otherwise Space presses the default button, unless the
    // checkbox keeps it disabled: then Space ticks the box.
    QWidget* first = m_textField;
    for (QPushButton* button : std::as_const(m_buttons)) {
        if (!first && button->isDefault() && button->isEnabled())
            first = button;
    }
    if (!first)
        first = m_checkBox;
    if (first)
        first->setFocus();
}

AlertAnswer AlertDialog::answer() const
{
    AlertAnswer answer;
    answer.button = m_pressed;
    answer.checked = m_checkBox && m_checkBox->isChecked();
    if (m_textField)
        answer.text = m_textField->text();
    answer.popupIndex = m_popup ? m_popup->currentIndex() : m_defaultPopupIndex;
    return answer;
}

QPushButton* AlertDialog::button(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons.at(index) : nullptr;
}

void AlertDialog::reject()
{
    // Escape and the window's close button.
    if (m_mustConfirm)
        return;
    if (m_cancel >= 0 && m_buttons.at(m_cancel)->isEnabled()) {
        press(m_cancel);
        return;
    }
    m_pressed = -1;
    QDialog::reject();
}

void AlertDialog::press(int index)
{
    m_pressed = index;
    done(QDialog::Accepted);
}
