// Not a test: a bare Qt Widgets window with one label, for comparing start-up times with
// bench_startup.

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("A bare Qt window"));
    label.resize(400, 300);
    label.show();
    return app.exec();
}
