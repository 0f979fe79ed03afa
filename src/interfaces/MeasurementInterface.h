#pragma once
// The measurement channel as traces, diagrams and markers see it, and the kinds of change a
// channel announces to its subscribers.
#include <cstdint>
#include <string>

// Kind of change passed to CMeasurementSubscriber::CallbackChanged. The values are fixed.
enum EMeasureParam {
  mpAttached = 0,          // sent to a new subscriber only: read everything
  mpStimulusRange = 1,
  mpName = 2,
  mpInfo = 3,
  mpStimulusQuantity = 4,
  mpResponseQuantity = 5,
  mpPointsCount = 6,
  mpParameter = 7,         // the name is in GetLastParameter()
  mpDisplayRange = 8,
  mpNewSweep = 9,
};

// The two indicator lists of a channel; 2 and above are rejected.
enum EChannelIndicatorType : int {
  citFirst = 0,
  citSecond = 1,
};

struct SChannelIndicator {
  std::int32_t ID = 0;     // key; each list stays sorted by ascending ID
  std::int32_t Order = 0;  // stored unchanged
  std::wstring Text;       // the value shown
  std::wstring Hint;       // caption or tool tip
  std::wstring Category;   // containing "freq": a frequency indicator, hidden with the stimulus
};

// The read side of a measurement channel: what traces, markers and diagrams see. The host
// writes through CMeasurement itself. Operations are declared in the order of the slot table.
class MeasurementInterface {
 public:
  virtual ~MeasurementInterface() = default;
  virtual int GetIconIndex() const = 0;
  // Entry `index` of list `type`, owned by the channel and valid until the next SetIndicator;
  // null for a bad kind or index. Frequency entries are skipped while the stimulus is hidden.
  virtual const SChannelIndicator* GetIndicator(EChannelIndicatorType type, unsigned index) const = 0;
  // Number of entries GetIndicator can reach; -1 for a bad kind.
  virtual int GetIndicatorCount(EChannelIndicatorType type) const = 0;
  virtual std::wstring GetName() const = 0;
  // Limits of the instrument in base units (±1e11 when unlimited).
  virtual double GetStimulusMax() const = 0;
  virtual double GetStimulusMin() const = 0;
  // Factor from the host's stimulus units to base units; 1 while the stimulus is hidden.
  virtual int GetStimulusMultiplier() const = 0;
  // Sweep range in base units, ordered (start <= stop); 1 … point count while hidden.
  virtual double GetStimulusStart() const = 0;
  virtual double GetStimulusStop() const = 0;
  // Range shown (a zoom may narrow it), same rules as the sweep range.
  virtual double GetDisplayStimStart() const = 0;
  virtual double GetDisplayStimStop() const = 0;
  // Display start, stop and centre split into mantissa and engineering exponent.
  virtual void GetOptimalRange(double& start, double& stop, double& center, int& startDigits,
                               int& stopDigits, int& centerDigits) const = 0;
  // Stimulus quantity in base units ("Hz"); "" while the stimulus is hidden.
  virtual std::wstring GetStimulusQuantity() const = 0;
  virtual std::wstring GetResponseQuantity() const = 0;
  virtual int GetPointsCount() const = 0;
  // Name of the parameter set last; read it inside CallbackChanged(…, mpParameter).
  virtual std::wstring GetLastParameter() const = 0;
  // Stored value of a named parameter; "" when never set ("notation" falls back to the name).
  virtual std::wstring GetParameter(const wchar_t* name) const = 0;
  virtual bool HasReversedSweep() const = 0;
  virtual bool StimulusHidden() const = 0;
  // Whether some subscriber shows, uses or makes visible this channel; the host measures
  // only channels somebody needs.
  virtual bool GetActive() = 0;
  virtual bool GetUsing() = 0;
  virtual bool GetVisible() = 0;
};
