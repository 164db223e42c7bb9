// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/SerialLink.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QString>
#include <map>
#include <optional>

// Which device each COM port number 1..5 of the port menu stands for. On
// Windows COMn is the device COMn; elsewhere COMn is /dev/ttyS(n-1) unless the
// user's port map names another device, one line per port:
//
//     COM1 = /dev/ttyUSB0
//     # comments start with '#' or ';'
class PortMap {
public:
    // The per-user map file, kept apart from the program's settings file.
    static QString defaultPath();
    // Reads a map file; a missing or unreadable file gives an empty map. A
    // file that is there but refused (not a regular file, over 1 MB) sets
    // problem to a message for the user that names it.
    static PortMap load(const QString& path, QString* problem = nullptr);
    static PortMap parse(const QString& text);

    // The device of a COM port number: the mapped one, else the default.
    QString deviceFor(int comNumber) const;
    static QString defaultDevice(int comNumber);

private:
    std::map<int, QString> m_devices;
};

// The serial link on a real port: 19200 baud, 8 data bits, no parity, one stop
// bit, no flow control. Every wait blocks with a deadline; nothing spins.
// Outside Windows the port opens the device and sets up the line, and the
// bytes then go straight through its descriptor, one system call to wait and
// one to read or write: the port's own waits and buffers cost the exchange
// more CPU than those calls.
class QtSerialLink : public SerialLink {
public:
    enum class Failure { None, TimedOut, PortError };

    static constexpr int kBaudRate = 19200;
    static constexpr int kWriteTimeoutMs = 1000;

    // How long writeByte waits for room for a byte the driver refused.
    void setWriteTimeout(int ms) { m_writeTimeoutMs = ms; }

    // The device opened by the next open(): a name such as COM3 or ttyS0, or a
    // path such as /dev/ttyUSB0 (see devicePath).
    void setDevice(const QString& device);
    QString device() const { return m_device; }

    // What a device name stands for. Outside Windows a name with a "/" is a
    // path (a relative one from the working folder) and a bare name is the
    // device of that name under /dev; on Windows the name is used as it is.
    static QString devicePath(const QString& name);
    // The text of a failure to open the device at path: the path, then the
    // system's text. A port that another program holds (its lock file names
    // it) says so and names that program; when the device itself refuses
    // this user, on Linux also how to get access (the group that owns the
    // device, usually dialout).
    static QString openErrorText(const QString& path, QSerialPort::SerialPortError error,
                                 const QString& systemText);

    // The program that holds the lock of the device at path, if a running
    // one does.
    struct PortLockHolder {
        qint64 pid = 0;
        QString program; // its name, as it gave it
    };
    static std::optional<PortLockHolder> lockHolder(const QString& path);

    bool open(QString* errorText) override;
    void close() override;
    bool isOpen() const override;
    void clear() override;
    bool writeByte(uint8_t byte) override;
    int readByte(int timeoutMs) override;
    QByteArray readBlock(int minLength, int timeoutMs) override;

    // Why the last readByte, readBlock or writeByte came back empty-handed:
    // the time ran out, or the port failed (with the system's text). A device
    // that went away closes the port: isOpen() is false from then on, and
    // open() opens the device again once it is back.
    Failure lastFailure() const { return m_lastFailure; }
    QString lastErrorText() const { return m_lastErrorText; }

private:
    // Reads up to size bytes into data once at least one is there; -1 after a
    // time-out or a port error (noted).
    qint64 receive(char* data, qint64 size, const QDeadlineTimer& deadline);
#ifndef Q_OS_WIN
    int descriptor() const;
    // Waits until the descriptor reports one of events, an error or a
    // hang-up; returns what it reported, or 0 after a time-out or a failed
    // wait (noted).
    short waitForDescriptor(short events, const QDeadlineTimer& deadline);
    void notePortErrorFromSystem(int errorNumber);
#else
    void notePortErrorFromPort();
#endif
    void noteTimeOut();
    // Notes a port error with the system's text; a device that went away
    // closes the port.
    void notePortError(const QString& systemText, bool vanished);

    QSerialPort m_port;
    QString m_device;
    int m_writeTimeoutMs = kWriteTimeoutMs;
    Failure m_lastFailure = Failure::None;
    QString m_lastErrorText;
};
