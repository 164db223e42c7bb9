// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/DataWindow.h"

#include "monitor/LiveFeed.h"
#include "record/SettingsStore.h"
#include "tables/GridFit.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QColor shadeColour(DataDisplay::WaterShade shade, const QPalette& palette) {
    switch (shade) {
    case DataDisplay::WaterShade::Overheated:
        return QColor(255, 0, 0);
    case DataDisplay::WaterShade::Hot:
        return QColor(255, 255, 0);
    case DataDisplay::WaterShade::Normal:
        break;
    }
    return palette.color(QPalette::Highlight);
}

QTableWidgetItem* cellAt(QTableWidget* grid, int row, int column) {
    QTableWidgetItem* cell = grid->item(row, column);
    if (cell == nullptr) {
        cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsEnabled);
        grid->setItem(row, column, cell);
    }
    return cell;
}
} // namespace

DataWindow::DataWindow(const SettingsStore& store, LiveFeed* feed, QWidget* parent)
    : QWidget(parent), m_store(store),
      m_grid(new QTableWidget(DataDisplay::kRows, DataDisplay::kColumns, this)) {
    setObjectName(QStringLiteral("frmData"));
    setWindowTitle(QStringLiteral("Engine Data"));
    m_grid->setObjectName(QStringLiteral("DataGrid"));
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    m_grid->setFocusPolicy(Qt::NoFocus);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWhatsThis(tr("The live engine values, read from the ECU twice a second. The "
                            "water temperature turns yellow from 210 \u00b0F and red from "
                            "230 \u00b0F."));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid);
    upDateData(feed != nullptr ? feed->latest() : LiveSample());
    new GridFit(m_grid, GridFit::Rows::Natural);
    if (feed != nullptr) {
        connect(feed, &LiveFeed::sampled, this, &DataWindow::upDateData);
    }
}

void DataWindow::upDateData(const LiveSample& sample) {
    const DataDisplay d = composeDataDisplay(m_store.settings(), sample);
    for (const auto& name : d.names) {
        QTableWidgetItem* cell = cellAt(m_grid, name.row, name.column);
        cell->setText(name.text);
        QFont bold = cell->font();
        bold.setBold(true);
        cell->setFont(bold);
    }
    for (const auto& value : d.values) {
        QTableWidgetItem* cell = cellAt(m_grid, value.row, value.column);
        if (cell->text() != value.text) {
            cell->setText(value.text);
        }
        cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cell->setBackground(QColor(255, 255, 255));
        cell->setForeground(QColor(0, 0, 0));
    }
    QTableWidgetItem* water = cellAt(m_grid, d.waterRow, d.waterColumn);
    const QColor shade = shadeColour(d.waterShade, palette());
    water->setBackground(shade);
    water->setForeground(d.waterShade == DataDisplay::WaterShade::Normal
                             ? palette().color(QPalette::HighlightedText)
                             : QColor(0, 0, 0));
}

void DataWindow::closeEvent(QCloseEvent* event) {
    emit closed();
    event->accept();
}
