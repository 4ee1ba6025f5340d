// "Save file" and "Load file" in the window model, through the file dialog seam.

#include "app/settingsfields.h"
#include "formfixture.h"

#include <QtTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>

class TestSetupFile : public QObject
{
    Q_OBJECT

private slots:
    void defaultsSaveAsTheFixture();
    void saveThenLoadGivesFieldsBack_data();
    void saveThenLoadGivesFieldsBack();
    void failingLinesDoNotStopTheLoad();
    void lineFeedsAloneMakeOneLine();
    void emptyFileLoadsNothing();
    void overlongLineIsCutAsOnTheLine();
    void saveFailureKeepsTheEarlierFile_data();
    void saveFailureKeepsTheEarlierFile();
    void loadFailureIsReported_data();
    void loadFailureIsReported();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void dialogsCarryTitleFilterFolderAndOptions();
};

// While it lives, no file can grow past the given size, as on a full disk. Unlike file
// modes it binds root too, and the tests run as root.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        // The write then fails with "File too large" instead of ending the process.
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (getrlimit(RLIMIT_FSIZE, &m_saved) != 0)
            return;
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
    bool m_active = false;
};

static QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

static void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

static QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Every field a setup file holds, as "control=text" in the window's order.
static QStringList shownFields(const Form1 &form)
{
    QStringList fields;
    const auto add = [&fields](const Control &control, const QString &text) {
        fields << control.name() + QLatin1Char('=') + text;
    };
    add(form.Text4, form.Text4.text());
    add(form.Combo5, form.Combo5.text());
    add(form.Text5, form.Text5.text());
    add(form.Combo2, form.Combo2.text());
    for (const TextBox *box : form.addressBoxes)
        add(*box, box->text());
    add(form.Text8, form.Text8.text());
    add(form.Text7, form.Text7.text());
    add(form.Combo3, form.Combo3.text());
    add(form.Text10, form.Text10.text());
    add(form.Text11, form.Text11.text());
    add(form.Combo16, form.Combo16.text());
    add(form.Text31, form.Text31.text());
    add(form.Combo4, form.Combo4.text());
    add(form.Check1, QString::number(form.Check1.value()));
    add(form.Combo6, form.Combo6.text());
    add(form.Combo7, form.Combo7.text());
    add(form.Combo8, form.Combo8.text());
    return fields;
}

// Something other than the defaults in every field, picked so that each code, fill
// and mode takes a different turn from the defaults.
static void editEveryField(Form1 &form)
{
    form.Text4.setText(QStringLiteral("AB1"));
    form.Combo5.setText(QStringLiteral("9"));
    form.Text5.setText(QStringLiteral("123"));
    form.Combo2.setText(QStringLiteral("STATIC IP"));
    const char *const octets[16] = {"10", "0", "0", "7", "255", "0", "0", "0",
                                    "10", "0", "0", "1", "9",   "9", "9", "9"};
    for (int i = 0; i < 16; ++i)
        form.addressBoxes[i]->setText(QString::fromLatin1(octets[i]));
    form.Text8.setText(QStringLiteral("!0000.00N/00000.00E-"));
    form.Text7.setText(QString::fromUtf8("Gr\xC3\xBC\xC3\x9F\x65 \xE5\x85\xAC"));
    form.Combo3.setText(SettingsFields::serverItems().last());
    form.Text10.setText(QStringLiteral("30"));
    form.Text11.setText(QStringLiteral("b/AB1"));
    form.Combo16.setText(QStringLiteral("05"));
    form.Text31.setText(QStringLiteral("430.1000"));
    form.Combo4.setText(SettingsFields::kilometreUnit);
    form.Check1.setValue(0);
    form.Combo6.setText(QStringLiteral("5"));
    form.Combo7.setText(QStringLiteral("None"));
    form.Combo8.setText(QStringLiteral("WIDE2"));
}

void TestSetupFile::defaultsSaveAsTheFixture()
{
    const QString fixture = QFINDTESTDATA("default-setup.ini");
    QVERIFY(!fixture.isEmpty());
    FormFixture fx;
    Form1 &form = fx.create();
    const QString target = fx.path(QStringLiteral("setup.ini"));
    writeFile(target, QByteArray(2000, 'x') + "\r\nPATH:3\r\n"); // longer than what replaces it
    form.Command0.click();
    form.Text29.setText(QStringLiteral("log"));

    fx.dialogs.fileAnswers << target;
    form.Command5.click();

    QCOMPARE(fileBytes(target), fileBytes(fixture));
    QVERIFY(fx.dialogs.messages.isEmpty());
    QCOMPARE(form.Text29.text(), QStringLiteral("log"));
    QVERIFY(fx.line.writes().isEmpty());
}

