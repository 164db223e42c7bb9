// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/Snapshot.h"

#include <algorithm>
#include <array>

namespace {

struct SourceName {
    SnapshotSource source;
    const char* key;
    const char* text;
};

constexpr std::array<SourceName, 8> kSourceNames{{
    {SnapshotSource::ReadFromEcu, "read", "read from the ECU"},
    {SnapshotSource::SentToEcu, "sent", "sent to the ECU"},
    {SnapshotSource::StoredInEcu, "stored", "stored in the ECU"},
    {SnapshotSource::FileOpened, "opened", "file opened"},
    {SnapshotSource::FileSaved, "saved", "file saved"},
    {SnapshotSource::FileOverwritten, "overwritten", "file before it was overwritten"},
    {SnapshotSource::AutotuneApplied, "autotune", "autotune applied"},
    {SnapshotSource::Named, "named", "named by the tuner"},
}};

constexpr std::array<SnapshotSource, kSourceNames.size()> kSources = [] {
    std::array<SnapshotSource, kSourceNames.size()> sources{};
    for (size_t i = 0; i < kSourceNames.size(); ++i) {
        sources[i] = kSourceNames[i].source;
    }
    return sources;
}();

const SourceName& entry(SnapshotSource source) {
    return *std::find_if(kSourceNames.begin(), kSourceNames.end(),
                         [source](const SourceName& name) { return name.source == source; });
}

} // namespace

std::span<const SnapshotSource> snapshotSources() {
    return kSources;
}

QString snapshotSourceKey(SnapshotSource source) {
    return QString::fromLatin1(entry(source).key);
}

std::optional<SnapshotSource> snapshotSourceFromKey(const QString& key) {
    for (const SourceName& name : kSourceNames) {
        if (key == QLatin1String(name.key)) {
            return name.source;
        }
    }
    return std::nullopt;
}

QString snapshotSourceText(SnapshotSource source) {
    return QString::fromLatin1(entry(source).text);
}

SnapshotEcu SnapshotEcu::from(const EcuIdentity& identity) {
    return {identity.VersionMajor,    identity.VersionMinor, identity.BuildNumber,
            identity.SerialByte1,     identity.SerialByte2,  identity.SerialByte3,
            identity.SerialNumberText};
}
