// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gauges/GaugeFace.h"
#include "gauges/GaugeLayout.h"
#include "monitor/LiveSample.h"

#include <QColor>
#include <QWidget>
#include <vector>

class SettingsStore;

// The gauges' dark background.
QColor gaugeBackground();
// The colour of a zone on the gauges: amber for warning, red for danger,
// and for the normal stretch of a scale a grey that the dark face shows.
QColor gaugeZoneColour(GaugeZone zone);

// The gauges drawn from the last live sample: each in its cell of a grid
// chosen so that the smallest digits are as large as the panel allows. The
// panel is never smaller than the size at which every gauge's digits can
// be read from a metre away (but while they are edited); a smaller window
// scrolls it.
class GaugePanel : public QWidget {
    Q_OBJECT
public:
    GaugePanel(const SettingsStore& store, QWidget* parent = nullptr);

    void setGauges(const std::vector<Gauge>& gauges);
    void setSample(const LiveSample& sample);
    // The gauge outlined while the editor is open; -1 for none.
    void setCurrent(int index);
    // While the gauges are edited, they may draw smaller than can be read
    // from afar, so that all of them stay in view beside the editor.
    void setCompact(bool compact);

    // Pixels of the screen per millimetre, as the screen reports its size,
    // or at 96 dots an inch where it reports none that is plausible.
    double pixelsPerMillimetre() const;
    GaugeGrid grid() const;
    // Each gauge's cell, and the height of its digits as last painted.
    QRectF cell(int index) const;
    const std::vector<double>& paintedDigitHeights() const { return m_digitHeights; }
    const LiveSample& sample() const { return m_sample; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<GaugeShape> shapes() const;
    void paintGauge(QPainter& p, int index, const QRectF& cell);

    const SettingsStore& m_store;
    std::vector<Gauge> m_gauges;
    LiveSample m_sample;
    int m_current = -1;
    bool m_compact = false;
    std::vector<double> m_digitHeights;
};