void TestSetupFile::saveThenLoadGivesFieldsBack_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("callsignBack");
    QTest::addColumn<QString>("txTimeBack");

    // Backlight "ON" goes out as "00" and comes back as "ON".
    QTest::newRow("defaults") << false << "NOCALL"
                              << "0600";
    QTest::newRow("edited: fill spaces and zeros stay") << true << "AB1   "
                                                        << "0030";
}

void TestSetupFile::saveThenLoadGivesFieldsBack()
{
    QFETCH(bool, edit);
    QFETCH(QString, callsignBack);
    QFETCH(QString, txTimeBack);
    FormFixture fx;
    Form1 &form = fx.create();
    form.Command0.click();
    if (edit)
        editEveryField(form);
    const QString file = fx.path(QStringLiteral("setup.ini"));
    fx.dialogs.fileAnswers << file;
    form.Command5.click();
    QVERIFY(fx.dialogs.messages.isEmpty());
    // The two values the file holds filled come back filled.
    form.Text4.setText(callsignBack);
    form.Text10.setText(txTimeBack);
    const QStringList expected = shownFields(form);

    Form1 &emptied = fx.create();
    QVERIFY(!emptied.Command7.isEnabled());
    fx.dialogs.fileAnswers << file;
    emptied.Command4.click();

    QCOMPARE(shownFields(emptied), expected);
    QCOMPARE(emptied.Text29.text(),
             file + QStringLiteral("\r\n\r\n") + QString::fromUtf8(fileBytes(file)));
    QVERIFY(emptied.Command7.isEnabled());
    QVERIFY(fx.dialogs.messages.isEmpty());
    QVERIFY(fx.line.writes().isEmpty());
}

void TestSetupFile::failingLinesDoNotStopTheLoad()
{
    FormFixture fx;
    Form1 &form = fx.create();
    form.Command0.click();
    form.Command7.setEnabled(false);
    const QByteArray content = "[MELKO]\r\n"
                               "CALLSIGN:AB1CD\r\n" // no "-": fails before writing anything
                               "PASS:123\r\n"
                               "IP:10,20\r\n" // fills the first box, then fails
                               "FILTER:b/AB1\r\n";
    const QString file = fx.path(QStringLiteral("broken.ini"));
    writeFile(file, content);

    fx.dialogs.fileAnswers << file;
    form.Command4.click();

    QCOMPARE(form.Text4.text(), QStringLiteral("NOCALL"));
    QCOMPARE(form.Combo5.text(), QStringLiteral("10"));
    QCOMPARE(form.Text5.text(), QStringLiteral("123"));
    QCOMPARE(form.Text13.text(), QStringLiteral("10"));
    QCOMPARE(form.Text14.text(), QStringLiteral("168"));
    QCOMPARE(form.Text11.text(), QStringLiteral("b/AB1"));
    QCOMPARE(form.Text29.text(), file + QStringLiteral("\r\n\r\n") + QString::fromLatin1(content));
    QCOMPARE(form.sRxLine, QStringLiteral("FILTER:b/AB1"));
    QVERIFY(form.Command7.isEnabled());
    QVERIFY(fx.dialogs.messages.isEmpty());
}

void TestSetupFile::lineFeedsAloneMakeOneLine()
{
    FormFixture fx;
    Form1 &form = fx.create();
    form.Command0.click();
    const QStringList before = shownFields(form);
    const QByteArray content = "[MELKO]\n\nCALLSIGN:AB1-9\nPASS:123\nUNIT:2\n";
    const QString file = fx.path(QStringLiteral("unix.ini"));
    writeFile(file, content);

    fx.dialogs.fileAnswers << file;
    form.Command4.click();

    QCOMPARE(shownFields(form), before);
    QCOMPARE(form.sRxLine, QString::fromLatin1(content));
    QCOMPARE(form.Text29.text(), file + QStringLiteral("\r\n\r\n") + QString::fromLatin1(content) +
                                     QStringLiteral("\r\n"));
}

