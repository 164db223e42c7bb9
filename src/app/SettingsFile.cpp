// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsFile.h"

#include "record/AtomicSave.h"
#include "record/FileAccess.h"
#include "record/ListStyle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

const QString kDeveloperWord = QStringLiteral("Oakhollow");
const QString kEndOfFile = QStringLiteral("End Of File");
constexpr float kFileVersion = 2.0f;
constexpr int kStoredScales = 12;
constexpr int kStoredMarkRows = 16;

QString label(const char* text, int width) {
    return QString::fromLatin1(text).leftJustified(width, QLatin1Char(' '));
}

// Labels and their widths, in file order.
QString shortLabel(const char* text) {
    return label(text, 19);
}
QString generatorLabel(const char* text) {
    return label(text, 36);
}
QString gaugeLabel(const char* text) {
    return label(text, 37);
}

QString rpmLabel(int n) {
    return generatorLabel(QStringLiteral("Default Data Rpm(%1)").arg(n).toLatin1().constData());
}
QString veLabel(int n) {
    return generatorLabel(QStringLiteral("Default Data VE(%1)").arg(n).toLatin1().constData());
}

// The single-precision generator inputs in file order.
template <typename Fuel, typename Ignition> auto generatorFields(Fuel& fuel, Ignition& ign) {
    using F = std::conditional_t<std::is_const_v<Fuel>, const float*, float*>;
    std::vector<std::pair<QString, F>> fields;
    fields.emplace_back(generatorLabel("Default Data Injector Size"), &fuel.injectorSize);
    fields.emplace_back(generatorLabel("Default Data Displacement"), &fuel.displacement);
    for (int n = 0; n < 4; ++n) {
        fields.emplace_back(rpmLabel(n), &fuel.rpm[n]);
        fields.emplace_back(veLabel(n), &fuel.ve[n]);
    }
    fields.emplace_back(generatorLabel("Default Data Advance Limit"), &ign.advanceLimit);
    fields.emplace_back(generatorLabel("Default Data Final Advance Map Deg"), &ign.finalAdvanceMap);
    fields.emplace_back(generatorLabel("Default Data Final Advance Map Psi"),
                        &ign.minMapFinalAdvance);
    fields.emplace_back(generatorLabel("Default Data Initial Advance"), &ign.initialAdvance);
    fields.emplace_back(generatorLabel("Default Data Initial Advance Map Psi"),
                        &ign.maxMapInitialAdvance);
    fields.emplace_back(generatorLabel("Default Data Initial Advance Map Deg"),
                        &ign.initialAdvanceMap);
    fields.emplace_back(generatorLabel("Default Data Max Advance"), &ign.finalAdvance);
    fields.emplace_back(generatorLabel("Default Data Max Rpm Initial Advance"),
                        &ign.maxRpmInitialAdvance);
    fields.emplace_back(generatorLabel("Default Data Rpm Max Advance"), &ign.minRpmFinalAdvance);
    return fields;
}

// Assigns a value that was read; a failed read leaves the target alone.
template <typename T> void take(T& target, const std::optional<T>& value) {
    if (value) {
        target = *value;
    }
}

void takeDouble(double& target, const std::optional<float>& value) {
    if (value) {
        target = *value;
    }
}

// Everything the file holds, read into a scratch copy so that a failure part
// way leaves the caller to decide what survives.
struct Scratch {
    int16_t port = 1;
    DisplaySettings display;
    FuelGeneratorInputs fuel;
    IgnitionGeneratorInputs ignition;
    bool developer = false;
};

