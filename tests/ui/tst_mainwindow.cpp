// The real window, offscreen: every control is there under its designer name, and the
// user's typing, picks and clicks reach the window model.

#include "formfixture.h"
#include "ui/mainwindow.h"

#include <QtTest>
#include <QtWidgets>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyControlByName();
    void typingFollowsTheFilters_data();
    void typingFollowsTheFilters();
    void programTextIsNeverCut();
    void pasteIsCutToTheLimit();
    void focusAndDeleteKeysPassTheFilters_data();
    void focusAndDeleteKeysPassTheFilters();
    void listTextStaysAsTyped_data();
    void listTextStaysAsTyped();
    void returnInAListIsNoPick();
    void pickingAnAddressMode();
    void clickReachesHandler();
    void checkBoxClick();
    void modelChangesAreShown();
    void statusLogShowsLines();
    void saveAndLoadThroughTheDialogs();
    void statusLogFollowsAppendsAndReplacements();

private:
    template <typename W> W *widget(const QString &name)
    {
        W *found = window->findChild<W *>(name);
        if (!found)
            qFatal("no widget %s", qPrintable(name));
        return found;
    }

    std::unique_ptr<FormFixture> fx;
    std::unique_ptr<MainWindow> window;
};

void TestMainWindow::init()
{
    fx = std::make_unique<FormFixture>();
    fx->addPort("/dev/ttyUSB0");
    fx->create();
    window = std::make_unique<MainWindow>(*fx->form);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestMainWindow::cleanup()
{
    window.reset();
    fx.reset();
}

void TestMainWindow::everyControlByName()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Zandrel KS936 aprs config"));
    QStringList names = {"Frame1",   "Label3",       "Text4",    "Label9",   "Combo5",   "Text5",
                         "Frame5",   "Combo16",      "Combo4",   "Label6",   "Text8",    "Label11",
                         "Text7",    "Frame4",       "Text31",   "Label21",  "Text32",   "Check1",
                         "Combo7",   "Combo6",       "Combo8",   "Combo3",   "Text10",   "Text11",
                         "Frame6",   "Text34",       "Text33",   "Command8", "Frame2",   "Label5",
                         "Combo2",   "Text29",       "Frame3",   "Text12",   "Text6",    "Combo1",
                         "Command6", "Command4",     "Command1", "Command0", "Command7", "Command5",
                         "Command2", "ProgressBar1", "Text3",    "Label22",  "Command9", "Text1",
                         "Text30",   "Text2",        "Text9",    "Command3", "Label2"};
    for (int n = 13; n <= 28; ++n)
        names << QStringLiteral("Text%1").arg(n);
    for (const QString &name : names) {
        QWidget *found = window->findChild<QWidget *>(name);
        QVERIFY2(found, qPrintable(name));
        QCOMPARE(found->accessibleDescription(), name);
    }
    // Visible controls show; the ones outside the visible area do not.
    for (const char *name : {"Text4", "Combo1", "Command6", "Text3", "Text29", "ProgressBar1"})
        QVERIFY2(window->findChild<QWidget *>(name)->isVisible(), name);
    for (const char *name : {"Text1", "Text30", "Text2", "Text9", "Command3", "Label2"})
        QVERIFY2(!window->findChild<QWidget *>(name)->isVisible(), name);

    // Text3 is the one visible control outside Frame1, drawn over it.
    QCOMPARE(widget<QLineEdit>("Text3")->parentWidget(), window.get());
    QVERIFY(widget<QGroupBox>("Frame1")->isAncestorOf(widget<QPushButton>("Command9")));

    QCOMPARE(widget<QPushButton>("Command6")->text(), QStringLiteral("Read data"));
    QCOMPARE(widget<QPushButton>("Command6")->accessibleName(), QStringLiteral("Read data"));
    QCOMPARE(widget<QLineEdit>("Text4")->accessibleName(), QStringLiteral("Callsign"));
    QCOMPARE(widget<QGroupBox>("Frame4")->title(), QStringLiteral("RF RADIO"));
    QCOMPARE(widget<QLineEdit>("Text12")->text(), QStringLiteral("Config 20161208"));
    QCOMPARE(widget<QLineEdit>("Text32")->text(), QStringLiteral("---"));
    QVERIFY(!widget<QLineEdit>("Text32")->isEnabled());
    QVERIFY(!widget<QPushButton>("Command7")->isEnabled());
    QCOMPARE(widget<QComboBox>("Combo16")->count(), 7);
    QCOMPARE(widget<QComboBox>("Combo16")->currentText(), QString()); // nothing selected
    QCOMPARE(widget<QComboBox>("Combo1")->itemText(0), QStringLiteral("COM1"));
    QCOMPARE(widget<QComboBox>("Combo1")->itemData(0, Qt::ToolTipRole).toString(),
             QStringLiteral("/dev/ttyUSB0"));
}

