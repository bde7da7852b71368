#include "desktop/AlertDialog.h"
#include "desktop/QtAlerts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QString understand = QStringLiteral(
    "I understand that my stacked files are kept in this folder, and that I must remove the app "
    "with Uninstall Tidora….");

Alert firstRunAlert(bool beforeStacking)
{
    Alert alert;
    alert.message = QStringLiteral("Important: where your stacked files go");
    alert.informativeText = QStringLiteral("Stacking moves your real files, not copies.");
    alert.buttons = beforeStacking
                        ? QStringList{QStringLiteral("Continue"), QStringLiteral("Cancel")}
                        : QStringList{QStringLiteral("OK")};
    alert.popupLabel = QStringLiteral("Keep stacked files in:");
    alert.popupItems = {QStringLiteral("Hidden Folder in Documents"),
                        QStringLiteral("Folder on the Desktop (for cloud sync)")};
    alert.checkboxTitle = understand;
    return alert;
}

Alert renameAlert(const QString& name)
{
    Alert alert;
    alert.style = Alert::Style::Informational;
    alert.message = QStringLiteral("Rename Stack");
    alert.buttons = {QStringLiteral("Rename"), QStringLiteral("Cancel")};
    alert.textField = name;
    return alert;
}

// Shows the dialog as exec() would, without blocking.
void show(AlertDialog& dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

} // namespace

class TestAlertDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theCheckboxGatesTheConfirmingButton();
    void launchAlertClosesOnlyThroughItsCheckbox();
    void dismissingAnswersAsTheButtonsSay_data();
    void dismissingAnswersAsTheButtonsSay();
    void textFieldGivesBackTheName();
    void longTextsAreLiteralAndFitTheScreen();
    void runAnswersFromTheModalDialog();
};

void TestAlertDialog::theCheckboxGatesTheConfirmingButton()
{
    Alert alert = firstRunAlert(true);
    alert.popupIndex = 1;
    AlertDialog dialog(alert);
    show(dialog);
    QPushButton* proceed = dialog.button(0);
    QCheckBox* box = dialog.checkBox();
    QVERIFY(box);
    QVERIFY(!proceed->isEnabled());
    QVERIFY(dialog.button(1)->isEnabled());
    QCOMPARE(dialog.popup()->currentIndex(), 1);

    // Return presses the default button only once it is enabled.
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    // A click on the wrapped title, not just on the indicator, ticks the box.
    QVERIFY(box->text().contains(u'\n'));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() / 2, box->height() / 2));
    QVERIFY(proceed->isEnabled());
    box->click();
    QVERIFY(!proceed->isEnabled());
    box->click();

    dialog.popup()->setFocus();
    QTest::keyClick(dialog.popup(), Qt::Key_Up);
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    const AlertAnswer answer = dialog.answer();
    QCOMPARE(answer.button, 0);
    QVERIFY(answer.checked);
    QCOMPARE(answer.popupIndex, 0);
}

void TestAlertDialog::launchAlertClosesOnlyThroughItsCheckbox()
{
    AlertDialog dialog(firstRunAlert(false));
    show(dialog);
    QPushButton* ok = dialog.button(0);
    // The focus is elsewhere, so Space cannot press the disabled button.
    QVERIFY(dialog.focusWidget() != ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(dialog.isVisible());

    // Neither Escape nor the window's close button gets past it, before the box is ticked or
    // after; the window offers no close button at all.
    QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    for (int ticked = 0; ticked < 2; ++ticked) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.close());
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.answer().button, -1);
        dialog.checkBox()->setChecked(true);
    }
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.answer().button, 0);
}

void TestAlertDialog::dismissingAnswersAsTheButtonsSay_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("gesture");
    QTest::addColumn<int>("button");
    const QStringList bin{QStringLiteral("Cancel"), QStringLiteral("Move to Bin")};
    QTest::newRow("bin: Return with the focus on the other button") << bin << 0 << 0;
    QTest::newRow("bin: Escape") << bin << 1 << 0;
    QTest::newRow("bin: closing the window") << bin << 2 << 0;
    QTest::newRow("bin: a click on Move to Bin") << bin << 3 << 1;
    // Without a "Cancel", Escape closes with no button.
    QTest::newRow("error: Escape") << QStringList{QStringLiteral("OK")} << 1 << -1;
    QTest::newRow("Cancel second: Escape presses it")
        << QStringList{QStringLiteral("Continue"), QStringLiteral("Cancel")} << 1 << 1;
}

