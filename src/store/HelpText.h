#pragma once

#include <QString>

struct Wording;

// The places the help text names, as display paths ("~/…").
struct HelpPlaces
{
    // The hidden folder in Documents and the folder on the Desktop.
    QString documents;
    QString desktop;
    // The folder of the current storage location, and the other one.
    QString current;
    QString other;
    // The Desktop itself, where the recovery command puts the files.
    QString desktopFolder;
};

// The help text: where stacked files are, how to see, keep, recover and take them out. Shown
// in the help window and written, after the README's first paragraph, into README.txt.
QString helpText(const Wording& wording, const HelpPlaces& places);

// A display path as one word on a command line: the part after "~/" in single quotes when it
// holds anything a shell would split or expand; the path unchanged when it does not.
QString shellPath(const QString& displayPath);
