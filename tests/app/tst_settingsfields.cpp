// Typed input, the change rule, the address-mode switch and "Default".

#include "app/settingsfields.h"
#include "formfixture.h"

#include <QtTest>

class TestSettingsFields : public QObject
{
    Q_OBJECT

private slots:
    void keyFilters_data();
    void keyFilters();
    void changeRuleTrimsProgramSetText_data();
    void changeRuleTrimsProgramSetText();
    void addressModePick_data();
    void addressModePick();
    void typedAddressModeChangesNothing();
    void defaultsFillEveryField();
    void listsAtStartUp();

private:
    FormFixture fx;
};

// Types each character as the window does: the key filter first, then the limit.
static QString typeInto(TextBox &box, const QString &typed)
{
    QString text;
    for (const QChar ch : typed) {
        const int code = box.filterKey(ch.unicode());
        if (code == 8)
            text.chop(1);
        else if (code != 0 && (box.maxLength() == 0 || text.size() < box.maxLength()))
            text.append(QChar(code));
    }
    return text;
}

// The four fields with a key filter and a change rule, by name.
static TextBox &filteredField(Form1 &form, const QString &name)
{
    for (TextBox *box : {&form.Text4, &form.Text5, &form.Text10, &form.Text31}) {
        if (box->name() == name)
            return *box;
    }
    qFatal("no field %s", qPrintable(name));
}

void TestSettingsFields::keyFilters_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");

    QTest::newRow("callsign upper-cases a to z") << "Text4" << "ab1cd" << "AB1CD";
    QTest::newRow("callsign keeps others") << "Text4" << "x-/Z{" << "X-/Z{";
    QTest::newRow("callsign seventh refused") << "Text4" << "abcdefg" << "ABCDEF";
    QTest::newRow("passcode digits only") << "Text5" << "12a" << "12";
    QTest::newRow("passcode refuses controls") << "Text5" << QString("1\t2\x01" "3 .") << "123";
    QTest::newRow("passcode backspace") << "Text5" << QString("12\b3") << "13";
    QTest::newRow("tx time digits only") << "Text10" << "6x0-0" << "600";
    QTest::newRow("frequency slash accepted") << "Text31" << "144/64" << "144/64";
    QTest::newRow("frequency comma refused") << "Text31" << "14,4" << "144";
    QTest::newRow("frequency point") << "Text31" << "144.640a" << "144.640";
}

void TestSettingsFields::keyFilters()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    Form1 &form = fx.create();
    QCOMPARE(typeInto(filteredField(form, field), typed), result);
}

void TestSettingsFields::changeRuleTrimsProgramSetText_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("shown");

    QTest::newRow("passcode") << "Text5" << "  27351 " << "27351";
    QTest::newRow("tx time") << "Text10" << " 600 " << "600";
    QTest::newRow("frequency") << "Text31" << " 144.6400" << "144.6400";
    QTest::newRow("tabs are not spaces") << "Text10" << "\t600 " << "\t600";
    QTest::newRow("callsign is not trimmed") << "Text4" << " AB1CDEFG " << " AB1CDEFG ";
}

void TestSettingsFields::changeRuleTrimsProgramSetText()
{
    QFETCH(QString, field);
    QFETCH(QString, set);
    QFETCH(QString, shown);
    Form1 &form = fx.create();
    TextBox &box = filteredField(form, field);
    box.setText(set);
    QCOMPARE(box.text(), shown);
}

void TestSettingsFields::addressModePick_data()
{
    QTest::addColumn<QString>("picked");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("static") << "STATIC IP" << true;
    QTest::newRow("dhcp") << "DHCP" << false;
    QTest::newRow("lower case") << "static ip" << false;
    QTest::newRow("empty") << "" << false;
}

void TestSettingsFields::addressModePick()
{
    QFETCH(QString, picked);
    QFETCH(bool, enabled);
    Form1 &form = fx.create();
    for (TextBox *box : form.addressBoxes) {
        box->setEnabled(!enabled);
        box->setText(box->name());
    }
    QStringList order;
    for (TextBox *box : form.addressBoxes)
        connect(box, &Control::changed, this, [&order, box] { order << box->name(); });

    form.Combo2.pick(picked);

    QCOMPARE(order.size(), 16);
    for (int i = 0; i < 16; ++i) {
        QCOMPARE(order[i], QStringLiteral("Text%1").arg(13 + i));
        QCOMPARE(form.addressBoxes[i]->isEnabled(), enabled);
        QCOMPARE(form.addressBoxes[i]->text(), form.addressBoxes[i]->name()); // texts kept
    }
}

void TestSettingsFields::typedAddressModeChangesNothing()
{
    Form1 &form = fx.create();
    form.Combo2.setText(QStringLiteral("DHCP")); // typed or set: no pick
    for (TextBox *box : form.addressBoxes)
        QVERIFY(box->isEnabled());
}

