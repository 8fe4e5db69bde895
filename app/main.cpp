#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("LEVANTA v1.4 [ Güncelleme : 15.01.2019 ]  "));
    w.show();
    return app.exec();
}
