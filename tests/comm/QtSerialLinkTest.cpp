// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/QtSerialLink.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The test plays the ECU on the master side of a pseudo-terminal; the link
// opens the slave side like a serial port.
class PseudoTerminal {
public:
    PseudoTerminal() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) {
            m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
        }
    }
    ~PseudoTerminal() {
        if (m_master >= 0) {
            ::close(m_master);
        }
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ok() const { return m_master >= 0 && !m_slavePath.isEmpty(); }
    QString slavePath() const { return m_slavePath; }
    int master() const { return m_master; }

    void send(std::initializer_list<uint8_t> bytes) {
        const std::vector<uint8_t> data(bytes);
        ASSERT_EQ(::write(m_master, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    }

    // Reads what the link wrote: up to count bytes, each waited for at most
    // one second.
    std::vector<int> receive(size_t count) {
        std::vector<int> out;
        while (out.size() < count) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0) {
                break;
            }
            uint8_t b = 0;
            if (::read(m_master, &b, 1) != 1) {
                break;
            }
            out.push_back(b);
        }
        return out;
    }

private:
    int m_master = -1;
    QString m_slavePath;
};

class QtSerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        link.setDevice(pty.slavePath());
        QString error;
        ASSERT_TRUE(link.open(&error)) << error.toStdString();
    }

    PseudoTerminal pty;
    QtSerialLink link;
};

TEST_F(QtSerialLinkTest, ReadByteTimesOutWithMinusOneWhenNothingComes) {
    EXPECT_EQ(link.readByte(50), -1);
    EXPECT_EQ(link.lastFailure(), QtSerialLink::Failure::TimedOut);
}

// Control characters, line ends and byte zero must pass untouched both ways:
// the line is raw, without software flow control or newline translation. Bytes
// that arrive together are handed out one read at a time.
TEST_F(QtSerialLinkTest, EveryByteValuePassesUnchangedBothWays) {
    const std::vector<int> tricky = {0x11, 0x13, 0x0D, 0x0A, 0x03, 0x1A, 0x7F, 0xFF, 0x00};
    for (int b : tricky) {
        pty.send({static_cast<uint8_t>(b)});
    }
    for (int b : tricky) {
        EXPECT_EQ(link.readByte(1000), b);
    }
    for (int b : tricky) {
        ASSERT_TRUE(link.writeByte(static_cast<uint8_t>(b)));
    }
    EXPECT_EQ(pty.receive(tricky.size()), tricky);
}

TEST_F(QtSerialLinkTest, ClearDropsWaitingBytes) {
    pty.send({1, 2, 3});
    ASSERT_EQ(link.readByte(1000), 1);

    link.clear();

    EXPECT_EQ(link.readByte(50), -1);
    pty.send({7});
    EXPECT_EQ(link.readByte(1000), 7);
}

// While an exchange waits, the line owner's pump runs the event loop, in
// which the port takes waiting bytes in by itself: they are still the next
// ones read, and clear() drops them like any other.
TEST_F(QtSerialLinkTest, BytesTheEventLoopTookInAreReadFirstAndCleared) {
    const auto runEventLoop = [] {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    };
    pty.send({5, 6, 7});
    runEventLoop();
    pty.send({8});
    EXPECT_EQ(link.readByte(1000), 5);
    EXPECT_EQ(link.readBlock(3, 1000), QByteArray::fromHex("060708"));

    pty.send({1, 2});
    runEventLoop();
    link.clear();
    EXPECT_EQ(link.readByte(50), -1);
}

TEST_F(QtSerialLinkTest, ReadBlockCollectsUntilTheLengthArrivesOrTimeRunsOut) {
    pty.send({1, 2, 3});
    pty.send({4, 5});
    EXPECT_EQ(link.readBlock(5, 1000), QByteArray::fromHex("0102030405"));
    pty.send({9, 8});
    EXPECT_EQ(link.readBlock(4, 100), QByteArray::fromHex("0908"));
    EXPECT_EQ(link.lastFailure(), QtSerialLink::Failure::TimedOut);
}