void TestSetupFile::emptyFileLoadsNothing()
{
    FormFixture fx;
    Form1 &form = fx.create();
    form.Command0.click();
    form.Command7.setEnabled(false);
    form.Text29.setText(QStringLiteral("earlier log"));
    const QStringList before = shownFields(form);
    const QString file = fx.path(QStringLiteral("empty.ini"));
    writeFile(file, QByteArray());

    fx.dialogs.fileAnswers << file;
    form.Command4.click();

    QCOMPARE(form.Text29.text(), file + QStringLiteral("\r\n\r\n"));
    QCOMPARE(shownFields(form), before);
    QVERIFY(form.Command7.isEnabled());
    QVERIFY(fx.dialogs.messages.isEmpty());
}

void TestSetupFile::overlongLineIsCutAsOnTheLine()
{
    // A line far longer than any setup line is kept to its first 1024 characters, as
    // the receive path keeps a device line; the lines after it load as usual.
    FormFixture fx;
    Form1 &form = fx.create();
    const QString file = fx.path(QStringLiteral("long.ini"));
    writeFile(file, "COMMENT TEXT:" + QByteArray(60000, 'x') + "\r\nPASS:42\r\n");
    fx.dialogs.fileAnswers << file;
    form.Command4.click();
    QCOMPARE(form.Text7.text(), QString(1024 - 13, QLatin1Char('x')));
    QCOMPARE(form.Text5.text(), QStringLiteral("42"));
    QCOMPARE(form.Text29.text(), file + "\r\n\r\nCOMMENT TEXT:" +
                                     QString(1024 - 13, QLatin1Char('x')) + "\r\nPASS:42\r\n");
}

enum class SaveFailure
{
    MissingFolder,
    DirectoryInPlace,
    DiskFull
};
Q_DECLARE_METATYPE(SaveFailure)

void TestSetupFile::saveFailureKeepsTheEarlierFile_data()
{
    QTest::addColumn<SaveFailure>("failure");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");

    QTest::newRow("folder that does not exist") << SaveFailure::MissingFolder << "missing/setup.ini"
                                                << "No such file or directory";
    QTest::newRow("directory in the target's place") << SaveFailure::DirectoryInPlace << "setup.ini"
                                                     << "Filename refers to a directory";
    QTest::newRow("disk full part-way") << SaveFailure::DiskFull << "setup.ini"
                                        << "File too large";
}

void TestSetupFile::saveFailureKeepsTheEarlierFile()
{
    QFETCH(SaveFailure, failure);
    QFETCH(QString, target);
    QFETCH(QString, reason);
    FormFixture fx;
    Form1 &form = fx.create();
    form.Command0.click();
    target = fx.path(target);
    const QString kept = fx.path(QStringLiteral("setup.ini/kept.ini"));
    if (failure == SaveFailure::DirectoryInPlace) {
        QVERIFY(QDir(fx.folder.path()).mkdir(QStringLiteral("setup.ini")));
        writeFile(kept, "earlier");
    } else if (failure == SaveFailure::DiskFull) {
        writeFile(target, "earlier");
    }
    const QStringList entries = folderEntries(fx.folder.path());

    fx.dialogs.fileAnswers << target;
    {
        std::optional<FileSizeLimit> limit;
        if (failure == SaveFailure::DiskFull)
            limit.emplace(64); // less than the file needs
        if (limit)
            QVERIFY(limit->isActive());
        form.Command5.click();
    }

    QCOMPARE(
        fx.dialogs.messages,
        QStringList{QStringLiteral("Cannot save the setup file \"%1\": %2").arg(target, reason)});
    QCOMPARE(folderEntries(fx.folder.path()), entries); // no temporary file left behind
    switch (failure) {
    case SaveFailure::MissingFolder:
        QVERIFY(!QFileInfo::exists(fx.path(QStringLiteral("missing"))));
        break;
    case SaveFailure::DirectoryInPlace:
        QVERIFY(QFileInfo(target).isDir());
        QCOMPARE(fileBytes(kept), QByteArray("earlier"));
        break;
    case SaveFailure::DiskFull:
        QCOMPARE(fileBytes(target), QByteArray("earlier"));
        break;
    }
}

enum class LoadFailure
{
    Missing,
    Directory,
    TooLarge,
    EndlessDevice
};
Q_DECLARE_METATYPE(LoadFailure)

void TestSetupFile::loadFailureIsReported_data()
{
    QTest::addColumn<LoadFailure>("failure");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing file") << LoadFailure::Missing << "No such file or directory";
    QTest::newRow("directory") << LoadFailure::Directory << "file to open is a directory";
    QTest::newRow("too large") << LoadFailure::TooLarge
                               << "it is 65537 bytes long, and a setup file is at most 65536 bytes";
    QTest::newRow("device that never ends")
        << LoadFailure::EndlessDevice
        << "it holds more than 65536 bytes, the most a setup file can hold";
}

