#include "app/AppState.h"
#include "app/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    AppState state;
    MainWindow window(state);
    window.show();
    return QApplication::exec();
}
