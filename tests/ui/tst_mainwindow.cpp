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
    void longDeviceLineStaysCheap();
    void oversizedFileIsRefused();
    void everyControlByName();
    void typingFollowsTheFilters_data();
    void typingFollowsTheFilters();
    void programTextIsNeverCut();
    void pasteIsCutToTheLimit();
    void focusAndDeleteKeysPassTheFilters_data();
    void focusAndDeleteKeysPassTheFilters();
    void listTextStaysAsTyped_data();
    void listTextStaysAsTyped();
    void returnInAListIsNoPick_data();
    void returnInAListIsNoPick();
    void pickingAnAddressMode();
    void clickReachesHandler();
    void checkBoxClick();
    void modelChangesAreShown();
    void statusLogShowsLines();
    void saveAndLoadThroughTheDialogs();
    void statusLogFollowsAppendsAndReplacements();
    void everyChangeReachesTheModel_data();
    void everyChangeReachesTheModel();
    void saveWritesWhatAssistiveTechnologySet();
    void widgetsCatchUpOncePerPass();
    void typingKeepsCursorAndSelection();
    void progressTextIsShown();
    void tabReachesEveryControl();
    void accessibleNamesFollowCaptions_data();
    void accessibleNamesFollowCaptions();
    void closingDuringATransferIsAsked();

private:
    template <typename W> W *widget(const QString &name)
    {
        W *found = window->findChild<W *>(name);
        if (!found)
            qFatal("no widget %s", qPrintable(name));
        return found;
    }

    TextBox &textBox(const QString &name)
    {
        Form1 &f = *fx->form;
        for (TextBox *box : {&f.Text4, &f.Text5, &f.Text8, &f.Text7, &f.Text10, &f.Text11,
                             &f.Text31, &f.Text34, &f.Text33, &f.Text29, &f.Text3, &f.Text1})
            if (box->name() == name)
                return *box;
        for (TextBox *box : f.addressBoxes)
            if (box->name() == name)
                return *box;
        qFatal("no text box %s", qPrintable(name));
    }

    // Lets the widgets catch up with the model: they do so once per event-loop pass.
    static void settle() { QCoreApplication::processEvents(); }

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
    for (const char *name :
         {"Text4", "Combo1", "Command6", "Text3", "Text29", "ProgressBar1", "Label2"})
        QVERIFY2(window->findChild<QWidget *>(name)->isVisible(), name);
    for (const char *name : {"Text1", "Text30", "Text2", "Text9", "Command3"})
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
    settle();
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

void TestMainWindow::returnInAListIsNoPick_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("toInnerEdit"); // keys sent past the list to its text field
    QTest::newRow("port, Return") << "Combo1"
                                  << "COM1" << int(Qt::Key_Return) << false;
    QTest::newRow("port, Enter") << "Combo1"
                                 << "COM1" << int(Qt::Key_Enter) << false;
    QTest::newRow("address mode, Return") << "Combo2"
                                          << "DHCP" << int(Qt::Key_Return) << false;
    QTest::newRow("port, inner edit") << "Combo1"
                                      << "COM1" << int(Qt::Key_Return) << true;
    QTest::newRow("address mode, inner edit") << "Combo2"
                                              << "DHCP" << int(Qt::Key_Return) << true;
}

void TestMainWindow::returnInAListIsNoPick()
{
    QFETCH(QString, list);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(bool, toInnerEdit);
    fx->form->Combo1.pick("COM2"); // port 2; "COM1" is the list's one item
    QCOMPARE(fx->form->MSComm1.CommPort(), 2);
    auto *combo = widget<QComboBox>(list);
    combo->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return combo->hasFocus(); }));
    // The keys go where the keyboard sends them: to the focused widget.
    QWidget *target = toInnerEdit ? combo->lineEdit() : QApplication::focusWidget();
    QCOMPARE(target, toInnerEdit ? static_cast<QWidget *>(combo->lineEdit()) : combo);
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(target, typed);
    QTest::keyClick(target, Qt::Key(key));
    settle();

    QCOMPARE(combo->currentText(), typed);
    if (list == "Combo1") {
        QCOMPARE(fx->form->Combo1.text(), typed);
        QCOMPARE(fx->form->MSComm1.CommPort(), 2);
    } else {
        QCOMPARE(fx->form->Combo2.text(), typed);
        QVERIFY(fx->form->Text13.isEnabled());
        QVERIFY(widget<QLineEdit>("Text28")->isEnabled());
    }
}

