#pragma once

#include "platform/Alerts.h"

#include <QDialog>
#include <QList>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTextEdit;

// The modal dialog that shows one Alert: its style's icon, the message in bold, the informative
// text, the accessory controls (label and pop-up, checkbox, text field, scrolling text) and the
// buttons, the first at the right as on a Mac alert. Return presses the default button, also
// from the text field; Escape and the window's close button press "Cancel" when there is one,
// and otherwise close the dialog with no button. The button the checkbox controls is enabled
// exactly while the box is ticked; when it is the only button, nothing else closes the dialog.
class AlertDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AlertDialog(const Alert& alert, QWidget* parent = nullptr);

    // The button pressed (-1 until one is) and the state of the controls.
    AlertAnswer answer() const;

    QPushButton* button(int index) const;
    QCheckBox* checkBox() const { return m_checkBox; }
    QComboBox* popup() const { return m_popup; }
    QLineEdit* textField() const { return m_textField; }
    QTextEdit* scrollText() const { return m_scrollText; }

    void reject() override;

private:
    // The message and the informative text, scrolling when they are too tall for the screen.
    void addTexts(const Alert& alert, int width, QBoxLayout* column);
    void addAccessories(const Alert& alert, QBoxLayout* column);
    void addButtons(const Alert& alert, QBoxLayout* row);
    void press(int index);
    void focusFirstControl();

    QList<QPushButton*> m_buttons;
    int m_pressed = -1;
    int m_cancel = -1;
    int m_defaultPopupIndex = 0;
    // Only the checkbox and its button close the dialog.
    bool m_mustConfirm = false;
    QCheckBox* m_checkBox = nullptr;
    QComboBox* m_popup = nullptr;
    QLineEdit* m_textField = nullptr;
    QTextEdit* m_scrollText = nullptr;
};
