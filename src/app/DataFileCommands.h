// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/FileChooser.h"

#include <QObject>
#include <QString>
#include <functional>

struct AppState;
struct EcuIdentity;
struct EcuSettings;
class QAction;
class RecentFilesMenu;
class Session;
class SettingsStore;
class StatusBarPresenter;
class UserInteraction;

// The data file commands: Open, Save, Save As and Send Again, a recent file
// opened, Find ECU's offer to send a file again whose send was cut off, and
// what the status bar, the title and the File menu say about the current
// file. A file is read through the store and sent through the session; the
// tune history takes the signals.
class DataFileCommands : public QObject {
    Q_OBJECT
public:
    struct Parts {
        AppState& state;
        SettingsStore& store;
        Session& session;
        UserInteraction& ui;
        StatusBarPresenter& status;
        RecentFilesMenu& recentFiles;
        // File > Send Again, shown while the ECU holds part of a file.
        QAction& sendAgain;
        FileChooser chooseFile;
        // Closes the child windows before a file replaces the record.
        std::function<void()> closeWindows;
        // Shows the main window's title.
        std::function<void(const QString& title)> setTitle;
    };

    explicit DataFileCommands(Parts parts, QObject* parent = nullptr);

    // The edition's caption, which the title starts with.
    void setCaption(const QString& caption);

    void fileOpen();
    void fileSave();
    void fileSaveAs();
    void fileSendAgain();
    // Reads a data file into the settings, makes it the current file and
    // sends it; a file that cannot be read changes nothing.
    void openDataFile(const QString& path);
    // Engine > Find ECU, then Send Again offered once the ECU answers.
    void findEcuCommand();
    // The tuner kept the ECU's settings over a file whose send was cut off.
    void forgetPartlySentFile();

signals:
    // A data file was read into the settings.
    void dataFileOpened(const QString& path, const EcuSettings& settings);
    // A data file is about to be written with the settings, and was written;
    // ecu is the ECU online while it was, if any.
    void dataFileSaving(const QString& path, const EcuSettings& settings);
    void dataFileSaved(const QString& path, const EcuSettings& settings, const EcuIdentity* ecu);

private:
    void setCurrentFile(const QString& path);
    // The current file on the status bar, and in the title and the File menu
    // whether the ECU holds part of a file whose send was cut off.
    void showFileState();
    // Save As's dialog and question; an empty name when cancelled.
    QString chooseFileToSave();
    void saveDataFile(const QString& path);
    bool writeDataFile();
    void sendDataFile(const QString& path);
    void offerSendAgain();

    Parts m_parts;
    QString m_caption;
    // The data file whose send to the ECU was cut off, until a send is
    // complete.
    QString m_partlySentFile;
};