void TestAlertDialog::dismissingAnswersAsTheButtonsSay()
{
    QFETCH(QStringList, buttons);
    QFETCH(int, gesture);
    QFETCH(int, button);
    Alert alert;
    alert.message = QStringLiteral("Move this stack to the Bin?");
    alert.buttons = buttons;
    AlertDialog dialog(alert);
    show(dialog);
    switch (gesture) {
    case 0:
        dialog.button(1)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        break;
    case 1:
        QTest::keyClick(&dialog, Qt::Key_Escape);
        break;
    case 2:
        dialog.close();
        break;
    default:
        QTest::mouseClick(dialog.button(1), Qt::LeftButton);
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.answer().button, button);
}

void TestAlertDialog::textFieldGivesBackTheName()
{
    // A name with quotes, backslashes, tabs and markup shows as it is.
    const QString name = QStringLiteral("\"it's\" \\ a\tname & <b>more</b>");
    AlertDialog dialog(renameAlert(name));
    show(dialog);
    QLineEdit* field = dialog.textField();
    QVERIFY(field);
    QCOMPARE(field->text(), name);
    QCOMPARE(dialog.focusWidget(), field);
    // The name is selected, so typing replaces it; Return in the field renames.
    QTest::keyClicks(field, QStringLiteral("  Photos "));
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.answer().button, 0);
    QCOMPARE(dialog.answer().text, QStringLiteral("  Photos "));
}
void TestAlertDialog::longTextsAreLiteralAndFitTheScreen()
{
    // Hundreds of names, one of them markup, one far too long for a line.
    QStringList names{QStringLiteral("“<b>a</b>”"),
                      QStringLiteral("“") + QString(300, u'x') + QStringLiteral(".png”")};
    for (int i = 0; i < 300; ++i)
        names.append(QStringLiteral("“Screenshot %1.png”").arg(i));
    Alert alert;
    alert.style = Alert::Style::Critical;
    alert.message = QStringLiteral("Some items couldn't be moved to the Bin and remain in their "
                                   "stacks: ") +
                    names.join(QStringLiteral(", "));
    alert.informativeText = QStringLiteral("Unable to create trash directory: Not a directory.");
    alert.buttons = {QStringLiteral("OK")};
    AlertDialog dialog(alert);
    show(dialog);
    QVERIFY(dialog.width() < 600);
    QVERIFY(dialog.frameGeometry().height() <= dialog.screen()->availableGeometry().height());

    bool found = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text().contains(QStringLiteral("<b>a</b>"))) {
            found = true;
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QVERIFY(label->font().bold());
            QVERIFY(label->sizeHint().width() <= label->width());
            QString joined = label->text();
            QCOMPARE(joined.remove(u'\n').count(u'x'), 300);
        }
        // The reason stays in view below the names.
        if (label->text().contains(QStringLiteral("Not a directory")))
            QVERIFY(!label->visibleRegion().isEmpty());
    }
    QVERIFY(found);
}

void TestAlertDialog::runAnswersFromTheModalDialog()
{
    QtAlerts alerts;
    bool wasModal = false;
    QTimer::singleShot(0, this, [&wasModal] {
        auto* dialog = qobject_cast<AlertDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        wasModal = dialog->isModal();
        QTest::keyClicks(dialog->textField(), QStringLiteral("Photos"));
        QTest::keyClick(dialog->textField(), Qt::Key_Return);
    });
    const AlertAnswer answer = alerts.run(renameAlert(QStringLiteral("3 Screenshots")));
    QVERIFY(wasModal);
    QCOMPARE(answer.button, 0);
    QCOMPARE(answer.text, QStringLiteral("Photos"));

    // An error report: critical, its description as the message, one OK that Return presses.
    QString shown;
    QTimer::singleShot(0, this, [&shown] {
        auto* dialog = qobject_cast<AlertDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            shown += label->text().replace(u'\n', u' ');
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    alerts.showError(QStringLiteral("Nothing is stacked right now, so there is no stacks folder."));
    QVERIFY(shown.contains(QStringLiteral("no stacks folder.")));
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestAlertDialog)
#include "tst_alertdialog.moc"
