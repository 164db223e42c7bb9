#pragma once

#include "comm/Discovery.h"
#include "comm/Transfers.h"

#include <QObject>
#include <functional>
#include <optional>

struct AppState;
struct EcuIdentity;
struct EcuSettings;
class EcuLine;
class Poller;
class SettingsStore;

// The ECU commands of the window program: the search, the full read and the
// full send, the store, the block read of the fuel table, stop engine and the
// developer test commands. Every one runs on the ECU line; records read from
// the ECU go through the settings store. What happened to the whole record is
// announced once the line is free again.
class EcuController : public QObject {
    Q_OBJECT
public:
    // What the commands need from the windows around them.
    struct Windows {
        std::function<void()> unloadAll;
        std::function<void()> refreshStatusBar;
        std::function<void(bool)> showEgoMenu;
        std::function<void()> redrawTables;
    };

    EcuController(AppState& state, EcuLine& line, SettingsStore& store, Poller& poller,
                  QObject* parent = nullptr);

    void setWindows(Windows windows);

    // The search at start-up (asking first) and before a send.
    void findEcu();
    // The Find ECU command: searches when offline, then reads everything.
    // Returns whether the ECU was found and every setting read whole.
    bool findEcuCommand();
    // The read after the search at start-up.
    void getAllDataFromEcu();
    // Sends every setting; file names the data file they came from, if any.
    SendOutcome sendAllDataToEcu(const QString& file = {});
    // Save Settings to ECU.
    void saveSettingsToEcu();
    // Stores without a message, as the exit question does.
    void storeQuietly();
    void engineHigh();
    // Stop Engine: says so while offline, otherwise stops at once.
    void engineStop();
    void enableCodeSections();
    // The developer test commands; Invalid Command returns the reply shown.
    int testInvalidCommand();
    void testInvalidIsr();

    // The record repaired by the consistency check, each fix sent.
    void checkSettings();

signals:
    // A search found the ECU and every setting was read whole. held is what
    // the program held for the same ECU (by serial) before the search, when
    // the search found it again.
    void settingsRead(const EcuSettings& settings, const EcuIdentity& ecu,
                      const std::optional<EcuSettings>& held);
    // The ECU took every setting of a full send.
    void settingsSent(const EcuSettings& settings, const EcuIdentity& ecu, const QString& file);
    // The ECU stopped answering part-way through the send of the file.
    void sendCutOff(const QString& file);
    // The ECU said it stored its settings.
    void settingsStored(const EcuSettings& settings, const EcuIdentity& ecu);

private:
    // Announces a store the ECU answered as done.
    void stored();

    DiscoveryHooks discoveryHooks();
    TransferHooks transferHooks();

    AppState& m_state;
    EcuLine& m_line;
    SettingsStore& m_store;
    Poller& m_poller;
    Windows m_windows;
};
