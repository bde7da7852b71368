#pragma once

#include <QCheckBox>

// A checkbox whose title wraps within a fixed width, with the box beside the first line, as a
// confirmation checkbox under an alert's text looks. The whole title is clickable.
class WrappingCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    WrappingCheckBox(const QString& title, int width, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
