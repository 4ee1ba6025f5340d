#include "app/form1.h"
#include "platform/qteventloop.h"
#include "serial/qtserialline.h"
#include "ui/mainwindow.h"
#include "ui/qtuserdialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ks936-config"));

    QtEventLoop loop;
    QtSerialLine line;
    QtUserDialogs dialogs;
    Form1 form({loop, line, dialogs, QApplication::applicationDirPath(), systemSerialPorts});
    form.Form_Load();

    MainWindow window(form);
    dialogs.setParentWidget(&window);
    window.show();
    return app.exec();
}
