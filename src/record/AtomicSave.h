// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Writes bytes to path atomically: the previous file under that name stays
// whole until the new one is complete, and stays as it was when the save
// fails. Returns an empty text on success, otherwise
// "Error - <number> - <description>".
QString saveFileAtomically(const QString& path, const QByteArray& data);
