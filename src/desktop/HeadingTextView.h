#pragma once

#include <QTextEdit>

// A read-only but selectable scrolling text whose heading lines are bold, as the help shows it.
class HeadingTextView : public QTextEdit
{
    Q_OBJECT

public:
    static constexpr int viewWidth = 520;
    static constexpr int viewHeight = 360;

    explicit HeadingTextView(const QString& text, QWidget* parent = nullptr);

    // A heading has at least four characters, is unchanged by upper-casing and holds a letter:
    // "WHERE TO KEEP THEM", but neither "1. ~/Documents/.Tidora" nor "OK" nor "2024".
    static bool isHeading(const QString& line);
};
