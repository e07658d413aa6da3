#include <QApplication>
#include <QMainWindow>

#include "app/memory_policy.h"

int main(int argc, char** argv) {
    qv::KeepFreedMemory();
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quorvane"));
    window.show();
    return app.exec();
}
