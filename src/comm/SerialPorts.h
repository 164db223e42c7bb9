// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <functional>

// One serial port of the machine as the system describes it.
struct SerialPortEntry {
    QString device; // the path to open, such as /dev/ttyUSB0 or COM3
    QString description;
    QString manufacturer;
    QString serialNumber;
};

// Lists the machine's serial ports; tests hand in their own list instead.
using SerialPortLister = std::function<QList<SerialPortEntry>()>;

// The serial ports the system knows of, sorted by device.
QList<SerialPortEntry> availableSerialPorts();

// The port list as text: a heading and one aligned line a port, or a line
// that says there are none.
QString describeSerialPorts(const QList<SerialPortEntry>& ports);

// The text of a port map file with COM port number comNumber mapped to
// device: an existing line for that number is replaced in place, otherwise
// the line is added at the end; every other line is kept byte for byte,
// whatever its encoding.
QByteArray portMapWithEntry(const QByteArray& text, int comNumber, const QString& device);

// Maps comNumber to device in the port map file at path (created with its
// folder when missing, replaced atomically). A file that cannot be read
// (not a regular file, over 1 MB) is left as it is. Returns an empty text on
// success, otherwise the reason.
QString savePortMapEntry(const QString& path, int comNumber, const QString& device);

// Asks the driver of an open serial port for low-latency mode, so that a USB
// adapter passes each received byte on at once instead of after its latency
// timer. Returns whether the driver took it; a port or system without the
// setting simply keeps its timing.
bool requestLowLatency(int fileDescriptor);
