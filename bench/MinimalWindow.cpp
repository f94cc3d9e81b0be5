// The floor of the start-up benchmark: a Qt Widgets program that shows one empty window of the
// size of Paceforge's and quits as soon as it is shown.

#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(739, 444);
    window.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
