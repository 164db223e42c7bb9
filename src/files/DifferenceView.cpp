// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DifferenceView.h"

#include "tables/GridFit.h"

#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const char* const kFieldProperty = "differenceField";

QTableWidgetItem* cellItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString percentText(double percent) {
    return (percent > 0 ? QStringLiteral("+") : QString()) + QString::number(percent, 'f', 1) +
           QLatin1Char('%');
}

} // namespace

DifferenceView::DifferenceView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DifferenceView"));
    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("DifferenceHeading"));
    m_heading->setWordWrap(true);
    m_heading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("DifferencePages"));
    m_pages->setDocumentMode(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_heading);
    layout->addWidget(m_pages, 1);
    connect(m_pages, &QTabWidget::currentChanged, this, &DifferenceView::chosenItemChanged);
}

void DifferenceView::clearPages() {
    while (m_pages->count() > 0) {
        QWidget* page = m_pages->widget(0);
        m_pages->removeTab(0);
        delete page;
    }
    m_settings = nullptr;
    m_curves = nullptr;
}

void DifferenceView::showText(const QString& text) {
    m_difference = {};
    clearPages();
    m_heading->setText(text);
    m_pages->hide();
    emit chosenItemChanged();
}

// A page's name without its count: "Fuel Table" of "Fuel Table (12)".
QString DifferenceView::pageName(int index) const {
    return m_pages->tabText(index).section(QStringLiteral(" ("), 0, 0);
}

void DifferenceView::compare(const EcuSettings& first, const EcuSettings& second,
                             const QString& firstName, const QString& secondName) {
    const QSignalBlocker quiet(m_pages);
    // The page shown stays in front while it is still there.
    const QString shown = m_pages->count() > 0 ? pageName(m_pages->currentIndex()) : QString();
    clearPages();
    m_difference = settingsDifference(first, second);
    if (m_difference.empty()) {
        m_heading->setText(tr("%1 and %2 hold the same settings.").arg(firstName, secondName));
        m_pages->hide();
        emit chosenItemChanged();
        return;
    }
    m_heading->setText(tr("%n value(s) differ. Each reads: %1 -> %2.", nullptr, m_difference.count)
                           .arg(firstName, secondName));
    fillSettings(firstName, secondName);
    for (const TableDifference& table : m_difference.tables) {
        QWidget* page = tablePage(table);
        m_pages->addTab(page, tr("%1 (%2)").arg(table.title).arg(table.changedCells));
    }
    fillCurves(firstName, secondName);
    m_pages->show();
    int current = 0;
    for (int i = 0; i < m_pages->count(); ++i) {
        current = pageName(i) == shown ? i : current;
    }
    m_pages->setCurrentIndex(current);
    emit chosenItemChanged();
}

QTableWidget* DifferenceView::addListPage(const QString& name, const QStringList& headings,
                                          const std::vector<QStringList>& rows,
                                          const QString& tab) {
    auto* grid = new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(headings.size()));
    grid->setObjectName(name);
    grid->setHorizontalHeaderLabels(headings);
    grid->verticalHeader()->hide();
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setAlternatingRowColors(true);
    grid->horizontalHeader()->setStretchLastSection(true);
    connect(grid, &QTableWidget::currentCellChanged, this, &DifferenceView::chosenItemChanged);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < rows[row].size(); ++column) {
            grid->setItem(static_cast<int>(row), column, cellItem(rows[row][column]));
        }
    }
    grid->resizeColumnsToContents();
    grid->setCurrentCell(0, 0);
    m_pages->addTab(grid, tab);
    return grid;
}

void DifferenceView::fillSettings(const QString& firstName, const QString& secondName) {
    if (m_difference.settings.empty()) {
        return;
    }
    std::vector<QStringList> rows;
    for (const SettingDifference& s : m_difference.settings) {
        rows.push_back({s.name, s.first, s.second});
    }
    m_settings =
        addListPage(QStringLiteral("SettingsDifferences"), {tr("Setting"), firstName, secondName},
                    rows, tr("Settings (%1)").arg(rows.size()));
}