void TestSetupFile::loadFailureIsReported()
{
    QFETCH(LoadFailure, failure);
    QFETCH(QString, reason);
    FormFixture fx;
    Form1 &form = fx.create();
    form.Command0.click();
    form.Command7.setEnabled(false);
    const QStringList before = shownFields(form);
    const QString file = fx.path(QStringLiteral("setup.ini"));
    switch (failure) {
    case LoadFailure::Missing:
        break;
    case LoadFailure::Directory:
        QVERIFY(QDir(fx.folder.path()).mkdir(QStringLiteral("setup.ini")));
        break;
    case LoadFailure::TooLarge: {
        // Lines that would change fields, had the file been read.
        QByteArray content = "PASS:1\r\n";
        content += QByteArray(65537 - content.size(), 'x');
        writeFile(file, content);
        break;
    }
    case LoadFailure::EndlessDevice:
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
        break;
    }

    fx.dialogs.fileAnswers << file;
    form.Command4.click();

    QCOMPARE(
        fx.dialogs.messages,
        QStringList{QStringLiteral("Cannot load the setup file \"%1\": %2").arg(file, reason)});
    QCOMPARE(form.Text29.text(), file + QStringLiteral("\r\n\r\n"));
    QCOMPARE(shownFields(form), before);
    QVERIFY(form.Command7.isEnabled());
}

void TestSetupFile::cancelChangesNothing_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("save") << true;
    QTest::newRow("load") << false;
}

void TestSetupFile::cancelChangesNothing()
{
    QFETCH(bool, save);
    FormFixture fx;
    Form1 &form = fx.create();
    form.Command0.click();
    form.Command7.setEnabled(false);
    form.Text29.setText(QStringLiteral("log"));
    // A firmware image was opened just before: the dialog still names it.
    const QString firmware = fx.path(QStringLiteral("firmware.bin"));
    writeFile(firmware, "ROM");
    form.CommonDialog1.FileName = firmware;
    const QStringList before = shownFields(form);
    const QStringList entries = folderEntries(fx.folder.path());

    (save ? form.Command5 : form.Command4).click(); // no answer queued: cancelled

    QCOMPARE(fx.dialogs.fileRequests.size(), 1);
    QCOMPARE(fileBytes(firmware), QByteArray("ROM"));
    QCOMPARE(folderEntries(fx.folder.path()), entries);
    QCOMPARE(shownFields(form), before);
    QCOMPARE(form.Text29.text(), QStringLiteral("log"));
    QVERIFY(!form.Command7.isEnabled());
    QVERIFY(fx.dialogs.messages.isEmpty());
}

void TestSetupFile::dialogsCarryTitleFilterFolderAndOptions()
{
    FormFixture fx;
    Form1 &form = fx.create();
    form.CommonDialog1.InitDir = QStringLiteral("/elsewhere");

    form.Command4.click();
    QCOMPARE(form.CommonDialog1.Flags, int(CommonDialog::HelpButton));
    form.Command5.click();
    QCOMPARE(form.CommonDialog1.Flags, CommonDialog::HelpButton | CommonDialog::OverwritePrompt);
    form.Command4.click();
    QCOMPARE(form.CommonDialog1.Flags, int(CommonDialog::HelpButton));

    QCOMPARE(fx.dialogs.fileRequests.size(), 3);
    const FileDialogRequest load = fx.dialogs.fileRequests.at(0);
    QCOMPARE(load.mode, FileDialogRequest::Mode::Open);
    QCOMPARE(load.title, QStringLiteral("Please choose fireware."));
    QCOMPARE(load.filter, QString::fromUtf8("ini\xE6\x96\x87\xE4\xBB\xB6 (*.ini)"));
    QCOMPARE(load.initialFolder, fx.folder.path());
    QVERIFY(!load.confirmOverwrite);
    const FileDialogRequest save = fx.dialogs.fileRequests.at(1);
    QCOMPARE(save.mode, FileDialogRequest::Mode::Save);
    QCOMPARE(save.title, QStringLiteral("Save"));
    QCOMPARE(save.filter, QStringLiteral("setup file (*.ini)"));
    QCOMPARE(save.initialFolder, fx.folder.path());
    QVERIFY(save.confirmOverwrite);
}

QTEST_GUILESS_MAIN(TestSetupFile)
#include "tst_setupfile.moc"
