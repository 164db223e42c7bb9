// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/DataDisplay.h"

#include <QWidget>

class LiveFeed;
class LiveSample;
class QTableWidget;
class SettingsStore;

// "Engine Data": the live values of twelve channels on a two-row grid,
// refreshed with every sample of the feed it is given while it is open.
class DataWindow : public QWidget {
    Q_OBJECT
public:
    // The height the other windows' places assume, in twips; the window
    // itself takes the height its two rows need at the grid's font.
    static constexpr int kHeightTwips = 1000;
    static constexpr int kNarrowerTwips = 200;

    explicit DataWindow(const SettingsStore& store, LiveFeed* feed = nullptr,
                        QWidget* parent = nullptr);

    // Writes the calibrated values of a sample into the grid.
    void upDateData(const LiveSample& sample);

    QTableWidget* grid() const { return m_grid; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const SettingsStore& m_store;
    QTableWidget* m_grid = nullptr;
};