// Reads the items in file order. Returns false at the first failure; the
// fields read up to then hold their new values.
bool readItems(ListReader& in, Scratch& s, QString& problem) {
    in.skip();
    const std::optional<float> version = in.readSingle();
    if (!version) {
        return false;
    }
    if (*version != kFileVersion) {
        problem = QStringLiteral("the file is of version %1, not 2").arg(shortestDecimal(*version));
        return false;
    }
    DisplaySettings& d = s.display;
    in.skip();
    take(s.port, in.readInt16());
    in.skip();
    in.readBool(); // whether the port was open at exit: not used
    in.skip();
    takeDouble(d.MainWindow.Top, in.readSingle());
    in.skip();
    takeDouble(d.MainWindow.Left, in.readSingle());
    in.skip();
    takeDouble(d.MainWindow.Width, in.readSingle());
    in.skip();
    takeDouble(d.MainWindow.Height, in.readSingle());
    in.skip();
    if (const auto state = in.readInteger(0, 2)) {
        d.MainWindow.State = static_cast<int16_t>(*state);
    }
    in.skip();
    take(d.PlotChannelChoice[0], in.readInt16());
    take(d.PlotChannelChoice[1], in.readInt16());
    for (int c = 0; c < kStoredScales; ++c) {
        PlotChannelScale& scale = d.PlotChannelScales[c];
        in.skip();
        take(scale.Max[0], in.readSingle());
        take(scale.Min[0], in.readSingle());
        take(scale.Max[1], in.readSingle());
        take(scale.Min[1], in.readSingle());
        take(scale.PointsIndex, in.readInt16());
    }
    for (auto& [name, field] : generatorFields(s.fuel, s.ignition)) {
        in.skip();
        take(*field, in.readSingle());
    }
    in.skip();
    take(d.PlotLoadLineFuel, in.readBool());
    in.skip();
    take(d.PlotLoadLineIgnition, in.readBool());
    in.skip();
    take(d.Fuel3DPlotFlag, in.readBool());
    in.skip();
    take(d.Fuel3DPlotX, in.readInt16());
    in.skip();
    take(d.Fuel3DPlotY, in.readInt16());
    in.skip();
    take(d.Ignition3DPlotFlag, in.readBool());
    in.skip();
    take(d.Ignition3DPlotX, in.readInt16());
    in.skip();
    take(d.Ignition3DPlotY, in.readInt16());
    in.skip();
    take(d.DisplayGaugesFlag, in.readBool());
    in.skip();
    take(d.DisplayGaugesX, in.readInt16());
    in.skip();
    take(d.DisplayGaugesY, in.readInt16());
    in.skip();
    take(d.DisplayFuelCrossHair, in.readBool());
    in.skip();
    take(d.DisplayIgnitionCrossHair, in.readBool());
    for (MarkFlags* flags : {&d.FuelMarkFlags, &d.IgnitionMarkFlags}) {
        in.skip(); // heading
        for (int r = 0; r < kStoredMarkRows; ++r) {
            for (int c = 0; c < kStoredMarkRows; ++c) {
                take((*flags)[r][c], in.readByte());
            }
            in.skip(); // the empty item after the trailing comma
        }
    }
    const std::optional<QString> last = in.readString();
    if (!last) {
        return false;
    }
    s.developer = *last == kDeveloperWord;
    return !in.failed();
}

