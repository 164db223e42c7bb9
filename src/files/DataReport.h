// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/ReportLayout.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

struct AppState;
struct EcuSettings;

// The printed data report: the whole settings record as a plain text listing
// for the tuner's records, each value in the units its editor shows. Every
// line starts with the two-blank left margin; the curves and tables are the
// listing's tables. The identity and the current file come from state.
std::vector<ReportBlock> dataReport(const AppState& state, const EcuSettings& settings,
                                    const QString& monitorVersion, const QDateTime& printedAt);

// The report's lines as text, unbroken.
QStringList dataReportLines(const AppState& state, const EcuSettings& settings,
                            const QString& monitorVersion, const QDateTime& printedAt);
