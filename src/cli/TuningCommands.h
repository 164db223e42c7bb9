// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/Commands.h"
#include "record/EcuSettings.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class LogRecordSink;

// What the commands that read data logs against a tune share.

inline constexpr int kGridSize = 16;

// Tells the reason as an error and gives the exit code of bad input.
using Fail = std::function<int(const QString&)>;
Fail failWith(CliContext& context);

// A data file read over the start-up defaults; tells why when it cannot be.
std::optional<EcuSettings> loadTune(const QString& path, CliContext& context);

// A decimal number, or nothing.
std::optional<double> parseNumber(const QString& text);

// Streams every log through sink, adding the records read to records. Tells
// of lines skipped; on a log that cannot be read, tells why and returns
// false.
bool readLogs(const QString& command, const QStringList& paths, LogRecordSink& sink,
              CliContext& context, qint64* records);

CliCommand logCommand();
CliCommand autotuneCommand();
