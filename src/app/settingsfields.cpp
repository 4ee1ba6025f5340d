#include "app/settingsfields.h"

#include "app/form1.h"

namespace SettingsFields {

const QString kilometreUnit = QStringLiteral("\u516C\u91CC");

QStringList ssidItems()
{
    QStringList items;
    for (int i = 0; i <= 15; ++i)
        items << QString::number(i);
    return items;
}

QStringList backlightItems()
{
    return {QStringLiteral("ON"), QStringLiteral("05"), QStringLiteral("10"), QStringLiteral("20"),
            QStringLiteral("30"), QStringLiteral("60"), QStringLiteral("90")};
}

QStringList unitItems()
{
    return {QStringLiteral("km"), QStringLiteral("mi"), kilometreUnit};
}

// Three regional servers of the APRS-IS network, then a numeric address for a server
// on the user's own network.
QStringList serverItems()
{
    return {QStringLiteral("asia.aprs2.net"), QStringLiteral("euro.aprs2.net"),
            QStringLiteral("noam.aprs2.net"), QStringLiteral("192.168.1.10")};
}

QStringList addressModeItems()
{
    return {QStringLiteral("DHCP"), QStringLiteral("STATIC IP")};
}

QStringList pathItems()
{
    return {QStringLiteral("None"), QStringLiteral("WIDE1-1"), QStringLiteral("WIDE1-1WIDE2-1"),
            QStringLiteral("WIDE1-1WIDE2-2")};
}

QStringList txVolItems()
{
    return {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
            QStringLiteral("5")};
}

QStringList aliasItems()
{
    return {QStringLiteral("WIDE1"), QStringLiteral("WIDE2"), QStringLiteral("WIDE1+WIDE2")};
}

void fillLists(Form1 &form)
{
    const std::pair<ComboBox *, QStringList> lists[] = {
        {&form.Combo2, addressModeItems()}, {&form.Combo5, ssidItems()},
        {&form.Combo3, serverItems()},      {&form.Combo4, unitItems()},
        {&form.Combo6, txVolItems()},       {&form.Combo7, pathItems()},
        {&form.Combo8, aliasItems()},       {&form.Combo16, backlightItems()}};
    for (const auto &[combo, items] : lists) {
        for (const QString &item : items)
            combo->addItem(item);
    }
}

QString listCode(const QString &text, const QStringList &items, int firstCode, int otherCode)
{
    const int index = items.indexOf(text);
    return QString::number(index >= 0 ? firstCode + index : otherCode);
}

QString backlightCode(const QString &text)
{
    return text == QLatin1String("ON") ? QStringLiteral("00") : text;
}

QString trimSpaces(const QString &text)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace SettingsFields

// ---- key filters: they see typed characters only ----------------------------------

int Form1::Text4_KeyPress(int KeyAscii)
{
    return (KeyAscii >= 'a' && KeyAscii <= 'z') ? KeyAscii - 32 : KeyAscii;
}

int Form1::Text5_KeyPress(int KeyAscii)
{
    return (KeyAscii == 8 || (KeyAscii >= '0' && KeyAscii <= '9')) ? KeyAscii : 0;
}

int Form1::Text10_KeyPress(int KeyAscii)
{
    return Text5_KeyPress(KeyAscii);
}

// 46 to 57 are ".", "/" and the digits.
int Form1::Text31_KeyPress(int KeyAscii)
{
    return (KeyAscii == 8 || (KeyAscii >= 46 && KeyAscii <= 57)) ? KeyAscii : 0;
}

// ---- change rule: typed or set by the program, the text loses its outer spaces ----

void Form1::Text5_Change()
{
    Text5.setText(SettingsFields::trimSpaces(Text5.text()));
}

void Form1::Text10_Change()
{
    Text10.setText(SettingsFields::trimSpaces(Text10.text()));
}

void Form1::Text31_Change()
{
    Text31.setText(SettingsFields::trimSpaces(Text31.text()));
}

// Picking an address mode switches the sixteen address boxes; their texts stay.
void Form1::Combo2_Click()
{
    const bool staticAddress = Combo2.text() == QLatin1String("STATIC IP");
    for (TextBox *box : addressBoxes)
        box->setEnabled(staticAddress);
}

// "Default": every settings field gets its default, and "Write data" is enabled.
void Form1::Command0_Click()
{
    Text4.setText(QStringLiteral("NOCALL"));
    Combo4.setText(QStringLiteral("km"));
    Combo5.setText(QStringLiteral("10"));
    Combo2.setText(QStringLiteral("DHCP"));
    Combo16.setText(QStringLiteral("ON"));
    Text8.setText(QStringLiteral("!3035.00N/11417.00ErPHG1010"));
    Text7.setText(QStringLiteral("MELKO 144.640MHz"));
    Combo3.setText(SettingsFields::serverItems().first());
    Text5.setText(QStringLiteral("27351"));
    Text10.setText(QStringLiteral("0600"));
    Text11.setText(QStringLiteral("b/MELKO"));
    const char *const addresses[16] = {"192", "168", "1", "99", "255", "255", "255", "0",
                                       "192", "168", "1", "1",  "8",   "8",   "8",   "8"};
    for (int i = 0; i < 16; ++i)
        addressBoxes[i]->setText(QString::fromLatin1(addresses[i]));
    Text31.setText(QStringLiteral("144.6400"));
    Text32.setText(QStringLiteral("--"));
    Check1.setValue(1);
    Combo6.setText(QStringLiteral("3"));
    Combo7.setText(QStringLiteral("WIDE1-1"));
    Combo8.setText(QStringLiteral("WIDE1+WIDE2"));
    Command7.setEnabled(true);
}