// The ECU answers only once a request has arrived, a block in two pieces:
// each wait ends as soon as its bytes are there.
TEST_F(QtSerialLinkTest, RepliesThatComeLaterAndInPiecesAreWaitedFor) {
    constexpr int kExchanges = 20;
    std::thread ecu([this] {
        for (int i = 0; i <= kExchanges; ++i) {
            const std::vector<int> request = pty.receive(1);
            if (request.empty()) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (i < kExchanges) {
                pty.send({static_cast<uint8_t>(request[0] + 1)});
                continue;
            }
            pty.send({1, 2});
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            pty.send({3, 4, 5});
        }
    });
    for (int i = 0; i < kExchanges; ++i) {
        ASSERT_TRUE(link.writeByte(static_cast<uint8_t>(i * 10)));
        EXPECT_EQ(link.readByte(1000), i * 10 + 1);
    }
    ASSERT_TRUE(link.writeByte(99));
    EXPECT_EQ(link.readBlock(5, 1000), QByteArray::fromHex("0102030405"));
    EXPECT_EQ(link.lastFailure(), QtSerialLink::Failure::None);
    ecu.join();
}

// While the ECU takes nothing in, a byte that does not fit times out without
// a port error and the port stays open; once the line drains, writes pass
// again.
TEST_F(QtSerialLinkTest, WriteToAFullLineTimesOutAndPassesOnceItDrains) {
    link.setWriteTimeout(50);
    int written = 0;
    while (written < (1 << 20) && link.writeByte(0x55)) {
        ++written;
    }
    EXPECT_GT(written, 0);
    EXPECT_EQ(link.lastFailure(), QtSerialLink::Failure::TimedOut);
    EXPECT_TRUE(link.isOpen());

    uint8_t drained[4096];
    for (pollfd p{pty.master(), POLLIN, 0}; ::poll(&p, 1, 20) > 0;) {
        ASSERT_GT(::read(pty.master(), drained, sizeof drained), 0);
    }
    EXPECT_TRUE(link.writeByte(7));
    EXPECT_EQ(link.lastFailure(), QtSerialLink::Failure::None);
}

TEST_F(QtSerialLinkTest, LineIsSetTo19200Baud8N1WithoutFlowControl) {
    termios t{};
    ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_EQ(cfgetispeed(&t), B19200);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & PARENB, 0u);
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
}

TEST(QtSerialLinkClosed, OperationsOnAClosedPortDoNothing) {
    QtSerialLink link;
    EXPECT_FALSE(link.isOpen());
    link.clear();
    link.close();
    EXPECT_FALSE(link.writeByte(1));
    EXPECT_EQ(link.readByte(10), -1);
    EXPECT_EQ(link.lastFailure(), QtSerialLink::Failure::PortError);
    EXPECT_TRUE(link.readBlock(5, 10).isEmpty());
}

// Runs text() as a user that is neither the owner of the test's files nor in
// their group: as user nobody in a child process when the test runs as
// root, else with the file's permissions taken away for the while.
QString asAnotherUser(const QString& file, const std::function<QString()>& text) {
    const QByteArray name = QFile::encodeName(file);
    if (::geteuid() != 0) {
        ::chmod(name.constData(), 0);
        const QString result = text();
        ::chmod(name.constData(), 0660);
        return result;
    }
    int channel[2];
    if (::pipe(channel) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
            const QByteArray bytes = text().toUtf8();
            [[maybe_unused]] const auto written = ::write(channel[1], bytes.data(), bytes.size());
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray bytes;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        bytes.append(buffer, n);
    }
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(bytes);
}

TEST(QtSerialLinkClosed, GroupAdviceOnlyForAUserTheDeviceRefuses) {
    // A stand-in for a serial device: a file of the group dialout that only
    // its owner and that group may open.
    const group* dialout = ::getgrnam("dialout");
    const QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0711);
    const QString device = dir.filePath(QStringLiteral("ttyUSB0"));
    QFile file(device);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    if (dialout == nullptr ||
        ::chown(QFile::encodeName(device).constData(), ::getuid(), dialout->gr_gid) != 0) {
        GTEST_SKIP() << "no group dialout to give the file to";
    }
    ::chmod(QFile::encodeName(device).constData(), 0660);
    const auto text = [&device] {
        return QtSerialLink::openErrorText(device, QSerialPort::PermissionError,
                                           QStringLiteral("Permission denied"));
    };
    // This user may open the device: something else refused the port.
    EXPECT_EQ(text(), device + QStringLiteral(": Permission denied"));
    const QString refused = asAnotherUser(device, text);
    EXPECT_TRUE(refused.startsWith(device + QStringLiteral(": Permission denied - ")))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains(QStringLiteral("group dialout"))) << refused.toStdString();
    EXPECT_EQ(QtSerialLink::openErrorText(device, QSerialPort::DeviceNotFoundError,
                                          QStringLiteral("No such file or directory")),
              device + QStringLiteral(": No such file or directory"));
}

