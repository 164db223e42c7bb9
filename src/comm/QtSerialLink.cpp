// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/QtSerialLink.h"

#include "comm/SerialPorts.h"
#include "record/FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif
#ifdef Q_OS_LINUX
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifndef Q_OS_WIN
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

QString PortMap::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/ports.conf");
}

PortMap PortMap::load(const QString& path, QString* problem) {
    const WholeFile file = readWholeFile(path);
    if (file.refused && problem != nullptr) {
        *problem = QStringLiteral("The COM port numbers stand for their usual devices, since "
                                  "the port map was refused: %1")
                       .arg(file.error);
    }
    return file.ok() ? parse(QString::fromUtf8(file.data)) : PortMap{};
}

PortMap PortMap::parse(const QString& text) {
    static const QRegularExpression line(
        QStringLiteral("^\\s*COM([1-9][0-9]*)\\s*=\\s*(.*\\S)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    PortMap map;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(QLatin1Char('#')) || trimmed.startsWith(QLatin1Char(';'))) {
            continue;
        }
        const QRegularExpressionMatch m = line.match(trimmed);
        if (m.hasMatch()) {
            map.m_devices[m.captured(1).toInt()] = m.captured(2);
        }
    }
    return map;
}

QString PortMap::deviceFor(int comNumber) const {
    const auto it = m_devices.find(comNumber);
    return it != m_devices.end() ? it->second : defaultDevice(comNumber);
}

QString PortMap::defaultDevice(int comNumber) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(comNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
#endif
}

void QtSerialLink::setDevice(const QString& device) {
    m_device = device;
}

QString QtSerialLink::devicePath(const QString& name) {
#ifdef Q_OS_WIN
    return name;
#else
    if (name.contains(QLatin1Char('/'))) {
        return QFileInfo(name).absoluteFilePath();
    }
    return QStringLiteral("/dev/") + name;
#endif
}

QString QtSerialLink::openErrorText(const QString& path, QSerialPort::SerialPortError error,
                                    const QString& systemText) {
    // The serial port library reports a port locked by another program as a
    // permission error too: the group advice is only for a device that this
    // user may not open.
    if (error == QSerialPort::PermissionError) {
        if (const std::optional<PortLockHolder> holder = lockHolder(path)) {
            return path + QStringLiteral(": the port is in use by %1 (process %2)")
                              .arg(holder->program.isEmpty() ? QStringLiteral("another program")
                                                             : holder->program)
                              .arg(holder->pid);
        }
    }
    QString text = path + QStringLiteral(": ") + systemText;
#ifdef Q_OS_LINUX
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (error == QSerialPort::PermissionError && ::access(name.constData(), R_OK | W_OK) != 0 &&
        (errno == EACCES || errno == EPERM) && ::stat(name.constData(), &info) == 0) {
        const group* owner = ::getgrgid(info.st_gid);
        const QString group =
            owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
        text += QStringLiteral(" - to get access, add your user to the group %1 that owns the "
                               "device (sudo usermod -aG %1 $USER) and log in again")
                    .arg(group);
    }
#endif
    return text;
}

