#include "app/MainWindow.h"

#include "app/AppState.h"

#include <QMdiArea>

MainWindow::MainWindow(AppState& state, QWidget* parent) : QMainWindow(parent), m_state(state) {
    setWindowTitle(QStringLiteral("Vantrel by Marrowby"));
    setCentralWidget(new QMdiArea(this));
}