void TestMainWindow::pickingAnAddressMode()
{
    auto *mode = widget<QComboBox>("Combo2");
    fx->form->Combo2.setText("STATIC IP"); // set by the program: no pick
    settle();
    QVERIFY(widget<QLineEdit>("Text13")->isEnabled());
    QCOMPARE(mode->currentText(), QStringLiteral("STATIC IP"));

    mode->setFocus();
    mode->showPopup();
    QTest::keyClick(mode->view(), Qt::Key_Home);
    QTest::keyClick(mode->view(), Qt::Key_Enter); // the user picks "DHCP"
    QTRY_COMPARE(fx->form->Combo2.text(), QStringLiteral("DHCP"));
    settle();
    QVERIFY(!widget<QLineEdit>("Text13")->isEnabled());
    QVERIFY(!widget<QLineEdit>("Text28")->isEnabled());

    QTest::keyClicks(mode->lineEdit(), "X"); // typing is no pick
    QVERIFY(!fx->form->Text13.isEnabled());
}

void TestMainWindow::clickReachesHandler()
{
    QTest::mouseClick(widget<QPushButton>("Command0"), Qt::LeftButton);
    settle();
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
    settle();
    QCOMPARE(check->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(check, Qt::LeftButton, {}, onBox);
    QCOMPARE(fx->form->Check1.value(), 1);
}

void TestMainWindow::modelChangesAreShown()
{
    fx->form->Command6.setCaption("reading");
    settle();
    QCOMPARE(widget<QPushButton>("Command6")->text(), QStringLiteral("reading"));
    fx->form->ProgressBar1.setMaximum(8);
    fx->form->ProgressBar1.setValue(3);
    settle();
    QCOMPARE(widget<QProgressBar>("ProgressBar1")->value(), 3);
    fx->form->Label2.setCaption("update complete");
    settle();
    QCOMPARE(widget<QLabel>("Label2")->text(), QStringLiteral("update complete"));
}

void TestMainWindow::statusLogShowsLines()
{
    fx->form->Text29.setText("Connection OK\r\nReading 1/20Times......\r\nread ok");
    settle();
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
    settle();
    QCOMPARE(callsign->text(), QStringLiteral("NOCALL"));
    QCOMPARE(fx->dialogs.fileRequests.last().title, QStringLiteral("Please choose fireware."));
    QVERIFY(widget<QPlainTextEdit>("Text29")->toPlainText().startsWith(file + "\n\n[MELKO]\n"));
    QVERIFY(fx->dialogs.messages.isEmpty());
}

void TestMainWindow::statusLogFollowsAppendsAndReplacements()
{
    TextBox &log = fx->form->Text29;
    auto *shown = widget<QPlainTextEdit>("Text29");
    // Each change of the document: where it began and how much it removed.
    QList<QPair<int, int>> edits;
    connect(shown->document(), &QTextDocument::contentsChange, this,
            [&edits](int position, int removed, int) {
                edits.append({position, removed});
            });

    log.setText("Writing......");
    settle();
    log.appendText("Write fail\r");
    settle();
    log.appendText("\nsecond\r\n"); // a line end split over two passes
    settle();
    QCOMPARE(shown->toPlainText(), QStringLiteral("Writing......Write fail\nsecond\n"));
    QCOMPARE(edits.size(), 3);
    QCOMPARE(edits[1], qMakePair(13, 0)); // added at the end, nothing redrawn
    QCOMPARE(edits[2], qMakePair(24, 0));

    log.setText("Connection OK"); // replaced, not appended
    settle();
    QCOMPARE(shown->toPlainText(), QStringLiteral("Connection OK"));
    QCOMPARE(edits.last().first, 0);

    edits.clear();
    for (int i = 0; i < 5000; ++i) // a long file loaded line by line, in one event
        log.appendText(QStringLiteral("\r\nLINE%1").arg(i));
    settle();
    QCOMPARE(edits.size(), 1);
    QCOMPARE(edits[0], qMakePair(13, 0));
    QCOMPARE(shown->blockCount(), 5001);
    QCOMPARE(shown->document()->findBlockByNumber(0).text(), QStringLiteral("Connection OK"));
    QCOMPARE(shown->document()->findBlockByNumber(5000).text(), QStringLiteral("LINE4999"));
}

void TestMainWindow::everyChangeReachesTheModel_data()
{
    // How the text changes: "value" sets it whole through the accessibility interface;
    // "insert", "replace" and "delete" edit it there (at `at`, `length` characters);
    // "input method" commits the text at the end; "undo" types it and undoes the typing.
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    QTest::newRow("callsign, value") << "Text4"
                                     << "NOCALL"
                                     << "value" << 0 << 0 << "AB1C"
                                     << "AB1C";
    QTest::newRow("passcode, value trimmed") << "Text5"
                                             << "27351"
                                             << "value" << 0 << 0 << " 123 "
                                             << "123";
    QTest::newRow("callsign, value cut to the limit") << "Text4"
                                                      << ""
                                                      << "value" << 0 << 0 << "AB1CDEFG"
                                                      << "AB1CDE";
    QTest::newRow("program's long text, value") << "Text4"
                                                << "AB1CDEFGHIJ"
                                                << "value" << 0 << 0 << "AB1CDEFGHI"
                                                << "AB1CDEFGHI";
    QTest::newRow("tx time, insert trimmed") << "Text10"
                                             << "06"
                                             << "insert" << 2 << 0 << "00 "
                                             << "0600";
    QTest::newRow("address box, replace") << "Text13"
                                          << "192"
                                          << "replace" << 0 << 3 << "10"
                                          << "10";
    QTest::newRow("frequency, replace trimmed") << "Text31"
                                                << "144.6400"
                                                << "replace" << 0 << 3 << " 43"
                                                << "43.6400";
    QTest::newRow("status, delete") << "Text7"
                                    << "MELKO 144.640MHz"
                                    << "delete" << 5 << 11 << ""
                                    << "MELKO";
    QTest::newRow("wifi name, value") << "Text34"
                                      << ""
                                      << "value" << 0 << 0 << "home net"
                                      << "home net";
    QTest::newRow("callsign, input method") << "Text4"
                                            << ""
                                            << "input method" << 0 << 0 << "ab1c"
                                            << "AB1C";
    QTest::newRow("callsign, input method cut to the limit") << "Text4"
                                                             << "AB"
                                                             << "input method" << 0 << 0 << "cdefgh"
                                                             << "ABCDEF";
    QTest::newRow("passcode, input method filtered") << "Text5"
                                                     << ""
                                                     << "input method" << 0 << 0 << "1２a 3"
                                                     << "13";
    QTest::newRow("frequency, input method filtered") << "Text31"
                                                      << ""
                                                      << "input method" << 0 << 0 << "14,4.64"
                                                      << "144.64";
    QTest::newRow("comment, input method") << "Text7"
                                           << "MELKO"
                                           << "input method" << 0 << 0 << " 公里"
                                           << "MELKO 公里";
    QTest::newRow("filter, undo") << "Text11"
                                  << "b/MELKO"
                                  << "undo" << 0 << 0 << "x"
                                  << "b/MELKO";
}

void TestMainWindow::everyChangeReachesTheModel()
{
    QFETCH(QString, field);
    QFETCH(QString, before);
    QFETCH(QString, how);
    QFETCH(int, at);
    QFETCH(int, length);
    QFETCH(QString, text);
    QFETCH(QString, after);
    TextBox &box = textBox(field);
    box.setText(before);
    settle();
    auto *edit = widget<QLineEdit>(field);
    QCOMPARE(edit->text(), before);

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(edit);
    QVERIFY(accessible);
    if (how == "value") {
        accessible->setText(QAccessible::Value, text);
    } else if (how == "insert") {
        accessible->editableTextInterface()->insertText(at, text);
    } else if (how == "replace") {
        accessible->editableTextInterface()->replaceText(at, at + length, text);
    } else if (how == "delete") {
        accessible->editableTextInterface()->deleteText(at, at + length);
    } else if (how == "input method") {
        edit->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return edit->hasFocus(); }));
        edit->end(false);
        QInputMethodEvent preedit(text, {}); // composing: not yet the field's text
        QApplication::sendEvent(edit, &preedit);
        QCOMPARE(box.text(), before);
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(edit, &commit);
    } else if (how == "undo") {
        edit->end(false);
        QTest::keyClicks(edit, text);
        QCOMPARE(box.text(), before + text);
        edit->undo();
    }
    QCOMPARE(box.text(), after);
    settle();
    QCOMPARE(edit->text(), after); // the change rule's result is shown
    QCOMPARE(box.text(), after);
}

