// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/SerialPorts.h"
#include "comm/QtSerialLink.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(SerialPorts, ListingSaysWhenThereAreNone) {
    EXPECT_EQ(describeSerialPorts({}), "No serial ports found.\n");
}

TEST(SerialPorts, ListingAlignsEveryColumn) {
    const QString text =
        describeSerialPorts({{"/dev/ttyS0", "", "", ""},
                             {"/dev/ttyUSB0", "USB Serial Converter", "Acme Cables", "A10K3ZQ"}});
    const QStringList lines = text.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("Device"));
    EXPECT_EQ(lines[1], "/dev/ttyS0");
    const qsizetype description = lines[0].indexOf("Description");
    EXPECT_EQ(lines[2].indexOf("USB Serial Converter"), description);
    EXPECT_EQ(lines[2].indexOf("Acme Cables"), lines[0].indexOf("Maker"));
    EXPECT_EQ(lines[2].indexOf("A10K3ZQ"), lines[0].indexOf("Serial number"));
    EXPECT_GT(description, QString("/dev/ttyUSB0").size());
}

TEST(SerialPorts, SavedChoiceIsWhatThePortMapReadsAndKeepsTheRest) {
    QTemporaryDir dir;
    const QString path = dir.filePath("config/Vantrel/ports.conf");
    // A first choice makes the folder and the file.
    EXPECT_EQ(savePortMapEntry(path, 2, "/dev/ttyUSB0"), "");
    EXPECT_EQ(PortMap::load(path).deviceFor(2), "/dev/ttyUSB0");

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# bench adapters\r\n\r\ncom2 = /dev/ttyUSB0\r\nCOM3=/dev/ttyACM0\r\n"
               "COM2 = /dev/old\r\n");
    file.close();
    EXPECT_EQ(savePortMapEntry(path, 2, "/dev/serial/by-id/usb-port 1"), "");
    const PortMap map = PortMap::load(path);
    EXPECT_EQ(map.deviceFor(2), "/dev/serial/by-id/usb-port 1");
    EXPECT_EQ(map.deviceFor(3), "/dev/ttyACM0");
    EXPECT_EQ(map.deviceFor(1), PortMap::defaultDevice(1));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.startsWith("# bench adapters\r\n\r\n"));
    EXPECT_EQ(text.count("COM2", Qt::CaseInsensitive), 1);

    EXPECT_NE(savePortMapEntry(dir.filePath("config/Vantrel/ports.conf/x"), 1, "/dev/x"), "");
}

TEST(SerialPorts, BytesThatAreNotUtf8AreKeptWhenTheMapIsRewritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ports.conf");
    const QByteArray latin1 = "# Adapter f\xfcr die Werkstatt\nCOM3 = /dev/ttyS\xe9\n";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(latin1);
    file.close();
    EXPECT_EQ(savePortMapEntry(path, 2, "/dev/ttyUSB0"), "");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), latin1 + "COM2 = /dev/ttyUSB0\n");
}

TEST(SerialPorts, OnlyARegularMapOfAtMostOneMegabyteIsReadOrRewritten) {
    QTemporaryDir dir;
    const QString zero = dir.filePath("zero.conf");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    const QString fifo = dir.filePath("fifo.conf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = dir.filePath("large.conf");
    QFile file(large);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("COM2 = /dev/ttyUSB0\n" + QByteArray(1024 * 1024, '#'));
    file.close();
    for (const QString& path : {zero, fifo, large}) {
        SCOPED_TRACE(path.toStdString());
        QString problem;
        EXPECT_EQ(PortMap::load(path, &problem).deviceFor(2), PortMap::defaultDevice(2));
        EXPECT_TRUE(problem.contains("port map was refused: Error - 5 - " + path))
            << problem.toStdString();
        EXPECT_TRUE(savePortMapEntry(path, 2, "/dev/ttyACM0").contains(path));
    }
    EXPECT_TRUE(QFileInfo(zero).isSymLink());
    EXPECT_EQ(QFileInfo(large).size(), 20 + 1024 * 1024);
    QString problem;
    EXPECT_EQ(PortMap::load(dir.filePath("absent.conf"), &problem).deviceFor(2),
              PortMap::defaultDevice(2));
    EXPECT_TRUE(problem.isEmpty()) << "a missing map is no problem";
}

TEST(SerialPorts, LowLatencyIsRefusedByADeviceWithoutSerialSettings) {
    // A pseudo-terminal has no serial driver; the request fails quietly and
    // the link opens it all the same.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    const int fd = ::open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(requestLowLatency(fd));
    ::close(fd);
    EXPECT_FALSE(requestLowLatency(-1));

    QtSerialLink link;
    link.setDevice(slave);
    QString error;
    EXPECT_TRUE(link.open(&error)) << error.toStdString();
    link.close();
    ::close(master);
}

} // namespace
