#pragma once

#include <QList>
#include <QMutex>
#include <QRect>
#include <QString>

#include <optional>

// One icon of a desktop program as the accessibility bus shows it.
struct AtspiIcon
{
    // The label under the icon.
    QString name;
    // The icon image on the screen, when the program tells.
    std::optional<QRect> image;
};

// Reads the icons a desktop program has selected, over the accessibility bus (AT-SPI, through
// Qt D-Bus): the application's window flagged "is-desktop", and in it the icon view that offers
// the Selection interface (Caja and Nemo call it "Icon View").
//
// Safe on any thread: calls are blocking D-Bus calls on one shared connection, and the found
// icon view is remembered under a lock.
class AtspiDesktop
{
public:
    // `application` is the name the program registers with ("caja", "nemo-desktop", …). A
    // program that draws nothing but the Desktop may leave its window unflagged
    // (`everyWindowIsDesktop`).
    AtspiDesktop(QString application, bool everyWindowIsDesktop);
    ~AtspiDesktop();
    AtspiDesktop(const AtspiDesktop&) = delete;
    AtspiDesktop& operator=(const AtspiDesktop&) = delete;

    // Nothing, with the reason, when the bus or the program's icon view cannot be reached.
    std::optional<QList<AtspiIcon>> selectedIcons(QString* failure);

private:
    struct Node
    {
        QString service;
        QString path;
    };

    bool connect(QString* failure);
    std::optional<Node> findIconView(QString* failure);
    std::optional<QList<AtspiIcon>> readSelection(const Node& view, QString* failure);

    QString m_application;
    bool m_everyWindowIsDesktop;
    QString m_connectionName;
    QMutex m_mutex;
    bool m_connected = false;
    std::optional<Node> m_iconView;
};
