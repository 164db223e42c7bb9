// SPDX-License-Identifier: GPL-3.0-or-later
// One redraw of a 3D plot: the surface built from the table, projected and
// drawn into the persistent image, then the window painted with the live
// dots; at the small and at the large size.

#include "app/Initialise.h"
#include "plot3d/Plot3DWindow.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

#include <benchmark/benchmark.h>

namespace {

void BM_Plot3DRedraw(benchmark::State& bench) {
    AppState state;
    SettingsStore store(initialiseSettings(state));
    state.display.Fuel3DPlotX = 100;
    state.display.Fuel3DPlotY = 100;
    Plot3DWindow plot(fuelPlot(), state, store, nullptr);
    plot.setSelectedCell([] { return std::optional<QPoint>(QPoint(8, 8)); });
    plot.show();
    if (bench.range(0) != 0) {
        plot.zoomForm();
    }
    for (auto _ : bench) {
        plot.drawSurface();
        plot.repaint();
    }
    bench.SetLabel(
        QStringLiteral("%1 x %2 pixels").arg(plot.width()).arg(plot.height()).toStdString());
}
BENCHMARK(BM_Plot3DRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
