#pragma once

#include <QDialog>

// "About Tidora": the program's symbol, its name, its version and the credits line.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    static inline const QString credits =
        QStringLiteral("Gather your desktop files into tidy stacks.");

    explicit AboutDialog(const QString& version, QWidget* parent = nullptr);

    // Shows it in front of every other window, on the current workspace.
    void present();
};
