// What the window shows about connecting: a message box whose details are on screen and
// readable through accessibility, and a port list that looks again when it opens.

#include "formfixture.h"
#include "ui/mainwindow.h"
#include "ui/qtuserdialogs.h"

#include <QtTest>
#include <QtWidgets>

class TestConnectionWindow : public QObject
{
    Q_OBJECT

private slots:
    void messageShowsItsDetails();
    void messageWithoutDetails();
    void openingThePortListLooksAgain();

private:
    struct ShownBox
    {
        QString text;
        bool detailsVisible = false;
        QString detailsShown;
        QString detailsReadAloud; // what an assistive technology reads for them
        bool selectable = false;
    };
    // Shows the message through the real dialogs and notes what the box showed.
    static ShownBox show(const QString &text, const QString &details)
    {
        ShownBox shown;
        bool seen = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = true;
            shown.text = box->text();
            for (QLabel *label : box->findChildren<QLabel *>()) {
                if (!label->isVisible() || label->text() == box->text() || label->text().isEmpty())
                    continue;
                shown.detailsVisible = true;
                shown.detailsShown = label->text();
                if (QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(label))
                    shown.detailsReadAloud = a11y->text(QAccessible::Name);
                shown.selectable = label->textInteractionFlags() & Qt::TextSelectableByMouse;
            }
            box->accept();
        });
        poll.start();
        QtUserDialogs dialogs;
        dialogs.message(text, details);
        if (!seen)
            qWarning("no message box was shown");
        return shown;
    }
};

void TestConnectionWindow::messageShowsItsDetails()
{
    const QString details = "/dev/ttyUSB0: Permission denied.\n\nYour user may not use this "
                            "serial port.\nsudo usermod -aG dialout $USER";
    const ShownBox box = show("Port is open or no", details);
    QCOMPARE(box.text, QStringLiteral("Port is open or no"));
    QVERIFY(box.detailsVisible); // on screen at once, not behind a button
    QCOMPARE(box.detailsShown, details);
    QCOMPARE(box.detailsReadAloud, details);
    QVERIFY(box.selectable); // the command can be copied
}

void TestConnectionWindow::messageWithoutDetails()
{
    const ShownBox box = show("Port is open", QString());
    QCOMPARE(box.text, QStringLiteral("Port is open"));
    QVERIFY(!box.detailsVisible);
}

void TestConnectionWindow::openingThePortListLooksAgain()
{
    FormFixture fx;
    fx.addPort("/dev/ttyUSB0");
    fx.create();
    MainWindow window(*fx.form);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *list = window.findChild<QComboBox *>("Combo1");
    QVERIFY(list);
    list->setEditText("COM1");
    const auto toolTips = [list] {
        QStringList tips;
        for (int i = 0; i < list->count(); ++i)
            tips << list->itemData(i, Qt::ToolTipRole).toString();
        return tips;
    };

    fx.addPort("/dev/ttyUSB1");
    list->showPopup();
    QCOMPARE(list->count(), 2);
    QCOMPARE(toolTips(), (QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1"}));
    list->hidePopup();

    // The same number of items, one of them for another device.
    fx.removePort("/dev/ttyUSB0");
    fx.addPort("/dev/ttyACM0");
    list->showPopup();
    QCOMPARE(list->itemText(0), QStringLiteral("COM1"));
    QCOMPARE(toolTips(), (QStringList{"/dev/ttyACM0", "/dev/ttyUSB1"}));
    QCOMPARE(list->currentText(), QStringLiteral("COM1"));
    QCOMPARE(fx.form->Combo1.text(), QStringLiteral("COM1"));
    list->hidePopup();
}

QTEST_MAIN(TestConnectionWindow)
#include "tst_connectionwindow.moc"
