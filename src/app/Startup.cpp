#include "app/Startup.h"

#include "app/Initialise.h"
#include "record/AppState.h"

std::optional<StartupOptions> parseStartupOptions(const QStringList& arguments,
                                                  QString* errorText) {
    StartupOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        auto value = [&](QString& target) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
                if (errorText != nullptr) {
                    *errorText = QStringLiteral("%1 needs a value").arg(a);
                }
                return false;
            }
            target = arguments[++i];
            return true;
        };
        if (a == QLatin1String("--ini")) {
            if (!value(options.iniPath)) {
                return std::nullopt;
            }
        } else if (a == QLatin1String("--port")) {
            if (!value(options.portDevice)) {
                return std::nullopt;
            }
        } else if (a == QLatin1String("--simulate")) {
            options.simulate = true;
        } else {
            if (errorText != nullptr) {
                *errorText = QStringLiteral("unknown option %1").arg(a);
            }
            return std::nullopt;
        }
    }
    return options;
}

void prepareStartupState(AppState& state) {
    // A fresh state holds the standard edition, its contact line, no code
    // sections and no current file; the settings record takes its defaults.
    state = AppState{};
    initialiseSettings(state);
}

QString settingsFileErrorText() {
    return QStringLiteral("INI file not found or file error\r\nUsing Default");
}