void TestSettingsFields::defaultsFillEveryField()
{
    Form1 &form = fx.create();
    form.Combo2.pick(QStringLiteral("STATIC IP"));
    form.Text33.setText(QStringLiteral("wifi-pass"));
    form.Text34.setText(QStringLiteral("wifi-name"));
    form.Text6.setText(QStringLiteral("VERSION"));
    form.Combo1.setText(QStringLiteral("COM4"));
    QVERIFY(!form.Command7.isEnabled());

    form.Command0.click();

    QCOMPARE(form.Text4.text(), QStringLiteral("NOCALL"));
    QCOMPARE(form.Combo4.text(), QStringLiteral("km"));
    QCOMPARE(form.Combo5.text(), QStringLiteral("10"));
    QCOMPARE(form.Combo2.text(), QStringLiteral("DHCP"));
    QCOMPARE(form.Combo16.text(), QStringLiteral("ON"));
    QCOMPARE(form.Text8.text(), QStringLiteral("!3035.00N/11417.00ErPHG1010"));
    QCOMPARE(form.Text7.text(), QStringLiteral("MELKO 144.640MHz"));
    QCOMPARE(form.Combo3.text(), SettingsFields::serverItems().first());
    QCOMPARE(form.Text5.text(), QStringLiteral("27351"));
    QCOMPARE(form.Text10.text(), QStringLiteral("0600"));
    QCOMPARE(form.Text11.text(), QStringLiteral("b/MELKO"));
    const QStringList addresses = QStringLiteral("192 168 1 99 255 255 255 0 192 168 1 1 8 8 8 8").split(' ');
    for (int i = 0; i < 16; ++i) {
        QCOMPARE(form.addressBoxes[i]->text(), addresses[i]);
        QVERIFY(form.addressBoxes[i]->isEnabled()); // "DHCP" set as text: no pick ran
    }
    QCOMPARE(form.Text31.text(), QStringLiteral("144.6400"));
    QCOMPARE(form.Text32.text(), QStringLiteral("--"));
    QCOMPARE(form.Check1.value(), 1);
    QCOMPARE(form.Combo6.text(), QStringLiteral("3"));
    QCOMPARE(form.Combo7.text(), QStringLiteral("WIDE1-1"));
    QCOMPARE(form.Combo8.text(), QStringLiteral("WIDE1+WIDE2"));
    QVERIFY(form.Command7.isEnabled());
    // Not settings fields: untouched.
    QCOMPARE(form.Text33.text(), QStringLiteral("wifi-pass"));
    QCOMPARE(form.Text34.text(), QStringLiteral("wifi-name"));
    QCOMPARE(form.Text6.text(), QStringLiteral("VERSION"));
    QCOMPARE(form.Combo1.text(), QStringLiteral("COM4"));
    QVERIFY(fx.line.writes().isEmpty());
}

void TestSettingsFields::listsAtStartUp()
{
    Form1 &form = fx.create();
    QCOMPARE(form.Combo2.items(), QStringList({"DHCP", "STATIC IP"}));
    QCOMPARE(form.Combo5.items().size(), 16);
    QCOMPARE(form.Combo5.items().first(), QStringLiteral("0"));
    QCOMPARE(form.Combo5.items().last(), QStringLiteral("15"));
    QCOMPARE(form.Combo3.items().size(), 4);
    QCOMPARE(form.Combo4.items(), QStringList({"km", "mi", QString::fromUtf8("\xE5\x85\xAC\xE9\x87\x8C")}));
    QCOMPARE(form.Combo6.items(), QStringList({"1", "2", "3", "4", "5"}));
    QCOMPARE(form.Combo7.items(), QStringList({"None", "WIDE1-1", "WIDE1-1WIDE2-1", "WIDE1-1WIDE2-2"}));
    QCOMPARE(form.Combo8.items(), QStringList({"WIDE1", "WIDE2", "WIDE1+WIDE2"}));
    QCOMPARE(form.Combo16.items(), QStringList({"ON", "05", "10", "20", "30", "60", "90"}));
    // No list shows an item after start-up; the fields start empty.
    for (ComboBox *combo : {&form.Combo2, &form.Combo3, &form.Combo4, &form.Combo5, &form.Combo6,
                            &form.Combo7, &form.Combo8, &form.Combo16})
        QVERIFY(combo->text().isEmpty());
    QCOMPARE(form.Text32.text(), QStringLiteral("---"));
    QVERIFY(!form.Text32.isEnabled());
    QVERIFY(!form.Label21.isEnabled());
    QVERIFY(!form.Command7.isEnabled());
    QCOMPARE(form.Text3.text(), QStringLiteral("0/10"));
    QCOMPARE(form.Text1.text(), QStringLiteral("Text1"));
    QCOMPARE(form.Check1.value(), 0);
    for (TextBox *box : form.addressBoxes)
        QVERIFY(box->isEnabled());
}

QTEST_GUILESS_MAIN(TestSettingsFields)
#include "tst_settingsfields.moc"
