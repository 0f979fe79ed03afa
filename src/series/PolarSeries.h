#pragma once
// The polar chart: the same points, stimulus list, display rectangle and conversions as the
// Smith chart; only its grid (magnitude circles and angle lines) differs.
#include "series/SmithSeries.h"

class TQuorPolarSeries : public TQuorCircleSeries {};