void applyDefaults(DisplaySettings& d, const ScreenMetrics& screen) {
    d.ComPortNumber = 1;
    d.MainWindow.Top = 200;
    d.MainWindow.Left = 200;
    d.MainWindow.Width = static_cast<float>(screen.widthTwips - 400);
    d.MainWindow.Height = static_cast<float>(screen.heightTwips - 1000);
    d.MainWindow.State = 0;
    d.PlotChannelChoice = {0, 100};
    d.PlotLoadLineFuel = true;
    d.PlotLoadLineIgnition = true;
    if (800 * screen.twipsPerPixel >= screen.widthTwips) {
        d.MainWindow.State = 2;
        d.PlotLoadLineFuel = false;
        d.PlotLoadLineIgnition = false;
    }
    struct Range {
        float max;
        float min;
    };
    static constexpr std::array<Range, kStoredScales> kRanges{{{10, 0},
                                                               {10, -10},
                                                               {100, 0},
                                                               {5000, 0},
                                                               {100, 50},
                                                               {200, 50},
                                                               {16, 0},
                                                               {15, 1},
                                                               {5, 0},
                                                               {5, 0},
                                                               {5, 0},
                                                               {0, 0}}};
    for (int c = 0; c < kStoredScales; ++c) {
        PlotChannelScale& scale = d.PlotChannelScales[c];
        scale.PointsIndex = 1;
        scale.Max = {kRanges[c].max, kRanges[c].max};
        scale.Min = {kRanges[c].min, kRanges[c].min};
    }
    d.FuelMarkFlags = {};
    d.IgnitionMarkFlags = {};
    d.Fuel3DPlotFlag = false;
    d.Fuel3DPlotX = -1;
    d.Fuel3DPlotY = -1;
    d.Ignition3DPlotFlag = false;
    d.Ignition3DPlotX = -1;
    d.Ignition3DPlotY = -1;
    d.DisplayGaugesFlag = false;
    d.DisplayGaugesX = 1000;
    d.DisplayGaugesY = 1000;
}

} // namespace

QString defaultSettingsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/Vantrel.ini");
}

SettingsReadResult readSettings(AppState& state, const std::optional<QByteArray>& data,
                                const ScreenMetrics& screen) {
    SettingsReadResult result;
    state.SettingsFileError = false;

    Scratch s;
    s.display = state.display;
    s.fuel = state.fuelGenerator;
    s.ignition = state.ignitionGenerator;

    bool good = false;
    if (!data) {
        result.problem = QStringLiteral("the file could not be read");
    } else {
        ListReader in(*data);
        good = readItems(in, s, result.problem);
        if (!good && result.problem.isEmpty()) {
            result.problem = in.error();
        }
    }

    // The generator inputs and the cross-hair flags take whatever was read,
    // even when the rest of the file is unusable.
    state.fuelGenerator = s.fuel;
    state.ignitionGenerator = s.ignition;
    if (good) {
        state.display = s.display;
        state.display.ComPortNumber = s.port;
        state.DeveloperMode = s.developer;
    } else {
        state.display.DisplayFuelCrossHair = s.display.DisplayFuelCrossHair;
        state.display.DisplayIgnitionCrossHair = s.display.DisplayIgnitionCrossHair;
        applyDefaults(state.display, screen);
        state.DeveloperMode = false;
        state.SettingsFileError = true;
        result.usedDefaults = true;
    }
    const int port = state.display.ComPortNumber;
    if (port >= 1 && port <= 5) {
        result.portToSelect = port;
    }
    return result;
}

SettingsReadResult readSettingsFile(AppState& state, const QString& path,
                                    const ScreenMetrics& screen) {
    const WholeFile file = readWholeFile(path);
    SettingsReadResult result =
        readSettings(state, file.ok() ? std::optional(file.data) : std::nullopt, screen);
    if (file.refused) {
        result.problem = file.error;
        result.refused = true;
    } else if (!file.ok()) {
        result.problem = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.error);
    }
    return result;
}

