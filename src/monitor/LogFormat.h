// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "record/SettingCodes.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <array>

struct AppState;
class LiveSample;

// The text lines of the data log. Every line is returned without its line end
// (the writer adds CR LF). Values are formatted with their numeric pattern and
// right-aligned in their field; a text longer than its field is kept whole and
// pushes the rest of the line to the right.

// First header line: 110 "-".
QString logRuleLine();

// Second header line: the date in the locale's short format and, from column
// 15 (the next 14-column zone after the date), the time of day in the
// locale's long format without a time-zone name.
QString logDateTimeLine(const QDateTime& now, const QLocale& locale);

// The time of day format of the locale with any time-zone name left out.
QString logTimeOfDayFormat(const QLocale& locale);

// Third header line and record line of the full record written after each poll.
QString fullRecordTitleLine();
QString fullRecordLine(const LiveSample& sample, double secondsSinceHeader);

// What a plot record shows besides the sample's values: the load column
// follows the load control, the user inputs' titles and patterns their
// modes; the channels are the plot's list entries (0 fuel, 1 ignition, 2
// throttle, 3 rpm, 4 air, 5 water, 6 battery, 7 MAP, 8..10 user inputs
// 1..3), and trace 2 shows nothing when its entry is not one of them
// (" Off "). With extra logging in developer mode the spare values follow.
struct PlotLogLayout {
    LoadControl loadControl{};
    std::array<AnalogInputMode, 3> userModes{};
    std::array<int, 2> channels{};
    bool developerColumns = false;
    decltype(EcuSettings::UC_Extra) ucExtra{};
    decltype(EcuSettings::UI_Extra) uiExtra{};
};
PlotLogLayout plotLogLayout(const AppState& state, const EcuSettings& settings,
                            const std::array<int, 2>& channels);

// Third header line and record line of the time history plot's record.
QString plotRecordTitleLine(const PlotLogLayout& layout);
QString plotRecordLine(const LiveSample& sample, const PlotLogLayout& layout,
                       double secondsSinceHeader);
