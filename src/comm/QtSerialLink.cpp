#include "comm/QtSerialLink.h"

#include "comm/SerialPorts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

#ifdef Q_OS_LINUX
#include <grp.h>
#include <sys/stat.h>
#endif

QString PortMap::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/ports.conf");
}

PortMap PortMap::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    return parse(QString::fromUtf8(file.readAll()));
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
    QString text = path + QStringLiteral(": ") + systemText;
#ifdef Q_OS_LINUX
    struct stat info {};
    if (error == QSerialPort::PermissionError &&
        ::stat(QFile::encodeName(path).constData(), &info) == 0) {
        const group* owner = ::getgrgid(info.st_gid);
        const QString name =
            owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
        text += QStringLiteral(" - to get access, add your user to the group %1 that owns the "
                               "device (sudo usermod -aG %1 $USER) and log in again")
                    .arg(name);
    }
#else
    Q_UNUSED(error);
#endif
    return text;
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
        fail(Failure::PortError);
        return false;
    }
    const char c = static_cast<char>(byte);
    if (m_port.write(&c, 1) != 1) {
        fail(Failure::PortError);
        return false;
    }
#ifndef Q_OS_WIN
    // The byte goes to the driver at once instead of after a wait for room:
    // request and reply alternate, so there is room. A byte the driver
    // refuses stays queued for the wait below, which tells a full line from a
    // lost device. (On Windows a flush waits, without a time limit, until the
    // byte has left the port, so there the wait does it all.)
    if (!m_port.flush()) {
        m_port.clearError();
    }
#endif
    const QDeadlineTimer deadline(m_writeTimeoutMs);
    while (m_port.bytesToWrite() > 0) {
        if (m_port.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            continue;
        }
        if (m_port.error() != QSerialPort::TimeoutError) {
            fail(Failure::PortError);
            return false;
        }
        m_port.clearError();
        if (deadline.hasExpired()) {
            fail(Failure::TimedOut);
            return false;
        }
    }
    return true;
}

int QtSerialLink::readByte(int timeoutMs) {
    m_lastFailure = Failure::None;
    if (!m_port.isOpen()) {
        fail(Failure::PortError);
        return -1;
    }
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    while (m_port.bytesAvailable() < 1) {
        if (!waitForInput(deadline)) {
            return -1;
        }
    }
    char c = 0;
    if (!m_port.getChar(&c)) {
        fail(Failure::PortError);
        return -1;
    }
    return static_cast<uint8_t>(c);
}

QByteArray QtSerialLink::readBlock(int minLength, int timeoutMs) {
    m_lastFailure = Failure::None;
    QByteArray received;
    if (!m_port.isOpen()) {
        fail(Failure::PortError);
        return received;
    }
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    for (;;) {
        received += m_port.readAll();
        if (received.size() >= minLength || !waitForInput(deadline)) {
            return received;
        }
    }
}

bool QtSerialLink::waitForInput(const QDeadlineTimer& deadline) {
    for (;;) {
        if (m_port.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return true;
        }
        if (m_port.error() != QSerialPort::TimeoutError && m_port.error() != QSerialPort::NoError) {
            fail(Failure::PortError);
            return false;
        }
        m_port.clearError();
        if (deadline.hasExpired()) {
            fail(Failure::TimedOut);
            return false;
        }
    }
}

void QtSerialLink::fail(Failure failure) {
    m_lastFailure = failure;
    if (failure == Failure::PortError) {
        m_lastErrorText =
            devicePath(m_device) + QStringLiteral(": ") +
            (m_port.isOpen() ? m_port.errorString() : QStringLiteral("Port not open"));
        // The device went away (a USB adapter pulled): the port is closed, so
        // that the next open, by the next search, finds the device again
        // once it is back.
        bool vanished = m_port.error() == QSerialPort::ResourceError;
#ifndef Q_OS_WIN
        vanished = vanished || !QFileInfo::exists(devicePath(m_device));
#endif
        m_port.clearError();
        if (vanished) {
            m_port.close();
        }
    } else {
        m_lastErrorText.clear();
    }
}