QByteArray settingsFileBytes(const AppState& state, bool comPortOpen,
                             const std::optional<MainWindowAtExit>& window) {
    const DisplaySettings& d = state.display;
    ListWriter out;
    out.writeString(label("IniFile Version  #", 20));
    out.writeSingle(kFileVersion);
    out.endLine();
    out.writeString(shortLabel("Com Port"));
    out.writeInteger(d.ComPortNumber);
    out.endLine();
    out.writeString(shortLabel("Com Status"));
    out.writeBool(comPortOpen);
    out.endLine();

    // A window in the normal state is written where it is; a minimised or
    // maximised one keeps the placement it was given at start.
    int16_t windowState = d.MainWindow.State;
    std::array<double, 4> position{d.MainWindow.Top, d.MainWindow.Left, d.MainWindow.Width,
                                   d.MainWindow.Height};
    if (window) {
        windowState = window->state;
        if (window->state == 0) {
            position = {window->top, window->left, window->width, window->height};
        }
    }
    const std::array<const char*, 4> positionLabels{"Main Top", "Main Left", "Main Width",
                                                    "Main Height"};
    for (size_t i = 0; i < position.size(); ++i) {
        out.writeString(shortLabel(positionLabels[i]));
        out.writeSingle(static_cast<float>(position[i]));
        out.endLine();
    }
    out.writeString(shortLabel("Main Window State"));
    out.writeInteger(windowState);
    out.endLine();

    out.writeString(shortLabel("Plot Default"));
    out.writeInteger(d.PlotChannelChoice[0]);
    out.writeInteger(d.PlotChannelChoice[1]);
    out.endLine();
    for (int c = 0; c < kStoredScales; ++c) {
        const PlotChannelScale& scale = d.PlotChannelScales[c];
        out.writeString(shortLabel("Plot Defaults"));
        out.writeSingle(scale.Max[0]);
        out.writeSingle(scale.Min[0]);
        out.writeSingle(scale.Max[1]);
        out.writeSingle(scale.Min[1]);
        out.writeInteger(scale.PointsIndex);
        out.endLine();
    }

    for (const auto& [name, field] :
         generatorFields(state.fuelGenerator, state.ignitionGenerator)) {
        out.writeString(name);
        out.writeSingle(*field);
        out.endLine();
    }

    auto flag = [&out](const QString& name, bool value) {
        out.writeString(name);
        out.writeBool(value);
        out.endLine();
    };
    auto number = [&out](const QString& name, int16_t value) {
        out.writeString(name);
        out.writeInteger(value);
        out.endLine();
    };
    flag(generatorLabel("Plot Load Line Fuel"), d.PlotLoadLineFuel);
    flag(generatorLabel("Plot Load Line Ignition"), d.PlotLoadLineIgnition);
    flag(generatorLabel("Fuel 3D Plot Flag"), d.Fuel3DPlotFlag);
    number(generatorLabel("Fuel 3D Plot X Position"), d.Fuel3DPlotX);
    number(generatorLabel("Fuel 3D Plot Y Position"), d.Fuel3DPlotY);
    flag(generatorLabel("Ignition 3D Plot Flag"), d.Ignition3DPlotFlag);
    number(generatorLabel("Ignition 3D Plot X Position"), d.Ignition3DPlotX);
    number(generatorLabel("Ignition 3D Plot Y Position"), d.Ignition3DPlotY);
    flag(gaugeLabel("Display Gauges Flag"), d.DisplayGaugesFlag);
    number(gaugeLabel("Display Gauges X Position"), d.DisplayGaugesX);
    number(gaugeLabel("Display Gauges Y Position"), d.DisplayGaugesY);
    flag(gaugeLabel("Display Fuel CrossHair"), d.DisplayFuelCrossHair);
    flag(gaugeLabel("Display Ignition CrossHair"), d.DisplayIgnitionCrossHair);

    auto marks = [&out](const char* heading, const MarkFlags& flags) {
        out.writeString(QString::fromLatin1(heading));
        out.endLine();
        for (int r = 0; r < kStoredMarkRows; ++r) {
            for (int c = 0; c < kStoredMarkRows; ++c) {
                out.writeInteger(flags[r][c]);
            }
            out.endLine(true);
        }
    };
    marks("Fuel Table Mark Flags", d.FuelMarkFlags);
    marks("Ignition Table Mark Flags", d.IgnitionMarkFlags);

    out.writeString(state.DeveloperMode ? kDeveloperWord : kEndOfFile);
    out.endLine();
    return out.data();
}

QString saveSettingsFile(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        return QStringLiteral("Cannot create the folder %1")
            .arg(QDir::toNativeSeparators(info.absolutePath()));
    }
    const QString error = saveFileAtomically(path, bytes);
    if (!error.isEmpty()) {
        return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), error);
    }
    return {};
}
