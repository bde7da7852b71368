#include "operations/OperationsLog.h"

Q_LOGGING_CATEGORY(lcOperations, "tidora.operations")
