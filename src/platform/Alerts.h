#pragma once

#include "platform/TidoraError.h"

#include <QString>
#include <QStringList>

#include <optional>

// One modal alert: its texts, its buttons in order, and the accessory controls it carries.
struct Alert
{
    enum class Style { Informational, Warning, Critical };

    Style style = Style::Warning;
    QString message;
    QString informativeText;
    QStringList buttons;
    // The button that Return presses.
    int defaultButton = 0;

    // A checkbox that keeps button `checkboxEnables` disabled until it is ticked.
    QString checkboxTitle;
    int checkboxEnables = 0;
    // A one-line text field holding this text (renaming).
    std::optional<QString> textField;
    // A labelled pop-up menu of choices.
    QString popupLabel;
    QStringList popupItems;
    int popupIndex = 0;
    // A read-only, selectable scrolling text (help). Lines that are headings are shown in bold.
    QString scrollText;
};

// What the user did with an alert.
struct AlertAnswer
{
    // Index into Alert::buttons; -1 when the alert was closed without a button.
    int button = -1;
    bool checked = false;
    QString text;
    int popupIndex = 0;
};

enum class Haptic { Generic, Alignment, LevelChange };

// Modal alerts and the other ways of getting the user's attention. Core code never talks to
// dialogs directly: the application plugs in real dialogs, tests plug in a script.
class Alerts
{
public:
    virtual ~Alerts() = default;

    virtual AlertAnswer run(const Alert& alert) = 0;
    // Brings the application to the front, ahead of other applications.
    virtual void bringToFront() = 0;
    virtual void beep() = 0;
    virtual void haptic(Haptic pattern) = 0;

    // An alert made from an error: brought to the front, its description as the message, its
    // details as the informative text, one OK.
    void showError(const TidoraError& error);
    void showError(const QString& description);
};
