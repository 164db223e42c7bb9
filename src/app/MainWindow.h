#pragma once

#include <QMainWindow>

struct AppState;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppState& state, QWidget* parent = nullptr);

private:
    AppState& m_state;
};
