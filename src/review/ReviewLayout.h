// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "review/ChannelFilter.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class SampleSeries;

// A channel drawn in a pane of the log review: its colour (0xRRGGBB) and
// its scale, from the log's own range unless the tuner set one.
struct ReviewChannel {
    QString name;
    uint32_t colour = 0;
    std::optional<float> min; // bottom of the pane; the log's lowest value when open
    std::optional<float> max; // top of the pane; the log's highest value when open

    bool operator==(const ReviewChannel&) const = default;
};

struct ReviewPane {
    std::vector<ReviewChannel> channels;

    bool operator==(const ReviewPane&) const = default;
};

// What the scatter plot shows: a channel across, one up and one as colour.
struct ScatterChoice {
    QString x;
    QString y;
    QString colour;

    bool operator==(const ScatterChoice&) const = default;
};

// How the log review looks: its panes with their channels, the scatter
// plot's channels and the filter. Kept between runs in a small file of its
// own beside the settings file, so that the next log opens the same way;
// channels are named, so a log without one of them leaves it out.
struct ReviewLayout {
    static constexpr int kMinPanes = 1;
    static constexpr int kMaxPanes = 6;
    static constexpr int kDefaultPanes = 4;
    static constexpr int kMaxChannelsPerPane = 8;

    std::vector<ReviewPane> panes = std::vector<ReviewPane>(kDefaultPanes);
    ScatterChoice scatter;
    ChannelFilter filter;

    bool operator==(const ReviewLayout&) const = default;
};

// The colour a pane gives its n-th channel.
uint32_t reviewChannelColour(int n);

// Fills the panes and the scatter choice for a log when none of the panes
// draws a channel of it: the usual engine channels where the log has them
// (rpm; MAP and TPS; injector time, duty and ignition; temperatures and
// battery), otherwise its channels in order, up to four a pane.
void fillReviewDefaults(ReviewLayout& layout, const SampleSeries& series);

// The layout as text in the settings files' list style, and back; nothing
// when the text is not a layout.
QByteArray reviewLayoutBytes(const ReviewLayout& layout);
std::optional<ReviewLayout> parseReviewLayout(const QByteArray& bytes);

// The file beside the settings file at settingsPath.
QString reviewLayoutPath(const QString& settingsPath);
// The stored layout, or the default one when the file is missing or unusable.
ReviewLayout loadReviewLayout(const QString& path);
// Saves atomically; an empty text on success, else what went wrong.
QString saveReviewLayout(const QString& path, const ReviewLayout& layout);