TEST(QtSerialLinkClosed, APortInUseNamesTheProgramThatHoldsIt) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    QtSerialLink holder;
    holder.setDevice(pty.slavePath());
    QString error;
    ASSERT_TRUE(holder.open(&error)) << error.toStdString();

    QtSerialLink second;
    second.setDevice(pty.slavePath());
    EXPECT_FALSE(second.open(&error));
    EXPECT_EQ(error, QStringLiteral("%1: the port is in use by %2 (process %3)")
                         .arg(pty.slavePath(), QCoreApplication::applicationName())
                         .arg(QCoreApplication::applicationPid()));
    // Another name of the same device leads to the same holder.
    const QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("ttyECU"));
    ASSERT_TRUE(QFile::link(pty.slavePath(), other));
    const auto held = QtSerialLink::lockHolder(other);
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(held->pid, QCoreApplication::applicationPid());

    holder.close();
    EXPECT_FALSE(QtSerialLink::lockHolder(pty.slavePath()).has_value());
    EXPECT_TRUE(second.open(&error)) << error.toStdString();
}

// Whatever the link was doing when the device went away ends with a port
// error, not a time-out, and closes the port.
TEST(QtSerialLinkVanished, DeviceThatGoesAwayClosesThePortAndOpensAgainOnceBack) {
    const std::vector<std::pair<const char*, std::function<bool(QtSerialLink&)>>> operations = {
        {"readByte", [](QtSerialLink& link) { return link.readByte(10000) >= 0; }},
        {"readBlock", [](QtSerialLink& link) { return !link.readBlock(1, 10000).isEmpty(); }},
        {"writeByte", [](QtSerialLink& link) { return link.writeByte(85); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        // The name the link opens stands for the adapter; each pseudo-terminal
        // is one time the adapter is plugged in.
        const QTemporaryDir dir;
        const QString device = dir.filePath(QStringLiteral("ttyUSB0"));
        auto plugged = std::make_unique<PseudoTerminal>();
        ASSERT_TRUE(plugged->ok());
        ASSERT_TRUE(QFile::link(plugged->slavePath(), device));
        QtSerialLink link;
        link.setDevice(device);
        QString error;
        ASSERT_TRUE(link.open(&error)) << error.toStdString();

        plugged.reset();
        EXPECT_FALSE(operation(link));
        EXPECT_EQ(link.lastFailure(), QtSerialLink::Failure::PortError);
        EXPECT_FALSE(link.isOpen()) << link.lastErrorText().toStdString();
        // The device's name goes with it (the number of the pseudo-terminal
        // may already stand for another one).
        ASSERT_TRUE(QFile::remove(device));
        EXPECT_FALSE(link.open(&error));
        EXPECT_TRUE(error.startsWith(device + QStringLiteral(": "))) << error.toStdString();

        PseudoTerminal back;
        ASSERT_TRUE(QFile::link(back.slavePath(), device));
        ASSERT_TRUE(link.open(&error)) << error.toStdString();
        back.send({42});
        EXPECT_EQ(link.readByte(1000), 42);
    }
}

TEST(PortMap, DefaultDevicesCountFromTtyS0) {
    EXPECT_EQ(PortMap::defaultDevice(1), "/dev/ttyS0");
    EXPECT_EQ(PortMap::defaultDevice(5), "/dev/ttyS4");
    EXPECT_EQ(PortMap{}.deviceFor(3), "/dev/ttyS2");
}

TEST(PortMap, MappedPortsNameAnyDeviceOthersKeepTheDefault) {
    const PortMap map = PortMap::parse(QStringLiteral("# my adapters\r\n"
                                                      "COM1 = /dev/ttyUSB0\r\n"
                                                      "  com3=/dev/serial/by-id/usb-FTDI port 1  \n"
                                                      "; COM2 = /dev/ignored\n"
                                                      "garbage line\n"));
    EXPECT_EQ(map.deviceFor(1), "/dev/ttyUSB0");
    EXPECT_EQ(map.deviceFor(2), "/dev/ttyS1");
    EXPECT_EQ(map.deviceFor(3), "/dev/serial/by-id/usb-FTDI port 1");
    EXPECT_EQ(PortMap::load(QStringLiteral("/nonexistent/ports.conf")).deviceFor(2), "/dev/ttyS1");
}

} // namespace
