// A host's calls in any order with any values: channel settings, AddData with arbitrary
// offsets, counts and sizes, virtual channels, plot kinds, diagrams, resizing and drawing.
// Each input starts from a fresh control (channels and a diagram showing them); the
// plug-in package stays loaded across inputs.
#include <algorithm>

#include "FuzzSupport.h"
#include "diagram/Diagram.h"
#include "measurements/VirtualMeasurement.h"
#include "traces/Trace.h"

namespace {

// Blocks carry at most this many points: the arrays must really hold `count` values.
constexpr int kMaxBlock = 1 << 14;

// Offsets and point counts that the channel refuses (negative, past the largest sweep, near
// INT_MAX) are used as they come. Accepted ones above 2^16 are folded below it: a sweep near
// the largest one really takes gigabytes in a virtual channel and in every trace, beyond
// what the fuzzer lets a process allocate.
int Feasible(int value) {
  if (value > (1 << 16) && value <= CMeasurement::kMaxPointsCount) return value & 0xFFFF;
  return value;
}

CMeasurement* Channel(fuzz::CByteReader& in, fuzz::SFuzzControl& f, std::vector<CMeasurement*>& virtuals) {
  const std::size_t pick = in.Byte() % (f.channels.size() + virtuals.size());
  if (pick < f.channels.size()) return static_cast<CMeasurement*>(f.channels[pick]);
  return virtuals[pick - f.channels.size()];
}

void AddData(fuzz::CByteReader& in, CMeasurement* m) {
  static std::vector<double> x(kMaxBlock), y(kMaxBlock), z(kMaxBlock);
  const int offset = Feasible(in.EdgyInt());
  int count = in.EdgyInt();
  if (count > kMaxBlock) count = kMaxBlock;
  const int filled = std::clamp(count, 0, kMaxBlock);
  const double start = in.EdgyDouble();
  const double step = in.EdgyDouble();
  const double value = in.EdgyDouble();
  for (int i = 0; i < filled; ++i) {
    x[i] = start + step * i;
    y[i] = value + (i & 7);
    z[i] = value - (i & 3);
  }
  const std::uint8_t arrays = in.Byte();
  m->AddData(offset, count, x.data(), (arrays & 1) ? nullptr : y.data(), (arrays & 2) ? nullptr : z.data(),
             (arrays & 4) != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::QuietProcess();
  fuzz::SFuzzControl f;
  // One diagram to start with (making traces is most of an input's cost); inputs add more.
  if (CDiagram* diagram = f.control.AddDiagram()) diagram->AddMeasurements(&f.channels);
  std::vector<CMeasurement*> virtuals;

  static const wchar_t* const kStimulus[] = {L"Hz", L"MHz", L"GHz", L"dBm", L"", L"s", L"THz", L"kHz"};
  static const wchar_t* const kResponse[] = {L"dB", L"Cmplx", L"dBm", L"tms", L"VSWR", L"SGram", L"Cmplx_Z",
                                             L"deg", L"", L"dBc/Hz", L"mW/tms", L"R(dB)"};
  static const wchar_t* const kVirtual[] = {L"Z11", L"Y21", L"K", L"u1", L"u2", L"Z22", L"Y12", L"b2_a1_1", L"X"};
  static const wchar_t* const kParameters[] = {L"channel", L"notation", L"allow_NAN", L"SyncOut",
                                               L"FrequencyCounter", L"reference_level", L"impedance",
                                               L"reference_impedance_re_port1", L"sweeponlist"};
  static const wchar_t* const kValues[] = {L"1", L"2", L"", L"0", L"-1e308", L"nan", L"50", L"abc", L"true"};

  fuzz::CByteReader in(data, size);
  for (int step = 0; step < 64 && !in.Empty(); ++step) {
    switch (in.Byte() % 16) {
      case 0:
        Channel(in, f, virtuals)->SetPointsCount(Feasible(in.EdgyInt()));
        break;
      case 1:
      case 2:
      case 3:
        AddData(in, Channel(in, f, virtuals));
        break;
      case 4: {
        CMeasurement* m = Channel(in, f, virtuals);
        const double a = in.EdgyDouble();
        m->SetStimulusRange(a, in.EdgyDouble(), in.Bool());
        break;
      }
      case 5:
        Channel(in, f, virtuals)->SetStimulusQuantity(in.Pick(kStimulus));
        break;
      case 6:
        Channel(in, f, virtuals)->SetResponseQuantity(in.Pick(kResponse));
        break;
      case 7:
        Channel(in, f, virtuals)->HideStimulus(in.Bool());
        break;
      case 8:
        if (virtuals.size() < 4) {
          if (CVirtualMeasurement* v = f.control.CreateVirtualMeasurement(in.Pick(kVirtual))) {
            virtuals.push_back(v);
            for (unsigned d = 0; d < f.control.GetDiagramCount(); ++d) {
              std::vector<MeasurementInterface*> one{v};
              f.control.GetDiagram(d)->AddMeasurements(&one);
            }
          }
        }
        break;
      case 9: {
        const unsigned d = in.Byte() % 4;
        if (d >= f.control.GetDiagramCount()) break;
        CDiagram* diagram = f.control.GetDiagram(d);
        const unsigned t = in.Byte() % 32;
        if (t < diagram->GetTraceCount()) diagram->Trace(t)->SetPlot(static_cast<EPlot>(in.Byte() % 9));
        break;
      }
      case 10:
        fuzz::DrawAll(f.control);
        break;
      case 11:
        Channel(in, f, virtuals)->SetParameter(in.Pick(kParameters), in.Pick(kValues));
        break;
      case 12:
        f.control.SetDiagramMode(in.EdgyInt());
        f.control.ArrangeDiagrams();
        break;
      case 13:
        f.host.size = {std::clamp(in.EdgyInt(), -10, 4000), std::clamp(in.EdgyInt(), -10, 4000)};
        f.control.OnResize();
        break;
      case 14:
        if (in.Bool()) {
          if (CDiagram* diagram = f.control.AddDiagram()) diagram->AddMeasurements(&f.channels);
        } else if (f.control.GetDiagramCount() > 0) {
          f.control.RemoveDiagram(in.Byte() % f.control.GetDiagramCount());
        }
        break;
      default: {
        CMeasurement* m = Channel(in, f, virtuals);
        m->SetIndicator(static_cast<EChannelIndicatorType>(in.Byte() % 3), in.EdgyInt(), in.Bool() ? L"" : L"1 ГГц",
                        L"hint", in.Bool() ? L"freq" : L"", in.EdgyInt());
        break;
      }
    }
  }
  fuzz::DrawAll(f.control);
  return 0;
}
