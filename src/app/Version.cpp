// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Version.h"

QString buildMonitorVersion(int major, int minor, int revision) {
    return QStringLiteral("%1.%2  Build %3")
        .arg(major)
        .arg(minor, 3, 10, QLatin1Char('0'))
        .arg(revision, 3, 10, QLatin1Char('0'));
}

QString monitorVersion() {
    return buildMonitorVersion(VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR, VANTREL_VERSION_PATCH);
}
