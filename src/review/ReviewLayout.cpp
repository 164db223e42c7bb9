// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/ReviewLayout.h"

#include "monitor/SampleSeries.h"
#include "record/FileAccess.h"
#include "record/ListStyle.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr float kVersion = 1.0f;
const QString kTitle = QStringLiteral("Log Review Layout");
const QString kEnd = QStringLiteral("End Of File");

// Well apart on a white background, and in the order a pane hands them out.
constexpr std::array<uint32_t, 8> kColours{0x1f5fbf, 0xd62728, 0x2ca02c, 0x9467bd,
                                           0xff7f0e, 0x17a2b8, 0x8c564b, 0xe377c2};

// Channel names come from any logger's CSV: kept as UTF-8 with quotes,
// commas and bytes beyond ASCII in percent form, which the list style holds.
void writeName(ListWriter& out, const QString& name) {
    out.writeString(QString::fromLatin1(name.toUtf8().toPercentEncoding(" ()")));
}

QString readName(ListReader& in) {
    return QString::fromUtf8(
        QByteArray::fromPercentEncoding(in.readString().value_or(QString()).toLatin1()));
}

void writeOptional(ListWriter& out, const std::optional<float>& value) {
    out.writeBool(value.has_value());
    out.writeSingle(value.value_or(0.0f));
}

std::optional<float> readOptional(ListReader& in) {
    const std::optional<bool> set = in.readBool();
    const std::optional<float> value = in.readSingle();
    return set.value_or(false) ? value : std::nullopt;
}

bool draws(const ReviewLayout& layout, const SampleSeries& series) {
    for (const ReviewPane& pane : layout.panes) {
        for (const ReviewChannel& channel : pane.channels) {
            if (findSeriesChannel(series, channel.name) >= 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

uint32_t reviewChannelColour(int n) {
    return kColours[static_cast<size_t>(n) % kColours.size()];
}

void fillReviewDefaults(ReviewLayout& layout, const SampleSeries& series) {
    if (layout.panes.empty()) {
        layout.panes.resize(ReviewLayout::kDefaultPanes);
    }
    if (!draws(layout, series)) {
        const std::vector<std::vector<const char*>> usual{
            {"Rpm"}, {"Map", "TPS"}, {"Fuel", "Duty", "Ignition"}, {"Water", "Air", "Battery"}};
        for (ReviewPane& pane : layout.panes) {
            pane.channels.clear();
        }
        for (size_t p = 0; p < usual.size() && p < layout.panes.size(); ++p) {
            for (const char* name : usual[p]) {
                if (series.channelIndex(QString::fromLatin1(name)) >= 0) {
                    auto& channels = layout.panes[p].channels;
                    channels.push_back({QString::fromLatin1(name),
                                        reviewChannelColour(static_cast<int>(channels.size())),
                                        {},
                                        {}});
                }
            }
        }
        if (!draws(layout, series)) {
            // Another logger's channels: in order, spread over the panes.
            const int perPane = 4;
            for (int c = 0; c < series.channelCount(); ++c) {
                const size_t p = static_cast<size_t>(c / perPane);
                if (p >= layout.panes.size()) {
                    break;
                }
                layout.panes[p].channels.push_back(
                    {series.channel(c).name, reviewChannelColour(c % perPane), {}, {}});
            }
        }
    }
    ScatterChoice& s = layout.scatter;
    auto missing = [&series](const QString& name) { return findSeriesChannel(series, name) < 0; };
    if (missing(s.x) || missing(s.y) || missing(s.colour)) {
        const auto pick = [&series](const char* usual, int fallback) {
            if (series.channelIndex(QString::fromLatin1(usual)) >= 0) {
                return QString::fromLatin1(usual);
            }
            return series.channelCount() > 0
                       ? series.channel(std::min(fallback, series.channelCount() - 1)).name
                       : QString();
        };
        s = {pick("Rpm", 0), pick("Map", 1), pick("TPS", 2)};
    }
}

QByteArray reviewLayoutBytes(const ReviewLayout& layout) {
    ListWriter out;
    out.writeString(kTitle);
    out.writeSingle(kVersion);
    out.endLine();
    out.writeString(QStringLiteral("Panes"));
    out.writeInteger(static_cast<int64_t>(layout.panes.size()));
    out.endLine();
    for (const ReviewPane& pane : layout.panes) {
        out.writeString(QStringLiteral("Pane Channels"));
        out.writeInteger(static_cast<int64_t>(pane.channels.size()));
        out.endLine();
        for (const ReviewChannel& c : pane.channels) {
            writeName(out, c.name);
            out.writeInteger(c.colour);
            writeOptional(out, c.min);
            writeOptional(out, c.max);
            out.endLine();
        }
    }
    out.writeString(QStringLiteral("Scatter"));
    writeName(out, layout.scatter.x);
    writeName(out, layout.scatter.y);
    writeName(out, layout.scatter.colour);
    out.endLine();
    out.writeString(QStringLiteral("Filter Conditions"));
    out.writeInteger(static_cast<int64_t>(layout.filter.conditions().size()));
    out.endLine();
    for (const ChannelCondition& c : layout.filter.conditions()) {
        writeName(out, c.channel);
        writeOptional(out, c.min);
        writeOptional(out, c.max);
        out.endLine();
    }
    out.writeString(kEnd);
    out.endLine();
    return out.data();
}

std::optional<ReviewLayout> parseReviewLayout(const QByteArray& bytes) {
    ListReader in(bytes);
    if (in.readString() != kTitle || in.readSingle() != kVersion) {
        return std::nullopt;
    }
    ReviewLayout layout;
    in.skip();
    const auto panes = in.readInteger(ReviewLayout::kMinPanes, ReviewLayout::kMaxPanes);
    layout.panes.assign(static_cast<size_t>(panes.value_or(0)), {});
    for (ReviewPane& pane : layout.panes) {
        in.skip();
        const auto count = in.readInteger(0, ReviewLayout::kMaxChannelsPerPane);
        for (int64_t i = 0; i < count.value_or(0); ++i) {
            ReviewChannel c;
            c.name = readName(in);
            c.colour = static_cast<uint32_t>(in.readInteger(0, 0xffffff).value_or(0));
            c.min = readOptional(in);
            c.max = readOptional(in);
            pane.channels.push_back(c);
        }
    }
    in.skip();
    layout.scatter.x = readName(in);
    layout.scatter.y = readName(in);
    layout.scatter.colour = readName(in);
    in.skip();
    const auto conditions = in.readInteger(0, 64);
    std::vector<ChannelCondition> filter;
    for (int64_t i = 0; i < conditions.value_or(0); ++i) {
        ChannelCondition c;
        c.channel = readName(in);
        c.min = readOptional(in);
        c.max = readOptional(in);
        filter.push_back(c);
    }
    layout.filter = ChannelFilter(std::move(filter));
    if (in.readString() != kEnd || in.failed()) {
        return std::nullopt;
    }
    return layout;
}

QString reviewLayoutPath(const QString& settingsPath) {
    return fileBesideSettings(settingsPath, QStringLiteral("log-review.conf"));
}

ReviewLayout loadReviewLayout(const QString& path) {
    return parsedFileOr<ReviewLayout>(path, parseReviewLayout);
}

QString saveReviewLayout(const QString& path, const ReviewLayout& layout) {
    return saveFileWithFolder(path, reviewLayoutBytes(layout));
}
