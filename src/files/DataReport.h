#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

struct AppState;

// The printed data report: the whole settings record as a plain text listing
// for the tuner's records, each value in the units its editor shows. Every
// line starts with the two-blank left margin.
QStringList dataReportLines(const AppState& state, const QString& monitorVersion,
                            const QDateTime& printedAt);
