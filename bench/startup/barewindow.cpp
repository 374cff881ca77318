// The floor of start-up: a Qt Widgets program that shows one empty main window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.resize(800, 600);
    window.show();
    return QApplication::exec();
}
