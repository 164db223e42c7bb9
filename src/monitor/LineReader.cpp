// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LineReader.h"

#include <QIODevice>
#include <cstring>

LineReader::LineReader(QIODevice& device, qsizetype maxLineBytes)
    : m_device(device), m_maxLineBytes(maxLineBytes) {
    // Room for one whole line, its line end and a read of the same size.
    m_buffer.resize(2 * m_maxLineBytes + 2);
}

bool LineReader::fill() {
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.constData() + m_begin,
                     static_cast<size_t>(m_end - m_begin));
        m_end -= m_begin;
        m_begin = 0;
    }
    const qint64 got = m_device.read(m_buffer.data() + m_end, m_buffer.size() - m_end);
    if (got < 0) {
        m_error = m_device.errorString();
        return false;
    }
    m_end += got;
    return got > 0;
}

bool LineReader::next(Line& line) {
    if (!m_error.isEmpty()) {
        return false;
    }
    qsizetype searched = m_begin;
    for (;;) {
        const char* start = m_buffer.constData();
        const void* found =
            std::memchr(start + searched, '\n', static_cast<size_t>(m_end - searched));
        if (found != nullptr) {
            const qsizetype lineEnd = static_cast<const char*>(found) - start;
            qsizetype textEnd = lineEnd;
            while (textEnd > m_begin && start[textEnd - 1] == '\r') {
                --textEnd;
            }
            // A line end found in the same read as a line too long.
            const bool overlong = textEnd - m_begin > m_maxLineBytes;
            line = Line{overlong ? QByteArrayView()
                                 : QByteArrayView(start + m_begin, textEnd - m_begin),
                        ++m_number, false, overlong};
            m_begin = lineEnd + 1;
            return true;
        }
        qsizetype text = m_end - m_begin;
        while (text > 0 && start[m_begin + text - 1] == '\r') {
            --text; // carriage returns that may yet turn out to end the line
        }
        if (text > m_maxLineBytes || m_end - m_begin > 2 * m_maxLineBytes) {
            // Too long to be a line of a log: drop it up to its line end.
            for (;;) {
                m_begin = m_end;
                if (!fill()) {
                    if (!m_error.isEmpty()) {
                        return false;
                    }
                    line = Line{{}, ++m_number, true, true};
                    return true;
                }
                const void* end =
                    std::memchr(m_buffer.constData(), '\n', static_cast<size_t>(m_end));
                if (end != nullptr) {
                    m_begin = static_cast<const char*>(end) - m_buffer.constData() + 1;
                    line = Line{{}, ++m_number, false, true};
                    return true;
                }
            }
        }
        searched = m_end - m_begin; // offset from the front once fill() moved the bytes
        if (!fill()) {
            if (!m_error.isEmpty() || m_begin == m_end) {
                return false;
            }
            qsizetype textEnd = m_end;
            while (textEnd > m_begin && m_buffer.constData()[textEnd - 1] == '\r') {
                --textEnd;
            }
            line = Line{QByteArrayView(m_buffer.constData() + m_begin, textEnd - m_begin),
                        ++m_number, true, false};
            m_begin = m_end;
            return true;
        }
    }
}
