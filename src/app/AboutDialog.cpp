#include "app/AboutDialog.h"

#include "desktop/MenuBarIconPainter.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

AboutDialog::AboutDialog(const QString& version, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("About Tidora"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 16);
    layout->setSpacing(8);

    auto* symbol = new QLabel;
    // The tray's symbol drawn at 64 points (it is designed at 18).
    const qreal ratio = devicePixelRatioF();
    QImage image =
        MenuBarIconPainter::idleImage(ratio * 64 / 18, palette().color(QPalette::WindowText));
    image.setDevicePixelRatio(ratio);
    symbol->setPixmap(QPixmap::fromImage(image));
    symbol->setAlignment(Qt::AlignCenter);
    layout->addWidget(symbol);

    auto* name = new QLabel(QStringLiteral("Tidora"));
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.3);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);

    auto* versionLabel = new QLabel(tr("Version %1").arg(version));
    versionLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(versionLabel);

    // The credits: small (11 points where the system font has 13), in the secondary text colour,
    // centred.
    auto* creditsLabel = new QLabel(credits);
    creditsLabel->setObjectName(QStringLiteral("credits"));
    QFont small = creditsLabel->font();
    small.setPointSizeF(small.pointSizeF() * 11 / 13);
    creditsLabel->setFont(small);
    QPalette secondary = creditsLabel->palette();
    secondary.setColor(QPalette::WindowText, palette().color(QPalette::PlaceholderText));
    creditsLabel->setPalette(secondary);
    creditsLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(creditsLabel);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void AboutDialog::present()
{
    show();
    raise();
    activateWindow();
}
