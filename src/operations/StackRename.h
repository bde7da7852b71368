#pragma once

#include <QString>
#include <QUuid>

class StackManager;

// Asks for a stack's new name. Spaces and tabs around it are dropped (line breaks are kept);
// an empty answer keeps the old name. Only the shown name changes, never the folder's.
void renameStack(StackManager& manager, const QUuid& id);
// The name as typed, without the spaces and tabs at either end.
QString trimmedStackName(const QString& typed);
