// SPDX-License-Identifier: GPL-3.0-or-later
// The data file commands of the main window as the tuner uses them: File >
// Open, Save, Save As, the recent files, Send Again and the printouts, on the
// simulated ECU.

#include "ModalAnswer.h"
#include "SimulatedMainWindow.h"
#include "StartupRecord.h"
#include "StoreRecord.h"
#include "files/EcuFile.h"
#include "files/PrintFile.h"
#include "history/ReconnectDialog.h"
#include "monitor/StatusBarWidget.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QtTest/QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using Answer = UserInteraction::Answer;

class DataFileCommandsTest : public SimulatedMainWindow {
protected:
    // Starts the window; the messages of the start are kept when asked.
    void start(bool keepMessages = false) {
        MainWindow::Options options;
        options.chooseFile = [this](const QString& title, const QString&,
                                    MainWindow::FileDialogMode) {
            dialogTitles << title;
            return chosenFile;
        };
        options.choosePrinter = [this](QPrinter& printer, const QString& title) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath(title + QStringLiteral(".pdf")));
            return true;
        };
        SimulatedMainWindow::start(options);
        QApplication::setActiveWindow(window.get());
        if (!keepMessages) {
            ui.clear();
        }
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static bool isFifo(const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
    }
    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The session's record.
    const EcuSettings& settings() const { return window->store().settings(); }
    QString filePanel() const { return window->statusBarWidget()->panel(1)->text(); }

    QString chosenFile;
    QStringList dialogTitles;
};

TEST_F(DataFileCommandsTest, AFileThatDoesNotLoadNeverBecomesTheCurrentFile) {
    const QByteArray whole = writeEcuFile(startupRecord());
    QByteArray newer = whole;
    newer.replace("2.52", "2.53");
    write(path("cut.ecu"), whole.left(whole.size() / 2));
    write(path("newer.ecu"), newer);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.ecu")).constData(), 0600), 0);
    // The recent list names the FIFO too.
    write(path("recent.conf"), path("fifo.ecu").toUtf8() + '\n');

    const struct {
        const char* file;
        bool fromRecentList;
        QString message; // what the message says, in part
    } cases[] = {
        {"cut.ecu", false, QStringLiteral("line")},
        {"newer.ecu", false, QStringLiteral("Invalid Data File Version 2.53")},
        {"fifo.ecu", false, path("fifo.ecu") + " is a FIFO (named pipe), not a regular file"},
        {"fifo.ecu", true, path("fifo.ecu") + " is a FIFO (named pipe), not a regular file"},
    };
    start();
    const EcuSettings before = settings();
    const QString caption = window->windowTitle();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ui.clear();
        link.clearWritten();
        dialogTitles.clear();
        chosenFile = path(c.file);
        if (c.fromRecentList) {
            window->menus().fileMru[0]->trigger();
        } else {
            QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        }
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.messages[0].text.contains(c.message)) << ui.messages[0].text.toStdString();
        EXPECT_EQ(filePanel(), "File:");
        EXPECT_EQ(window->windowTitle(), caption);
        EXPECT_EQ(settings(), before);
        EXPECT_TRUE(link.written().isEmpty());

        // Save has no file to write: it asks for a name as Save As does,
        // and asks before replacing the file that did not load.
        const QByteArray kept = isFifo(chosenFile) ? QByteArray() : read(chosenFile);
        ui.clear();
        ui.answers = {Answer::No};
        window->menus().fileSave->trigger();
        EXPECT_EQ(dialogTitles.last(), "Save As");
        EXPECT_EQ(ui.texts(), QStringList{QFileInfo(chosenFile).fileName() +
                                          " already exists.\r\nDo you want to replace it?"});
        EXPECT_TRUE(isFifo(chosenFile) || read(chosenFile) == kept);
    }
    EXPECT_TRUE(isFifo(path("fifo.ecu")));
}

TEST_F(DataFileCommandsTest, SaveAsAddsTheExtensionAndAsksAboutTheNameTheFileGets) {
    start();
    const struct {
        const char* typed;
        const char* written;
    } cases[] = {{"tune1", "tune1.ecu"}, {"tune2.", "tune2.ecu"}, {"notes.txt", "notes.txt"}};
    for (const auto& c : cases) {
        chosenFile = path(c.typed);
        window->menus().fileSaveAs->trigger();
        EXPECT_EQ(read(path(c.written)), writeEcuFile(settings())) << c.typed;
        EXPECT_EQ(state.CurrentFileName, path(c.written));
    }
    EXPECT_FALSE(QFile::exists(path("tune1")));
    EXPECT_EQ(filePanel(), "File: notes.txt  ");

    // "tune1" again: the question is about tune1.ecu, which exists.
    const QByteArray first = read(path("tune1.ecu"));
    recordOf(window->store()).RevLimit = 6000; // changed here only, unsent
    chosenFile = path("tune1");
    ui.clear();
    ui.answers = {Answer::No};
    window->menus().fileSaveAs->trigger();
    EXPECT_EQ(ui.texts(), QStringList{"tune1.ecu already exists.\r\nDo you want to replace it?"});
    EXPECT_EQ(read(path("tune1.ecu")), first);
    ui.clear();
    ui.answers = {Answer::Yes, Answer::Ok};
    window->menus().fileSaveAs->trigger();
    EXPECT_EQ(ui.texts().last(), "Data saved to tune1.ecu");
    EXPECT_EQ(read(path("tune1.ecu")), writeEcuFile(settings()));
}