void TestMainWindow::saveWritesWhatAssistiveTechnologySet()
{
    QTest::mouseClick(widget<QPushButton>("Command0"), Qt::LeftButton);
    settle();
    QAccessible::queryAccessibleInterface(widget<QLineEdit>("Text4"))
        ->setText(QAccessible::Value, "AB1C");
    QAccessible::queryAccessibleInterface(widget<QLineEdit>("Text10"))
        ->editableTextInterface()
        ->replaceText(0, 4, "0900 ");
    QAccessible::queryAccessibleInterface(widget<QLineEdit>("Text13"))
        ->editableTextInterface()
        ->replaceText(0, 3, "10");
    auto *comment = widget<QLineEdit>("Text7");
    comment->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return comment->hasFocus(); }));
    comment->end(false);
    QInputMethodEvent commit;
    commit.setCommitString(" ok");
    QApplication::sendEvent(comment, &commit);

    const QString file = fx->path("station.ini");
    fx->dialogs.fileAnswers << file;
    QTest::mouseClick(widget<QPushButton>("Command5"), Qt::LeftButton);
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(saved.readAll()).split("\r\n");
    QVERIFY2(lines.contains("CALLSIGN:AB1C  -10"), qPrintable(lines.join('|')));
    QVERIFY(lines.contains("SENT TIME:0900"));
    QVERIFY(lines.contains("IP:10,168,1,99"));
    QVERIFY(lines.contains("COMMENT TEXT:MELKO 144.640MHz ok"));
}

