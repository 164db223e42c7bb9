#pragma once

#include "monitor/DataDisplay.h"

#include <QWidget>

struct AppState;
class Poller;
class QTableWidget;

// "Engine Data": the live values of twelve channels on a two-row grid,
// refreshed after every poll of the poller it is given while it is open.
class DataWindow : public QWidget {
    Q_OBJECT
public:
    // The height the other windows' places assume, in twips; the window
    // itself takes the height its two rows need at the grid's font.
    static constexpr int kHeightTwips = 1000;
    static constexpr int kNarrowerTwips = 200;

    explicit DataWindow(const AppState& state, Poller* poller = nullptr, QWidget* parent = nullptr);

    // Writes the calibrated values of the state into the grid.
    void upDateData();

    QTableWidget* grid() const { return m_grid; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const AppState& m_state;
    QTableWidget* m_grid = nullptr;
};