std::optional<QtSerialLink::PortLockHolder> QtSerialLink::lockHolder(const QString& path) {
#ifdef Q_OS_UNIX
    // The library locks a device with a lock file named LCK.. and the
    // device's path (below /dev, slashes as underscores), in the first of
    // these folders that holds one or may take one. A device opened under
    // another name of the same device is looked up by its real path too.
    static const QStringList folders{
        QStringLiteral("/var/lock"),
        QStringLiteral("/etc/locks"),
        QStringLiteral("/var/spool/locks"),
        QStringLiteral("/var/spool/uucp"),
        QStringLiteral("/tmp"),
        QStringLiteral("/var/tmp"),
        QStringLiteral("/var/lock/lockdev"),
        QStringLiteral("/run/lock"),
        QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    QStringList names{path};
    const QString real = QFileInfo(path).canonicalFilePath();
    if (!real.isEmpty() && real != path) {
        names << real;
    }
    for (QString name : names) {
        if (name.startsWith(QStringLiteral("/dev/"))) {
            name.remove(0, 5);
        }
        name = QStringLiteral("/LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
        for (const QString& folder : folders) {
            const QFileInfo where(folder);
            if (!where.isReadable() || (!QFileInfo::exists(folder + name) && !where.isWritable())) {
                continue;
            }
            qint64 pid = 0;
            QString host;
            QString program;
            const QLockFile lock(folder + name);
            // A lock left by a program that has ended holds nothing.
            if (lock.getLockInfo(&pid, &host, &program) && pid > 0 &&
                (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)) {
                return PortLockHolder{pid, program};
            }
            break;
        }
    }
#else
    Q_UNUSED(path);
#endif
    return std::nullopt;
}

bool QtSerialLink::open(QString* errorText) {
    if (m_port.isOpen()) {
        return true;
    }
    m_port.setPortName(devicePath(m_device));
    m_port.setBaudRate(kBaudRate);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        if (errorText != nullptr) {
            *errorText = openErrorText(devicePath(m_device), m_port.error(), m_port.errorString());
        }
        m_port.clearError();
        return false;
    }
#ifdef Q_OS_LINUX
    // A USB adapter otherwise holds each reply for its latency timer; a port
    // that refuses keeps its own timing.
    requestLowLatency(static_cast<int>(m_port.handle()));
#endif
    return true;
}

void QtSerialLink::close() {
    if (m_port.isOpen()) {
        m_port.close();
    }
}

bool QtSerialLink::isOpen() const {
    return m_port.isOpen();
}

void QtSerialLink::clear() {
    if (m_port.isOpen()) {
        m_port.clear(QSerialPort::Input);
    }
}

bool QtSerialLink::writeByte(uint8_t byte) {
    m_lastFailure = Failure::None;
    if (!m_port.isOpen()) {
        notePortError(QStringLiteral("Port not open"), false);
        return false;
    }
    const QDeadlineTimer deadline(m_writeTimeoutMs);
#ifdef Q_OS_WIN
    const char c = static_cast<char>(byte);
    if (m_port.write(&c, 1) != 1) {
        notePortErrorFromPort();
        return false;
    }
    while (m_port.bytesToWrite() > 0) {
        if (m_port.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            continue;
        }
        if (m_port.error() != QSerialPort::TimeoutError) {
            notePortErrorFromPort();
            return false;
        }
        m_port.clearError();
        if (deadline.hasExpired()) {
            noteTimeOut();
            return false;
        }
    }
    return true;
#else
    // The byte goes to the driver at once; only when the driver has no room
    // for it (the other side takes nothing in) does the link wait.
    for (;;) {
        const ssize_t written = ::write(descriptor(), &byte, 1);
        if (written == 1) {
            return true;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            notePortErrorFromSystem(errno);
            return false;
        }
        const short events = waitForDescriptor(POLLOUT, deadline);
        if (events == 0) {
            return false;
        }
        if ((events & POLLOUT) == 0) {
            notePortErrorFromSystem(EIO);
            return false;
        }
    }
#endif
}

int QtSerialLink::readByte(int timeoutMs) {
    m_lastFailure = Failure::None;
    if (!m_port.isOpen()) {
        notePortError(QStringLiteral("Port not open"), false);
        return -1;
    }
    char c = 0;
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    return receive(&c, 1, deadline) == 1 ? static_cast<uint8_t>(c) : -1;
}

QByteArray QtSerialLink::readBlock(int minLength, int timeoutMs) {
    m_lastFailure = Failure::None;
    QByteArray received;
    if (!m_port.isOpen()) {
        notePortError(QStringLiteral("Port not open"), false);
        return received;
    }
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    // One read takes all that the driver holds.
    char chunk[4096];
    while (received.size() < minLength) {
        const qint64 count = receive(chunk, sizeof chunk, deadline);
        if (count < 0) {
            break;
        }
        received.append(chunk, count);
    }
    return received;
}

qint64 QtSerialLink::receive(char* data, qint64 size, const QDeadlineTimer& deadline) {
    // Bytes that the port took in by itself, while the pump of the line
    // owner ran the event loop, come first.
    if (m_port.bytesAvailable() > 0) {
        return m_port.read(data, size);
    }
#ifdef Q_OS_WIN
    for (;;) {
        if (m_port.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return m_port.read(data, size);
        }
        if (m_port.error() != QSerialPort::TimeoutError && m_port.error() != QSerialPort::NoError) {
            notePortErrorFromPort();
            return -1;
        }
        m_port.clearError();
        if (deadline.hasExpired()) {
            noteTimeOut();
            return -1;
        }
    }
#else
    for (;;) {
        const short events = waitForDescriptor(POLLIN, deadline);
        if (events == 0) {
            return -1;
        }
        const ssize_t count = ::read(descriptor(), data, static_cast<size_t>(size));
        if (count > 0) {
            return count;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR) {
            notePortErrorFromSystem(errno);
            return -1;
        }
        if ((events & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            notePortErrorFromSystem(EIO);
            return -1;
        }
    }
#endif
}

#ifndef Q_OS_WIN
int QtSerialLink::descriptor() const {
    return static_cast<int>(m_port.handle());
}

short QtSerialLink::waitForDescriptor(short events, const QDeadlineTimer& deadline) {
    pollfd request{descriptor(), events, 0};
    for (;;) {
        const int ready = ::poll(&request, 1, static_cast<int>(deadline.remainingTime()));
        if (ready > 0) {
            return request.revents;
        }
        if (ready < 0 && errno != EINTR) {
            notePortErrorFromSystem(errno);
            return 0;
        }
        if (ready == 0 && deadline.hasExpired()) {
            noteTimeOut();
            return 0;
        }
    }
}

void QtSerialLink::notePortErrorFromSystem(int errorNumber) {
    // Input/output errors are what a device that went away leaves behind.
    notePortError(qt_error_string(errorNumber),
                  errorNumber == EIO || errorNumber == ENXIO || errorNumber == ENODEV);
}
#else
void QtSerialLink::notePortErrorFromPort() {
    notePortError(m_port.errorString(), m_port.error() == QSerialPort::ResourceError);
    m_port.clearError();
}
#endif

void QtSerialLink::noteTimeOut() {
    m_lastFailure = Failure::TimedOut;
    m_lastErrorText.clear();
}

void QtSerialLink::notePortError(const QString& systemText, bool vanished) {
    m_lastFailure = Failure::PortError;
    m_lastErrorText = devicePath(m_device) + QStringLiteral(": ") + systemText;
    // The device went away (a USB adapter pulled): the port is closed, so
    // that the next open, by the next search, finds the device again once it
    // is back.
#ifndef Q_OS_WIN
    vanished = vanished || !QFileInfo::exists(devicePath(m_device));
#endif
    if (vanished && m_port.isOpen()) {
        m_port.close();
    }
}
