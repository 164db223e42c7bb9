// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableModel.h"

#include "record/LoadAxis.h"
#include "record/NumberFormat.h"
#include "record/SettingCodes.h"

namespace {

double labelNumber(QString text) {
    return text.remove(QLatin1Char(',')).trimmed().toDouble();
}

} // namespace

int64_t TableModel::raw(int gridRow, int gridColumn) const {
    return m_description.tableOf(m_settings)[static_cast<std::size_t>(gridRow - 1)]
                                            [static_cast<std::size_t>(gridColumn - 1)];
}

QString TableModel::text(int gridRow, int gridColumn) const {
    return m_description.cellText(raw(gridRow, gridColumn));
}

RgbColour TableModel::colour(int gridRow, int gridColumn) const {
    const uint8_t mark = m_description.marksOf(
        m_state.display)[static_cast<std::size_t>(gridRow)][static_cast<std::size_t>(gridColumn)];
    return m_description.markColour(
        mark, m_description.inHighlightedRegion(gridRow, gridColumn, m_settings, m_state));
}

QString TableModel::rpmLabel(int gridColumn) const {
    const EcuSettings& s = m_settings;
    // A record without an rpm axis labels every column with zero rpm.
    const float step = s.RpmIndexMax > 0 ? static_cast<float>(s.MaxRpm) / s.RpmIndexMax : 0.0f;
    return numberToText(step * static_cast<float>(gridColumn - 1));
}

QString TableModel::loadLabel(int gridRow) const {
    const std::optional<double> load = loadOfStep(m_settings, kGridSize - 1 - gridRow);
    if (!load) {
        return {};
    }
    return QLatin1Char(' ') + formatNumber(*load, QStringLiteral("###,##0.0"));
}

double TableModel::rpmLabelValue(int gridColumn) const {
    return labelNumber(rpmLabel(gridColumn));
}

double TableModel::loadLabelValue(int gridRow) const {
    return labelNumber(loadLabel(gridRow));
}

std::optional<QString> TableModel::loadCaption() const {
    switch (loadControl(m_settings)) {
    case LoadControl::Map:
        return QStringLiteral("  M A P  ");
    case LoadControl::Tps:
        return QStringLiteral("  T P S  ");
    case LoadControl::Volts:
        return QStringLiteral("V O L T S");
    default:
        return std::nullopt;
    }
}