void TestMainWindow::typingFollowsTheFilters_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::newRow("callsign") << "Text4"
                              << "ab1cd"
                              << "AB1CD";
    QTest::newRow("callsign limit") << "Text4"
                                    << "abcdefgh"
                                    << "ABCDEF";
    QTest::newRow("passcode") << "Text5"
                              << "12a"
                              << "12";
    QTest::newRow("passcode limit") << "Text5"
                                    << "1234567"
                                    << "12345";
    QTest::newRow("tx time") << "Text10"
                             << "6 0x0"
                             << "600";
    QTest::newRow("frequency") << "Text31"
                               << "14,4/6"
                               << "144/6";
    QTest::newRow("address box free") << "Text13"
                                      << "any thing"
                                      << "any thing";
}

void TestMainWindow::typingFollowsTheFilters()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    auto *edit = widget<QLineEdit>(field);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), result);
    TextBox *box = nullptr;
    for (TextBox *candidate : {&fx->form->Text4, &fx->form->Text5, &fx->form->Text10,
                               &fx->form->Text31, &fx->form->Text13})
        if (candidate->name() == field)
            box = candidate;
    QCOMPARE(box->text(), result);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(box->text(), result.chopped(1));
}

void TestMainWindow::programTextIsNeverCut()
{
    fx->form->Text4.setText("AB1CDEFGHIJ");
    auto *edit = widget<QLineEdit>("Text4");
    QCOMPARE(edit->text(), QStringLiteral("AB1CDEFGHIJ"));
    QTest::keyClicks(edit, "k"); // over the limit already: refused
    QCOMPARE(fx->form->Text4.text(), QStringLiteral("AB1CDEFGHIJ"));
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Backspace); // shortening is allowed
    QCOMPARE(fx->form->Text4.text(), QStringLiteral("AB1CDEFGHI"));
}

void TestMainWindow::pasteIsCutToTheLimit()
{
    auto *edit = widget<QLineEdit>("Text4");
    QTest::keyClicks(edit, "ab");
    edit->setCursorPosition(1);
    QGuiApplication::clipboard()->setText("WXYZQR");
    edit->paste();
    QCOMPARE(fx->form->Text4.text(), QStringLiteral("AWXYZB")); // four of six fit
}

void TestMainWindow::focusAndDeleteKeysPassTheFilters_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("passcode") << "Text5";
    QTest::newRow("tx time") << "Text10";
    QTest::newRow("frequency") << "Text31";
}

void TestMainWindow::focusAndDeleteKeysPassTheFilters()
{
    QFETCH(QString, field);
    auto *edit = widget<QLineEdit>(field);
    QTest::keyClicks(edit, "123");
    edit->setCursorPosition(0);
    // The Delete key as a keyboard sends it, with the character code 127.
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
    QApplication::sendEvent(edit, &del);
    QCOMPARE(edit->text(), QStringLiteral("23"));

    edit->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return edit->hasFocus(); }));
    QTest::keyClick(edit, Qt::Key_Tab);
    QVERIFY(!edit->hasFocus());
}

void TestMainWindow::listTextStaysAsTyped_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("typed");
    QTest::newRow("server address") << "Combo3"
                                    << "192.168.1.1";
    QTest::newRow("backlight") << "Combo16"
                               << "0";
    QTest::newRow("path") << "Combo7"
                          << "w";
}

void TestMainWindow::listTextStaysAsTyped()
{
    QFETCH(QString, list);
    QFETCH(QString, typed);
    auto *combo = widget<QComboBox>(list);
    combo->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return combo->hasFocus(); }));
    QTest::keyClicks(combo, typed);
    QCOMPARE(combo->currentText(), typed);
    for (ComboBox *model : {&fx->form->Combo3, &fx->form->Combo16, &fx->form->Combo7})
        if (model->name() == list)
            QCOMPARE(model->text(), typed);
}

void TestMainWindow::returnInAListIsNoPick()
{
    fx->form->Combo1.pick("COM1");
    QTest::keyClicks(widget<QComboBox>("Combo2")->lineEdit(), "DHCP");
    QTest::keyClick(widget<QComboBox>("Combo2")->lineEdit(), Qt::Key_Return);
    QVERIFY(fx->form->Text13.isEnabled());
    auto *port = widget<QComboBox>("Combo1");
    port->lineEdit()->selectAll();
    QTest::keyClicks(port->lineEdit(), "COM2");
    QTest::keyClick(port->lineEdit(), Qt::Key_Return);
    QCOMPARE(fx->form->Combo1.text(), QStringLiteral("COM2"));
    QCOMPARE(fx->form->MSComm1.CommPort(), 1);
}

void TestMainWindow::pickingAnAddressMode()
{
    auto *mode = widget<QComboBox>("Combo2");
    fx->form->Combo2.setText("STATIC IP"); // set by the program: no pick
    QVERIFY(widget<QLineEdit>("Text13")->isEnabled());
    QCOMPARE(mode->currentText(), QStringLiteral("STATIC IP"));

    mode->setFocus();
    mode->showPopup();
    QTest::keyClick(mode->view(), Qt::Key_Home);
    QTest::keyClick(mode->view(), Qt::Key_Enter); // the user picks "DHCP"
    QTRY_COMPARE(fx->form->Combo2.text(), QStringLiteral("DHCP"));
    QVERIFY(!widget<QLineEdit>("Text13")->isEnabled());
    QVERIFY(!widget<QLineEdit>("Text28")->isEnabled());

    QTest::keyClicks(mode->lineEdit(), "X"); // typing is no pick
    QVERIFY(!fx->form->Text13.isEnabled());
}

