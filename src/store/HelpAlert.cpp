#include "store/HelpAlert.h"

#include "store/StorageFolders.h"

namespace HelpAlert {

Alert alert(const StorageFolders& folders)
{
    Alert alert;
    alert.style = Alert::Style::Informational;
    alert.message = QStringLiteral("Help & Recovering Files");
    alert.scrollText = folders.helpText();
    alert.buttons = {QStringLiteral("Done"), QStringLiteral("Open the Stacks Folder")};
    alert.defaultButton = doneButton;
    return alert;
}

TidoraError noStacksFolder()
{
    return TidoraError{
        ErrorCode::noStacksFolder,
        QStringLiteral("Nothing is stacked right now, so there is no stacks folder.")};
}

} // namespace HelpAlert
