#pragma once

#include <QLoggingCategory>

// Log lines of the application shell ("tidora.app"). Its debug lines trace what the shell
// hands to the manager (launch, gestures, the marquee's selection); they are off by default.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
