#include "traces/PlotKinds.h"

#include "chart/Series.h"
#include "series/DigitSeries.h"
#include "series/LogSeries.h"
#include "series/PolarSeries.h"
#include "series/SmithSeries.h"

namespace {

template <class T>
std::unique_ptr<CChartSeries> Make() {
  return std::make_unique<T>();
}

//  kind            renderer                    horiz vert  im     zero   remem  frame  noBar  circle log    spectr mode           grad   wfall
const SPlotKind kPlotKinds[] = {
    {plRect,        Make<CFastLineSeries>,      scX,  scY,  false, true,  false, true,  false, false, false, false, smSpectrogram, false, false},
    {plLog,         Make<TQuorLogSeries>,       scX,  scY,  false, true,  false, true,  true,  false, true,  false, smSpectrogram, false, false},
    {plPolar,       Make<TQuorPolarSeries>,     scY,  scZ,  true,  true,  false, false, false, true,  false, false, smSpectrogram, false, false},
    {plSmith,       Make<TQuorSmithSeries>,     scY,  scZ,  true,  true,  false, false, false, true,  false, false, smSpectrogram, false, false},
    {plDigit,       Make<TQuorDigitSeries>,     scX,  scY,  true,  false, true,  false, false, false, false, false, smSpectrogram, false, false},
    {plPoints,      Make<CPointSeries>,         scY,  scZ,  true,  false, true,  true,  false, false, false, false, smSpectrogram, false, false},
    {plSpectrogram, Make<TQuorSpectrumSeries>,  scX,  scY,  false, true,  false, true,  false, false, false, true,  smSpectrogram, false, false},
    {plWaterfall,   Make<TQuorSpectrumSeries>,  scX,  scY,  false, true,  false, true,  false, false, false, true,  smWaterfall,   true,  true},
    {plHeatMap,     Make<TQuorSpectrumSeries>,  scX,  scY,  false, true,  false, true,  false, false, false, true,  smHeatMap,     true,  false},
};

constexpr int kKinds = static_cast<int>(sizeof(kPlotKinds) / sizeof(kPlotKinds[0]));

}  // namespace

bool IsPlotKind(int value) { return value >= 0 && value < kKinds; }

const SPlotKind& PlotKind(EPlot plot) {
  const SPlotKind& row = kPlotKinds[IsPlotKind(plot) ? plot : plRect];
  return row;
}
