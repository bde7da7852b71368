#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

// The URL the file managers' context-menu action opens: tidorama://stack-selection stacks the
// Desktop's selected files. Scheme and host are compared exactly, case and all (the text as
// received, before any normalising); path, query and fragment are not read.
class UrlHandler
{
public:
    // Starts stacking the selection as work; refused while work runs.
    using StackSelection = std::function<void()>;
    using IsWorking = std::function<bool()>;

    UrlHandler(StackSelection stackSelection, IsWorking isWorking);

    // One delivery: each matching URL, in order, starts the stacking unless work runs. The
    // first one sets the work running, so several in one delivery start it once.
    void open(const QStringList& urls) const;

    static bool isStackSelection(QStringView url);
    // The scheme and host exactly as written; empty when the text has none.
    static QStringView scheme(QStringView url);
    static QStringView host(QStringView url);

private:
    StackSelection m_stackSelection;
    IsWorking m_isWorking;
};