TEST_F(DataFileCommandsTest, ACutOffSendIsShownAndSaveAsksUntilTheFileIsSentAgain) {
    start();
    // Values early and late in the send: the cut-off comes in the fuel table.
    EcuSettings tune = settings();
    tune.RevLimit = 7000;
    tune.FuelTable[12][3] = static_cast<int16_t>(tune.FuelTable[12][3] + 9);
    tune.IgnitionTable[2][2] = static_cast<int16_t>(tune.IgnitionTable[2][2] + 4);
    chosenFile = path("tune.ecu");
    ASSERT_TRUE(saveEcuFile(chosenFile, tune).ok());
    const QByteArray tuneFile = read(chosenFile);
    const EcuSettings before = ecu.settings();

    ecu.setSilentAfterWrites(300);
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(ui.texts().count("Communication Lost!"), 1);
    EXPECT_EQ(ui.boxes().last().toStdString(),
              "Warning|Vantrel|The send of tune.ecu was cut off: the ECU holds only part of "
              "it.\r\nOnce the ECU answers again, Find ECU offers to send the file again.");
    EXPECT_EQ(ecu.settings().RevLimit, 7000);
    EXPECT_EQ(ecu.settings().FuelTable[12][3], before.FuelTable[12][3]);
    EXPECT_EQ(filePanel(), "File: tune.ecu (partly sent to the ECU)  ");
    EXPECT_EQ(window->statusBarWidget()->panel(1)->toolTip(),
              path("tune.ecu") + "\nThe ECU holds only part of tune.ecu: its send was cut off.");
    EXPECT_EQ(window->windowTitle(), "Vantrel by Marrowby - the ECU holds part of tune.ecu");
    EXPECT_TRUE(window->menus().fileSendAgain->isVisible());

    // The link is back: Find ECU reads the half-sent values and asks whether
    // to send the file, which the tuner leaves for now.
    ecu.setSilent(false);
    ui.clear();
    QString question;
    const ModalAnswer<ReconnectDialog> later([&](ReconnectDialog& dialog) {
        question = dialog.text()->text();
        EXPECT_EQ(dialog.sendButton()->text(), "Se&nd tune.ecu");
        link.clearWritten();
        QTest::mouseClick(dialog.laterButton(), Qt::LeftButton);
    });
    QTest::keyClick(window.get(), Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(question, "The settings read from the ECU " + state.identity.SerialNumberText +
                            " differ from tune.ecu, whose send to it was cut off.\r\nNothing is "
                            "sent unless you choose so.");
    ASSERT_EQ(ui.texts().size(), 1);
    EXPECT_TRUE(ui.texts()[0].startsWith("Found ECU"));
    EXPECT_TRUE(link.written().isEmpty());
    EXPECT_EQ(settings().FuelTable[12][3], before.FuelTable[12][3]);

    // Save asks before writing the half-sent values over the file.
    ui.clear();
    ui.answers = {Answer::No};
    window->menus().fileSave->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.texts()[0].endsWith("\r\nWrite them over tune.ecu?"));
    EXPECT_EQ(read(path("tune.ecu")), tuneFile);

    // Find ECU while online offers it again; this time the file goes whole.
    ui.clear();
    ui.answers = {Answer::Ok, Answer::Yes};
    link.clearWritten();
    window->menus().engineFindEcu->trigger();
    EXPECT_EQ(ui.texts()[0], "Ecu Online!");
    EXPECT_EQ(ecu.settings(), tune);
    EXPECT_EQ(settings(), tune);
    EXPECT_EQ(filePanel(), "File: tune.ecu  ");
    EXPECT_EQ(window->windowTitle(), "Vantrel by Marrowby");
    EXPECT_FALSE(window->menus().fileSendAgain->isVisible());
    ui.clear();
    window->menus().fileSave->trigger();
    EXPECT_EQ(ui.texts(), QStringList{"Data saved to tune.ecu"});
}

TEST_F(DataFileCommandsTest, APrintThatCannotBeWrittenWholeKeepsTheEarlierPdfAndSaysSo) {
    start();
    const QString pdf = path("Print Data.pdf");
    write(pdf, "earlier");
    // Any file this process writes stops at 4 KB, as on a full disk.
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    window->menus().filePrint->trigger();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousSignal);

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, UserInteraction::Icon::Critical);
    EXPECT_TRUE(ui.messages[0].text.startsWith(pdf + " could not be written: "))
        << ui.messages[0].text.toStdString();
    EXPECT_EQ(read(pdf), "earlier");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".pdf"),
              QStringList{"Print Data.pdf"});

    ui.clear();
    window->menus().filePrint->trigger();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(isWholePdf(read(pdf)));
}

TEST_F(DataFileCommandsTest, FifosInPlaceOfTheProgramsOwnFilesAreNamedAndLeftAlone) {
    for (const char* name : {"Vantrel.ini", "recent.conf"}) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(path(name)).constData(), 0600), 0);
    }
    start(true);
    const QStringList texts = ui.texts();
    ASSERT_GE(texts.size(), 2);
    EXPECT_EQ(texts[0], "INI file not found or file error\r\nUsing Default\r\n\r\nError - 5 - " +
                            path("Vantrel.ini") +
                            " is a FIFO (named pipe), not a regular file, and was not read");
    EXPECT_EQ(texts[1], "The list of recent files was not read: Error - 5 - " +
                            path("recent.conf") +
                            " is a FIFO (named pipe), not a regular file, and was not read");
    chosenFile = path("saved.ecu");
    window->menus().fileSaveAs->trigger();
    EXPECT_FALSE(window->menus().fileMru[0]->isVisible());
}

} // namespace