void TestMainWindow::longDeviceLineStaysCheap()
{
    // A device sends one line of 16 000 characters in 64-byte receive events, the window
    // catching up after each: the field keeps the line's first 1024 characters, and
    // its widget is drawn at most once per event, not once per byte.
    fx->form->Combo1.pick("COM1");
    fx->form->MSComm1.setPortOpen(true);
    auto *comment = widget<QLineEdit>("Text7");
    QSignalSpy shownTexts(comment, &QLineEdit::textChanged);
    const QByteArray line = "COMMENT TEXT:" + QByteArray(16000 - 13, 'x');
    int events = 0;
    for (int at = 0; at < line.size(); at += 64, ++events) {
        fx->line.deliver(line.mid(at, 64));
        fx->loop.advanceBy(1);
        settle();
    }
    QCOMPARE(comment->text(), QString(1024 - 13, QLatin1Char('x')));
    QVERIFY2(shownTexts.count() <= events, qPrintable(QString::number(shownTexts.count())));

    fx->line.deliver("\r\nPASS:42\r\n");
    fx->loop.advanceBy(1);
    settle();
    QCOMPARE(widget<QLineEdit>("Text5")->text(), QStringLiteral("42"));
}

void TestMainWindow::oversizedFileIsRefused()
{
    // A file of one 200 000-character line is no setup file: it is refused before it is
    // read, with its name and size, and the fields stay as they were.
    const QString file = fx->path("huge.ini");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("COMMENT TEXT:" + QByteArray(200000 - 13, 'x'));
    out.close();
    fx->dialogs.fileAnswers << file;
    QTest::mouseClick(widget<QPushButton>("Command4"), Qt::LeftButton);
    settle();
    QCOMPARE(fx->dialogs.messages,
             QStringList{QStringLiteral("Cannot load the setup file \"%1\": it is 200000 bytes "
                                        "long, and a setup file is at most 65536 bytes")
                             .arg(file)});
    QCOMPARE(widget<QLineEdit>("Text7")->text(), QString());
}

