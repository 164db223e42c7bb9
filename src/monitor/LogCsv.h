#pragma once

#include <QByteArray>
#include <QList>

// A data log (.log) as CSV. The log holds runs, each a header block (a rule,
// the date and time, the column titles) followed by its records, either the
// full record written after each poll or the time history plot's record. The
// CSV has one header row: "Time (s)" and the channels of every run, each with
// its unit, in the order they first appear; a row leaves the channels of
// another layout empty. Times count from the header of their own run.
struct LogCsv {
    QByteArray csv; // UTF-8, lines ending CR LF
    int records = 0;
    QList<int> skippedLines; // line numbers (from 1) of lines that are not records
};

LogCsv convertLogToCsv(const QByteArray& log);
