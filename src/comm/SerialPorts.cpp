// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/SerialPorts.h"

#include "record/AtomicSave.h"
#include "record/FileAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStringList>
#include <algorithm>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

QList<SerialPortEntry> availableSerialPorts() {
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.append(
            {info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber()});
    }
    std::sort(ports.begin(), ports.end(), [](const SerialPortEntry& a, const SerialPortEntry& b) {
        return a.device < b.device;
    });
    return ports;
}

QString describeSerialPorts(const QList<SerialPortEntry>& ports) {
    if (ports.isEmpty()) {
        return QStringLiteral("No serial ports found.\n");
    }
    const QStringList headings{QStringLiteral("Device"), QStringLiteral("Description"),
                               QStringLiteral("Maker"), QStringLiteral("Serial number")};
    QList<QStringList> rows{headings};
    for (const SerialPortEntry& port : ports) {
        rows.append({port.device, port.description, port.manufacturer, port.serialNumber});
    }
    QList<qsizetype> widths(headings.size(), 0);
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    QString text;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        }
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text;
}

QByteArray portMapWithEntry(const QByteArray& text, int comNumber, const QString& device) {
    static const QRegularExpression entry(QStringLiteral("^\\s*COM([1-9][0-9]*)\\s*="),
                                          QRegularExpression::CaseInsensitiveOption);
    const QByteArray newLine = QStringLiteral("COM%1 = %2").arg(comNumber).arg(device).toUtf8();
    QByteArrayList lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    QByteArrayList out;
    bool replaced = false;
    for (const QByteArray& line : lines) {
        // The number is plain ASCII; the rest of the line may be in any
        // encoding and is matched only to be kept.
        const QRegularExpressionMatch m = entry.match(QString::fromLatin1(line));
        if (!m.hasMatch() || m.captured(1).toInt() != comNumber) {
            out.append(line);
        } else if (!replaced) {
            out.append(newLine); // a later line for the number would override it
            replaced = true;
        }
    }
    if (!replaced) {
        out.append(newLine);
    }
    return out.join('\n') + '\n';
}

QString savePortMapEntry(const QString& path, int comNumber, const QString& device) {
    QByteArray text;
    if (QFileInfo::exists(path)) {
        const WholeFile file = readWholeFile(path);
        if (!file.ok()) {
            return file.error;
        }
        text = file.data;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("The folder %1 could not be made").arg(folder);
    }
    return saveFileAtomically(path, portMapWithEntry(text, comNumber, device));
}

bool requestLowLatency(int fileDescriptor) {
#ifdef Q_OS_LINUX
    serial_struct serial{};
    if (::ioctl(fileDescriptor, TIOCGSERIAL, &serial) != 0) {
        return false;
    }
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) {
        return true;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fileDescriptor, TIOCSSERIAL, &serial) == 0;
#else
    Q_UNUSED(fileDescriptor);
    return false;
#endif
}