void DifferenceView::fillCurves(const QString& firstName, const QString& secondName) {
    if (m_difference.curves.empty()) {
        return;
    }
    std::vector<QStringList> rows;
    for (const CurvePointDifference& c : m_difference.curves) {
        rows.push_back({c.curve, c.point, c.first, c.second});
    }
    m_curves = addListPage(QStringLiteral("CurveDifferences"),
                           {tr("Curve"), tr("Point"), firstName, secondName}, rows,
                           tr("Curves (%1)").arg(rows.size()));
}

QWidget* DifferenceView::tablePage(const TableDifference& table) {
    auto* page = new QWidget;
    page->setProperty(kFieldProperty, static_cast<int>(table.field));
    auto* caption = new QLabel(
        tr("Rpm across, %1 down; each cell holds the second value in %2. Red: more than the "
           "first, blue: less, deepest at %3% or more.")
            .arg(table.loadCaption, table.unit)
            .arg(kFullColourPercent),
        page);
    caption->setWordWrap(true);
    auto* grid = new QTableWidget(TableDifference::kSize, TableDifference::kSize, page);
    grid->setObjectName(table.field == FieldId::FuelTable
                            ? QStringLiteral("FuelDifferenceGrid")
                            : QStringLiteral("IgnitionDifferenceGrid"));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->horizontalHeader()->setSectionsClickable(false);
    grid->verticalHeader()->setSectionsClickable(false);
    QStringList rpm;
    QStringList load;
    for (int i = 0; i < TableDifference::kSize; ++i) {
        rpm << table.rpmLabels[static_cast<std::size_t>(i)];
        load << table.loadLabels[static_cast<std::size_t>(i)];
    }
    grid->setHorizontalHeaderLabels(rpm);
    grid->setVerticalHeaderLabels(load);
    for (int row = 0; row < TableDifference::kSize; ++row) {
        for (int column = 0; column < TableDifference::kSize; ++column) {
            const TableCellDifference& cell =
                table.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
            QTableWidgetItem* item = cellItem(cell.text);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            item->setBackground(QColor(cell.colour.red, cell.colour.green, cell.colour.blue));
            item->setForeground(QColor(cell.changed ? Qt::black : Qt::gray));
            if (cell.changed) {
                item->setToolTip(cell.detail + QStringLiteral(" (") + percentText(cell.percent) +
                                 QLatin1Char(')'));
            }
            grid->setItem(row, column, item);
        }
    }
    new GridFit(grid, GridFit::Rows::Fill);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(caption);
    layout->addWidget(grid, 1);
    return page;
}

QTableWidget* DifferenceView::tableGrid(FieldId field) const {
    for (int i = 0; i < m_pages->count(); ++i) {
        QWidget* page = m_pages->widget(i);
        const QVariant value = page->property(kFieldProperty);
        if (value.isValid() && value.toInt() == static_cast<int>(field)) {
            return page->findChild<QTableWidget*>();
        }
    }
    return nullptr;
}

std::optional<RestoreTarget> DifferenceView::chosenItem() const {
    QWidget* page = m_pages->isHidden() ? nullptr : m_pages->currentWidget();
    if (page == nullptr) {
        return std::nullopt;
    }
    if (page == m_settings) {
        const int row = m_settings->currentRow();
        if (row < 0) {
            return std::nullopt;
        }
        const SettingDifference& s = m_difference.settings[static_cast<std::size_t>(row)];
        return RestoreTarget{RestoreScope::Setting, s.field, s.name};
    }
    if (page == m_curves) {
        const int row = m_curves->currentRow();
        if (row < 0) {
            return std::nullopt;
        }
        const CurvePointDifference& c = m_difference.curves[static_cast<std::size_t>(row)];
        return RestoreTarget{RestoreScope::Curve, c.field, c.curve};
    }
    const QVariant value = page->property(kFieldProperty);
    for (const TableDifference& table : m_difference.tables) {
        if (value.isValid() && value.toInt() == static_cast<int>(table.field)) {
            return RestoreTarget{RestoreScope::Table, table.field, table.title};
        }
    }
    return std::nullopt;
}
