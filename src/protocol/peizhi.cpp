// The line dispatcher: applies a configuration line or a status line to the window.

#include "app/form1.h"
#include "app/settingsfields.h"

#include <stdexcept>

namespace {

// Characters from the 1-based column to the end (empty when the line is shorter).
QString fromColumn(const QString &line, int column)
{
    return line.mid(column - 1);
}

// The one character at the 1-based column, or an empty string.
QString charAt(const QString &line, int column)
{
    return line.mid(column - 1, 1);
}

// Cuts the four comma-separated parts of an address line into four boxes. Each box is
// written as soon as its part is cut; a line without its k-th comma fills k-1 boxes
// and fails.
void applyAddress(const QString &line, int valueColumn, TextBox *const boxes[4])
{
    int start = valueColumn - 1;
    int comma = line.indexOf(QLatin1Char(','));
    for (int part = 0; part < 3; ++part) {
        if (comma < 0 || comma < start)
            throw std::invalid_argument("address line with too few commas");
        boxes[part]->setText(line.mid(start, comma - start));
        start = comma + 1;
        comma = line.indexOf(QLatin1Char(','), start);
    }
    boxes[3]->setText(line.mid(start));
}

void applyCode(ComboBox &combo, const QString &code, const QStringList &codes,
               const QStringList &texts)
{
    const int index = codes.indexOf(code);
    if (index >= 0)
        combo.setText(texts.at(index));
}

struct LineKey
{
    const char *key;
    void (*apply)(Form1 &form, const QString &line);
};

// The keys in the order they are tested. Every key is tested on every call; no line
// can begin with two of them.
const LineKey lineKeys[] = {
    {"eeram reset", [](Form1 &f, const QString &) { f.bEeramReset = 1; }},
    {"CONNECT",
     [](Form1 &f, const QString &) {
         f.bConnectOk = 1;
         f.Text29.appendText(QStringLiteral("\r\nConnect OK"));
     }},
    {"READ END",
     [](Form1 &f, const QString &) {
         f.bReadEnd = 1;
         f.Text29.appendText(QStringLiteral("\r\nRead end"));
     }},
    {"CALLSIGN",
     [](Form1 &f, const QString &line) {
         const int dash = line.indexOf(QLatin1Char('-'), 9);
         if (dash < 0)
             throw std::invalid_argument("callsign line without '-'");
         f.Text4.setText(line.mid(9, dash - 9));
         f.Combo5.setText(line.mid(dash + 1));
     }},
    {"PASS:", [](Form1 &f, const QString &line) { f.Text5.setText(fromColumn(line, 6)); }},
    {"POSITION", [](Form1 &f, const QString &line) { f.Text8.setText(fromColumn(line, 10)); }},
    {"DHCP:1",
     [](Form1 &f, const QString &) {
         f.Combo2.setText(QStringLiteral("DHCP"));
         for (TextBox *box : f.addressBoxes)
             box->setEnabled(false);
     }},
    {"DHCP:0", [](Form1 &f, const QString &) { f.Combo2.setText(QStringLiteral("STATIC IP")); }},
    {"COMMENT", [](Form1 &f, const QString &line) { f.Text7.setText(fromColumn(line, 14)); }},
    {"SERVER", [](Form1 &f, const QString &line) { f.Combo3.setText(fromColumn(line, 8)); }},
    {"SENT TIME", [](Form1 &f, const QString &line) { f.Text10.setText(fromColumn(line, 11)); }},
    {"FILTER", [](Form1 &f, const QString &line) { f.Text11.setText(fromColumn(line, 8)); }},
    {"VER:", [](Form1 &f, const QString &line) { f.Text6.setText(fromColumn(line, 5)); }},
    {"IP:", [](Form1 &f, const QString &line) { applyAddress(line, 4, &f.addressBoxes[0]); }},
    {"MASK:", [](Form1 &f, const QString &line) { applyAddress(line, 6, &f.addressBoxes[4]); }},
    {"GATE:", [](Form1 &f, const QString &line) { applyAddress(line, 6, &f.addressBoxes[8]); }},
    {"DNS:", [](Form1 &f, const QString &line) { applyAddress(line, 5, &f.addressBoxes[12]); }},
    {"FREQ:", [](Form1 &f, const QString &line) { f.Text31.setText(fromColumn(line, 6)); }},
    {"BACKLIGHT:",
     [](Form1 &f, const QString &line) {
         f.Combo16.setText(fromColumn(line, 11));
         if (f.Combo16.text() == QLatin1String("0") || f.Combo16.text() == QLatin1String("00"))
             f.Combo16.setText(QStringLiteral("ON"));
     }},
    {"UNIT:",
     [](Form1 &f, const QString &line) {
         applyCode(f.Combo4, charAt(line, 6), {"1", "2", "3"}, SettingsFields::unitItems());
     }},
    {"DIGI:",
     [](Form1 &f, const QString &line) {
         f.Check1.setValue(charAt(line, 6) == QLatin1String("1") ? 1 : 0);
     }},
    {"MOD:", [](Form1 &f, const QString &line) { f.Combo6.setText(charAt(line, 5)); }},
    {"PATH:",
     [](Form1 &f, const QString &line) {
         applyCode(f.Combo7, charAt(line, 6), {"0", "1", "2", "3"}, SettingsFields::pathItems());
     }},
    {"ALIAS:",
     [](Form1 &f, const QString &line) {
         applyCode(f.Combo8, charAt(line, 7), {"1", "2", "3"}, SettingsFields::aliasItems());
     }},
    {"WIFI Write success", [](Form1 &f, const QString &) { f.bWifiOk = 1; }},
    {"freq save", [](Form1 &f, const QString &) { f.bFreqSaved = 1; }},
};

} // namespace

// Throws std::invalid_argument for a callsign line without "-" and an address line
// with fewer than three commas; what was written before stays written.
void Form1::peizhi()
{
    const QString line = sRxLine; // the fields' change handlers cannot alter it mid-way
    emit lineDispatched(line);
    for (const LineKey &key : lineKeys) {
        if (line.startsWith(QLatin1String(key.key)))
            key.apply(*this, line);
    }
}