void TestMainWindow::widgetsCatchUpOncePerPass()
{
    // A long line arriving byte by byte sets a field once per byte, all in one event.
    auto *comment = widget<QLineEdit>("Text7");
    QSignalSpy shownTexts(comment, &QLineEdit::textChanged);
    for (int size = 1; size <= 2000; ++size)
        fx->form->Text7.setText(QString(size, QLatin1Char('x')));
    fx->form->Command6.setCaption("reading");
    fx->form->Command6.setEnabled(false);
    QCOMPARE(shownTexts.count(), 0); // nothing is drawn while the event runs
    QCOMPARE(widget<QPushButton>("Command6")->text(), QStringLiteral("Read data"));
    settle();
    QCOMPARE(shownTexts.count(), 1);
    QCOMPARE(comment->text(), QString(2000, QLatin1Char('x')));
    QCOMPARE(fx->form->Text7.text(), QString(2000, QLatin1Char('x'))); // no echo cut it
    QCOMPARE(widget<QPushButton>("Command6")->text(), QStringLiteral("reading"));
    QVERIFY(!widget<QPushButton>("Command6")->isEnabled());
    settle();
    QCOMPARE(shownTexts.count(), 1);

    // A hidden control is brought up to date only when it is shown.
    auto *record = widget<QLineEdit>("Text1");
    QSignalSpy recordTexts(record, &QLineEdit::textChanged);
    for (int i = 0; i < 1000; ++i)
        fx->form->Text1.appendText("4B");
    settle();
    QCOMPARE(recordTexts.count(), 0);
    window->findChild<QWidget *>("offstage")->show();
    QCOMPARE(recordTexts.count(), 1);
    QCOMPARE(record->text(), fx->form->Text1.text());
}

void TestMainWindow::typingKeepsCursorAndSelection()
{
    auto *position = widget<QLineEdit>("Text8");
    position->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return position->hasFocus(); }));
    QTest::keyClicks(position, "!3035.00N");
    position->setSelection(1, 4);
    settle();
    QCOMPARE(fx->form->Text8.text(), QStringLiteral("!3035.00N"));
    QCOMPARE(position->selectedText(), QStringLiteral("3035"));
    QVERIFY(position->isUndoAvailable()); // the text was never written back

    // A change rule that alters what the user entered: the cursor stays where it can.
    auto *txTime = widget<QLineEdit>("Text10");
    txTime->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return txTime->hasFocus(); }));
    QGuiApplication::clipboard()->setText(" 0600 ");
    txTime->paste();
    txTime->setCursorPosition(2);
    settle();
    QCOMPARE(txTime->text(), QStringLiteral("0600"));
    QCOMPARE(txTime->cursorPosition(), 2);
}

