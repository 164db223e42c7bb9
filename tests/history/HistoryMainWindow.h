// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window on the simulated ECU with its tune history in the test's
// scratch folder, read back through a connection of the test's own.

#include "HistorySupport.h"
#include "ModalAnswer.h"
#include "SimulatedMainWindow.h"
#include "comm/EcuProtocol.h"
#include "comm/Transfers.h"
#include "files/EcuFile.h"

#include <QApplication>
#include <QTest>

class HistoryMainWindow : public SimulatedMainWindow {
protected:
    void start() {
        MainWindow::Options options;
        options.chooseFile = [this](const QString&, const QString&, MainWindow::FileDialogMode) {
            return chosenFile;
        };
        options.history = historyAt(historyPath(), clock);
        SimulatedMainWindow::start(options);
        QApplication::setActiveWindow(window.get());
        ui.clear();
    }

    QString historyPath() const { return dir.filePath(QStringLiteral("history.sqlite")); }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // Every snapshot, newest first.
    std::vector<SnapshotInfo> snapshots() {
        TuneHistory reader(quiet, historyAt(historyPath(), clock));
        return reader.list().value_or(std::vector<SnapshotInfo>{});
    }
    EcuSettings settingsOf(qint64 id) {
        TuneHistory reader(quiet, historyAt(historyPath(), clock));
        return reader.settings(id, window->store().settings()).value_or(EcuSettings{});
    }

    // The keys, to the main window or its control with the focus; a dialog
    // just closed gives the main window back its place at the front.
    void press(const QKeySequence& keys) {
        QApplication::setActiveWindow(window.get());
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : window.get(), keys[0].key(),
                        keys[0].keyboardModifiers());
    }

    // The ECU stops answering and the poll finds it gone.
    void loseEcu() {
        ecu.setSilent(true);
        window->pollTick();
        ecu.setSilent(false);
        ui.clear();
    }

    // The bytes of a full send of settings, as the ECU of this window gets
    // them.
    QByteArray fullSendOf(const EcuSettings& settings) const {
        SimulatedEcu other;
        SimulatedLink line(&other);
        RecordingInteraction silent;
        AppState sending = state;
        sending.EcuOnline = true;
        SettingsStore store(settings);
        QString error;
        line.open(&error);
        EcuProtocol protocol(sending, store, line, silent);
        sendAllDataToEcu(protocol, {});
        return line.written();
    }

    TestClock clock;
    RecordingInteraction quiet;
    QString chosenFile;
};
