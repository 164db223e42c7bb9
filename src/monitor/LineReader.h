// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

class QIODevice;

// Reads a text file line by line in constant memory, whatever its size: a
// data log, its CSV. No line is ever held whole beyond its limit.
class LineReader {
public:
    // No line of a log or its CSV comes near this; a longer one is skipped.
    static constexpr qsizetype kMaxLineBytes = 64 * 1024;

    struct Line {
        // The line without its line end and without the carriage returns
        // before it; empty for an overlong line. Valid until the next call.
        QByteArrayView text;
        qint64 number = 0; // from 1
        // The input ended inside this line: it has no line end.
        bool partial = false;
        // Longer than the limit: its text was skipped.
        bool overlong = false;
    };

    explicit LineReader(QIODevice& device, qsizetype maxLineBytes = kMaxLineBytes);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line; false at the end of the input or after a read error.
    bool next(Line& line);
    // The device's reason when a read failed, else empty.
    const QString& error() const { return m_error; }

private:
    // Reads more after the unread bytes; false at the end or on an error.
    bool fill();

    QIODevice& m_device;
    qsizetype m_maxLineBytes;
    QByteArray m_buffer;
    qsizetype m_begin = 0; // first unread byte
    qsizetype m_end = 0;   // end of the bytes read
    qint64 m_number = 0;
    QString m_error;
};