void TestMainWindow::clickReachesHandler()
{
    QTest::mouseClick(widget<QPushButton>("Command0"), Qt::LeftButton);
    QCOMPARE(widget<QLineEdit>("Text4")->text(), QStringLiteral("NOCALL"));
    QCOMPARE(widget<QComboBox>("Combo8")->currentText(), QStringLiteral("WIDE1+WIDE2"));
    QVERIFY(widget<QCheckBox>("Check1")->isChecked());
    QVERIFY(widget<QPushButton>("Command7")->isEnabled());
}

void TestMainWindow::checkBoxClick()
{
    auto *check = widget<QCheckBox>("Check1");
    const QPoint onBox(6, check->height() / 2);
    QTest::mouseClick(check, Qt::LeftButton, {}, onBox);
    QCOMPARE(fx->form->Check1.value(), 1);
    QTest::mouseClick(check, Qt::LeftButton, {}, onBox);
    QCOMPARE(fx->form->Check1.value(), 0);
    fx->form->Check1.setValue(2);
    QCOMPARE(check->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(check, Qt::LeftButton, {}, onBox);
    QCOMPARE(fx->form->Check1.value(), 1);
}

void TestMainWindow::modelChangesAreShown()
{
    fx->form->Command6.setCaption("reading");
    QCOMPARE(widget<QPushButton>("Command6")->text(), QStringLiteral("reading"));
    fx->form->ProgressBar1.setMaximum(8);
    fx->form->ProgressBar1.setValue(3);
    QCOMPARE(widget<QProgressBar>("ProgressBar1")->value(), 3);
    fx->form->Label2.setCaption("update complete");
    QCOMPARE(widget<QLabel>("Label2")->text(), QStringLiteral("update complete"));
}

void TestMainWindow::statusLogShowsLines()
{
    fx->form->Text29.setText("Connection OK\r\nReading 1/20Times......\r\nread ok");
    auto *log = widget<QPlainTextEdit>("Text29");
    QCOMPARE(log->toPlainText(), QStringLiteral("Connection OK\nReading 1/20Times......\nread ok"));
    QCOMPARE(fx->form->Text29.text(),
             QStringLiteral("Connection OK\r\nReading 1/20Times......\r\nread ok"));
}

void TestMainWindow::saveAndLoadThroughTheDialogs()
{
    QTest::mouseClick(widget<QPushButton>("Command0"), Qt::LeftButton);
    const QString file = fx->path("station.ini");
    fx->dialogs.fileAnswers << file;
    QTest::mouseClick(widget<QPushButton>("Command5"), Qt::LeftButton);
    QVERIFY(QFile::exists(file));
    QCOMPARE(fx->dialogs.fileRequests.last().title, QStringLiteral("Save"));
    QCOMPARE(fx->dialogs.fileRequests.last().filter, QStringLiteral("setup file (*.ini)"));
    QCOMPARE(fx->dialogs.fileRequests.last().initialFolder, fx->folder.path());

    auto *callsign = widget<QLineEdit>("Text4");
    callsign->selectAll();
    QTest::keyClicks(callsign, "ab1c");
    QCOMPARE(fx->form->Text4.text(), QStringLiteral("AB1C"));

    fx->dialogs.fileAnswers << file;
    QTest::mouseClick(widget<QPushButton>("Command4"), Qt::LeftButton);
    QCOMPARE(callsign->text(), QStringLiteral("NOCALL"));
    QCOMPARE(fx->dialogs.fileRequests.last().title, QStringLiteral("Please choose fireware."));
    QVERIFY(widget<QPlainTextEdit>("Text29")->toPlainText().startsWith(file + "\n\n[MELKO]\n"));
    QVERIFY(fx->dialogs.messages.isEmpty());
}

void TestMainWindow::statusLogFollowsAppendsAndReplacements()
{
    TextBox &log = fx->form->Text29;
    auto *shown = widget<QPlainTextEdit>("Text29");
    log.setText("Writing......");
    log.appendText("Write fail\r");
    log.appendText("\nsecond\r\n"); // a line end split over two appends
    QCOMPARE(shown->toPlainText(), QStringLiteral("Writing......Write fail\nsecond\n"));
    log.setText("Connection OK"); // replaced, not appended
    QCOMPARE(shown->toPlainText(), QStringLiteral("Connection OK"));

    for (int i = 0; i < 5000; ++i) // a long file loaded line by line
        log.appendText(QStringLiteral("\r\nLINE%1").arg(i));
    QCOMPARE(shown->blockCount(), 5001);
    QCOMPARE(shown->document()->findBlockByNumber(0).text(), QStringLiteral("Connection OK"));
    QCOMPARE(shown->document()->findBlockByNumber(5000).text(), QStringLiteral("LINE4999"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