void TestMainWindow::progressTextIsShown()
{
    auto *progress = widget<QLabel>("Label2");
    auto *bar = widget<QProgressBar>("ProgressBar1");
    QVERIFY(progress->isVisible());
    // Beside the bar, on the same line.
    const QRect barArea(bar->mapTo(window.get(), QPoint()), bar->size());
    const QRect textArea(progress->mapTo(window.get(), QPoint()), progress->size());
    QVERIFY(textArea.left() >= barArea.right());
    QVERIFY(textArea.top() <= barArea.center().y() && textArea.bottom() >= barArea.center().y());

    const QStringList captions = {fx->form->Label2.caption(),
                                  QStringLiteral("updating，don't remove power update step:45%"),
                                  QStringLiteral("update complete update step:100%"),
                                  QStringLiteral("update failed update step:45%")};
    for (const QString &caption : captions) {
        fx->form->Label2.setCaption(caption);
        settle();
        QCOMPARE(progress->text(), caption);
        // No caption anywhere in the window is cut off.
        window->layout()->activate();
        const auto shown = window->findChildren<QWidget *>();
        for (QWidget *w : shown) {
            if (!w->isVisible())
                continue;
            auto *text = qobject_cast<QLabel *>(w);
            if (text && text->wordWrap()) {
                QVERIFY2(text->height() >= text->heightForWidth(text->width()),
                         qPrintable(w->objectName()));
            } else if (text || qobject_cast<QAbstractButton *>(w)) {
                QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(w->objectName()));
                QVERIFY2(w->height() >= w->sizeHint().height(), qPrintable(w->objectName()));
            } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
                QVERIFY2(group->width() >= group->fontMetrics().horizontalAdvance(group->title()),
                         qPrintable(w->objectName()));
            }
        }
    }
}

void TestMainWindow::tabReachesEveryControl()
{
    QStringList order = {"Text4",  "Combo5", "Text5",  "Text8", "Text7",
                         "Combo3", "Text10", "Text11", "Combo2"};
    for (int n = 13; n <= 28; ++n)
        order << QStringLiteral("Text%1").arg(n);
    order << QStringList{"Combo16",  "Combo4",   "Text31",   "Check1",   "Combo7",   "Combo6",
                         "Combo8",   "Text34",   "Text33",   "Command8", "Text29",   "Text12",
                         "Text6",    "Combo1",   "Command6", "Command4", "Command1", "Command0",
                         "Command7", "Command5", "Command2", "Text3",    "Command9"};
    fx->form->Command7.setEnabled(true); // disabled controls are passed over
    settle();

    auto *first = widget<QLineEdit>("Text4");
    first->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return first->hasFocus(); }));
    QStringList forwards;
    for (int i = 0; i < order.size(); ++i) {
        forwards << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(forwards, order);
    QCOMPARE(QApplication::focusWidget(), first); // round again

    QStringList backwards;
    for (int i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        backwards.prepend(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(backwards, order);
    QCOMPARE(fx->form->Text29.text(), QString()); // no tab typed into the log
}

void TestMainWindow::accessibleNamesFollowCaptions_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::newRow("progress text") << "Label2"
                                   << "update complete update step:100%";
    QTest::newRow("read") << "Command6"
                          << "reading";
    QTest::newRow("update") << "Command2"
                            << "update...";
    QTest::newRow("apply") << "Command8"
                           << "Write";
    QTest::newRow("restart hint") << "Label22"
                                  << "restart now";
}

void TestMainWindow::accessibleNamesFollowCaptions()
{
    QFETCH(QString, control);
    QFETCH(QString, caption);
    Form1 &f = *fx->form;
    CaptionControl *model = nullptr;
    for (CaptionControl *candidate : std::initializer_list<CaptionControl *>{
             &f.Label2, &f.Command6, &f.Command2, &f.Command8, &f.Label22})
        if (candidate->name() == control)
            model = candidate;
    QVERIFY(model);
    QAccessibleInterface *accessible =
        QAccessible::queryAccessibleInterface(window->findChild<QWidget *>(control));
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), model->caption());
    model->setCaption(caption);
    settle();
    QCOMPARE(accessible->text(QAccessible::Name), caption);
    QCOMPARE(accessible->text(QAccessible::Description), control);
}

// Closing the window mid-transfer is asked about, and No keeps the window and its update.
void TestMainWindow::closingDuringATransferIsAsked()
{
    Form1 &form = *fx->form;
    form.bTransferStarted = 1;
    form.lBlockNo = 3;
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QVERIFY(!form.isUnloading());
    QCOMPARE(fx->dialogs.questions.size(), 1);

    fx->dialogs.confirmAnswers.enqueue(true);
    QVERIFY(window->close());
    QVERIFY(form.isUnloading());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
