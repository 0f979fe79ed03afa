#include "ui/AutomationBus.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>

#include <limits>
#include <vector>

#include "automation/DiagramControl_COM.h"
#include "automation/Diagram_COM.h"
#include "automation/Marker_COM.h"
#include "automation/Trace_COM.h"
#include "control/DiagramControl.h"

namespace {

constexpr const char* kErrorPrefix = "org.plotvane.Error.";
constexpr int kSyncMs = 250;
constexpr int kCountPollMs = 10;
constexpr int kCountLimitMs = 7000;

// ---- arguments and results -----------------------------------------------------------------

std::wstring Text(const QVariant& v) { return v.toString().toStdWString(); }
QVariant Text(const std::wstring& s) { return QString::fromStdWString(s); }

std::vector<double> Doubles(const QVariant& v) {
  QList<double> list;
  if (v.canConvert<QDBusArgument>()) {
    v.value<QDBusArgument>() >> list;
  } else {
    list = v.value<QList<double>>();
  }
  return std::vector<double>(list.begin(), list.end());
}

QVariant Doubles(const std::vector<double>& values) {
  return QVariant::fromValue(QList<double>(values.begin(), values.end()));
}

template <class TObject>
QVariant Path(const std::shared_ptr<TObject>& object) {
  return QVariant::fromValue(QDBusObjectPath(object != nullptr ? TAutomationBus::PathOf(object.get()) : "/"));
}

// A property value a client sent, as the property's type; false for a value of another type.
bool Convert(const QVariant& in, const char* type, QVariant& out) {
  const int id = in.metaType().id();
  const bool integer = id == QMetaType::Int || id == QMetaType::UInt || id == QMetaType::LongLong ||
                       id == QMetaType::ULongLong || id == QMetaType::Short || id == QMetaType::UShort ||
                       id == QMetaType::UChar;
  switch (type[0]) {
    case 'd':
      if (id != QMetaType::Double && !integer) return false;
      out = in.toDouble();
      return true;
    case 'i': {
      if (!integer) return false;
      bool ok = false;
      const qlonglong value = in.toLongLong(&ok);
      if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return false;
      out = static_cast<int>(value);
      return true;
    }
    case 'b':
      if (id != QMetaType::Bool) return false;
      out = in.toBool();
      return true;
    case 's':
      if (id != QMetaType::QString) return false;
      out = in.toString();
      return true;
    default:
      return false;
  }
}

// ---- member tables -------------------------------------------------------------------------

struct SArg {
  const char* name;
  const char* type;
};

template <class T>
struct SMethod {
  const char* name;
  std::vector<SArg> in;
  std::vector<SArg> out;
  std::function<HResult(T&, const QList<QVariant>&, QList<QVariant>&)> call;
  bool changesDiagrams = false;
};

template <class T>
struct SProperty {
  const char* name;
  const char* type;
  std::function<HResult(T&, QVariant&)> get;
  std::function<HResult(T&, const QVariant&)> put;  // empty: read-only
};

template <class T>
struct SInterface {
  const char* name;
  std::vector<SMethod<T>> methods;
  std::vector<SProperty<T>> properties;
  const char* signalsXml = "";
};

// Properties backed by a get_X / put_X pair of the object.
template <class T, class V>
SProperty<T> Prop(const char* name, const char* type, HResult (T::*get)(V&) const,
                  HResult (T::*put)(V) = nullptr) {
  SProperty<T> p{name, type, nullptr, nullptr};
  p.get = [get](T& o, QVariant& out) {
    V value{};
    const HResult hr = (o.*get)(value);
    if constexpr (std::is_same_v<V, std::wstring>) {
      out = Text(value);
    } else if constexpr (std::is_enum_v<V>) {
      out = static_cast<int>(value);
    } else if constexpr (std::is_same_v<V, std::int64_t>) {
      out = static_cast<qlonglong>(value);
    } else {
      out = QVariant::fromValue(value);
    }
    return hr;
  };
  if (put != nullptr) {
    p.put = [put](T& o, const QVariant& in) {
      if constexpr (std::is_same_v<V, std::wstring>) {
        return (o.*put)(Text(in));
      } else {
        return (o.*put)(in.value<V>());
      }
    };
  }
  return p;
}
template <class T>
SProperty<T> TextProp(const char* name, HResult (T::*get)(std::wstring&) const,
                      HResult (T::*put)(const std::wstring&) = nullptr) {
  SProperty<T> p{name, "s", nullptr, nullptr};
  p.get = [get](T& o, QVariant& out) {
    std::wstring value;
    const HResult hr = (o.*get)(value);
    out = Text(value);
    return hr;
  };
  if (put != nullptr) p.put = [put](T& o, const QVariant& in) { return (o.*put)(Text(in)); };
  return p;
}

// A method without arguments and results.
template <class T>
SMethod<T> Plain(const char* name, HResult (T::*member)()) {
  return {name, {}, {}, [member](T& o, const QList<QVariant>&, QList<QVariant>&) { return (o.*member)(); }};
}

using Args = const QList<QVariant>&;
using Out = QList<QVariant>&;

const SInterface<DiagramControl_COM>& ControlTable() {
  using C = DiagramControl_COM;
  static const SInterface<C> table{
      "org.plotvane.DiagramControl",
      {
          {"Diagram", {{"Index", "i"}}, {{"Diagram", "o"}},
           [](C& c, Args in, Out out) {
             std::shared_ptr<Diagram_COM> d;
             const HResult hr = c.get_Diagram(in[0].toInt(), d);
             out << Path(d);
             return hr;
           }},
          {"DiagramByName", {{"Name", "s"}}, {{"Diagram", "o"}},
           [](C& c, Args in, Out out) {
             std::shared_ptr<Diagram_COM> d;
             const HResult hr = c.get_DiagramByName(Text(in[0]), d);
             out << Path(d);
             return hr;
           }},
          {"PropPage", {{"Name", "s"}}, {{"PropPage", "o"}},
           [](C& c, Args in, Out) {
             void* page = nullptr;
             const HResult hr = c.get_PropPage(Text(in[0]), page);
             // Pages have no objects on the bus (yet): one that exists is not served.
             return Failed(hr) ? hr : E_NOTIMPL;
           }},
          {"SelectDiagram", {{"nIndex", "u"}}, {},
           [](C& c, Args in, Out) { return c.SelectDiagram(in[0].toUInt()); }, true},
          {"AddDiagram", {}, {{"Diagram", "o"}},
           [](C& c, Args, Out out) {
             std::shared_ptr<Diagram_COM> d;
             const HResult hr = c.AddDiagram(d);
             out << Path(d);
             return hr;
           },
           true},
          // "removed" is false for S_FALSE: the last diagram stays.
          {"RemoveDiagram", {{"nIndex", "i"}}, {{"removed", "b"}},
           [](C& c, Args in, Out out) {
             const HResult hr = c.RemoveDiagram(in[0].toInt());
             out << (hr == S_OK);
             return hr;
           },
           true},
      },
      {Prop<C, int>("DiagramCount", "i", &C::get_DiagramCount)},
  };
  return table;
}

const SInterface<Diagram_COM>& DiagramTable() {
  using D = Diagram_COM;
  const auto traceResult = [](HResult hr, const std::shared_ptr<Trace_COM>& t, Out out) {
    out << Path(t);
    return hr;
  };
  static const SInterface<D> table{
      "org.plotvane.Diagram",
      {
          {"Marker", {{"Index", "i"}}, {{"Marker", "o"}},
           [](D& d, Args in, Out out) {
             std::shared_ptr<Marker_COM> m;
             const HResult hr = d.get_Marker(in[0].toInt(), m);
             out << Path(m);
             return hr;
           }},
          {"Trace", {{"Name", "s"}}, {{"Trace", "o"}},
           [traceResult](D& d, Args in, Out out) {
             std::shared_ptr<Trace_COM> t;
             return traceResult(d.get_Trace(Text(in[0]), t), t, out);
           }},
          {"RememberTrace", {{"sourceName", "s"}, {"destName", "s"}}, {},
           [](D& d, Args in, Out) { return d.RememberTrace(Text(in[0]), Text(in[1])); }},
          Plain<D>("MarkersReset", &D::MarkersReset),
          {"SelectTrace", {{"sTraceName", "s"}}, {},
           [](D& d, Args in, Out) { return d.SelectTrace(Text(in[0])); }},
          {"TraceByIndex", {{"Index", "i"}}, {{"Trace", "o"}},
           [traceResult](D& d, Args in, Out out) {
             std::shared_ptr<Trace_COM> t;
             return traceResult(d.get_TraceByIndex(in[0].toInt(), t), t, out);
           }},
          {"DeleteTrace", {{"sTraceName", "s"}}, {},
           [](D& d, Args in, Out) { return d.DeleteTrace(Text(in[0])); }},
          {"AddTrace", {}, {{"Trace", "o"}},
           [traceResult](D& d, Args, Out out) {
             std::shared_ptr<Trace_COM> t;
             return traceResult(d.AddTrace(t), t, out);
           }},
          {"AddStaticTrace", {{"sTraceName", "s"}}, {{"Trace", "o"}},
           [traceResult](D& d, Args in, Out out) {
             std::shared_ptr<Trace_COM> t;
             return traceResult(d.AddStaticTrace(Text(in[0]), t), t, out);
           }},
          {"AddMathTrace", {}, {{"Trace", "o"}},
           [traceResult](D& d, Args, Out out) {
             std::shared_ptr<Trace_COM> t;
             return traceResult(d.AddMathTrace(t), t, out);
           }},
          Plain<D>("DeleteAllTraces", &D::DeleteAllTraces),
      },
      {
          TextProp<D>("Name", &D::get_Name),
          Prop<D, int>("MarkerCount", "i", &D::get_MarkerCount),
          Prop<D, int>("TraceCount", "i", &D::get_TraceCount),
      },
  };
  return table;
}

const SInterface<Trace_COM>& TraceTable() {
  using T = Trace_COM;
  const auto data = [](HResult (T::*member)(std::vector<double>&, std::vector<double>&) const) {
    return [member](T& t, Args, Out out) {
      std::vector<double> stim, resp;
      const HResult hr = (t.*member)(stim, resp);
      out << Doubles(stim) << Doubles(resp);
      return hr;
    };
  };
  static const SInterface<T> table{
      "org.plotvane.Trace",
      {
          {"FetchData", {}, {{"StimData", "ad"}, {"RespData", "ad"}}, data(&T::FetchData)},
          {"GetData", {}, {{"Stim", "ad"}, {"Resp", "ad"}}, data(&T::GetData)},
          {"GetSourceData", {}, {{"Stim", "ad"}, {"ReResp", "ad"}, {"ImResp", "ad"}},
           [](T& t, Args, Out out) {
             std::vector<double> stim, re, im;
             const HResult hr = t.GetSourceData(stim, re, im);
             out << Doubles(stim) << Doubles(re) << Doubles(im);
             return hr;
           }},
          {"Filter", {{"Name", "s"}}, {{"Filter", "o"}},
           [](T& t, Args in, Out) {
             void* filter = nullptr;
             const HResult hr = t.get_Filter(Text(in[0]), filter);
             // Filters have no objects on the bus (yet): one that exists is not served.
             return Failed(hr) ? hr : E_NOTIMPL;
           }},
          Plain<T>("FixHorizAxis", &T::FixHorizAxis),
          Plain<T>("AutoScale", &T::AutoScale),
          {"SetMeasurement", {{"sMsrName", "s"}, {"sChannelName", "s"}}, {},
           [](T& t, Args in, Out) { return t.SetMeasurement(Text(in[0]), Text(in[1])); }},
          {"SetData", {{"Stim", "ad"}, {"Resp", "ad"}}, {},
           [](T& t, Args in, Out) { return t.SetData(Doubles(in[0]), Doubles(in[1])); }},
          {"SetMathSource", {{"sourceNum", "i"}, {"sourceName", "s"}}, {},
           [](T& t, Args in, Out) { return t.SetMathSource(in[0].toInt(), Text(in[1])); }},
          {"GetMathSource", {{"sourceNum", "i"}}, {{"sourceName", "s"}},
           [](T& t, Args in, Out out) {
             std::wstring name;
             const HResult hr = t.GetMathSource(in[0].toInt(), name);
             out << Text(name);
             return hr;
           }},
          Plain<T>("RefreshStaticTrace", &T::RefreshStaticTrace),
          {"SetSourceData", {{"Stim", "ad"}, {"ReResp", "ad"}, {"ImResp", "ad"}}, {},
           [](T& t, Args in, Out) { return t.SetSourceData(Doubles(in[0]), Doubles(in[1]), Doubles(in[2])); }},
          {"GetValue", {{"dStim", "d"}}, {{"dValue", "d"}},
           [](T& t, Args in, Out out) {
             double value = 0;
             const HResult hr = t.GetValue(in[0].toDouble(), value);
             out << value;
             return hr;
           }},
      },
      {
          Prop<T, double>("ScaleDiv", "d", &T::get_ScaleDiv, &T::put_ScaleDiv),
          TextProp<T>("Name", &T::get_Name, &T::put_Name),
          TextProp<T>("Measurement", &T::get_Measurement),
          Prop<T, double>("ScaleRef", "d", &T::get_ScaleRef, &T::put_ScaleRef),
          Prop<T, int>("RefPos", "i", &T::get_RefPos, &T::put_RefPos),
          Prop<T, TraceType>("Type", "i", &T::get_Type),
          Prop<T, bool>("Visible", "b", &T::get_Visible, &T::put_Visible),
          TextProp<T>("MathOperation", &T::get_MathOperation, &T::put_MathOperation),
          TextProp<T>("Channel", &T::get_Channel),
          Prop<T, std::int64_t>("ID", "x", &T::get_ID),
      },
      "<signal name=\"SweepEndedEvent\"/>"
      "<signal name=\"SweepEndedEventEx\"><arg name=\"TraceID\" type=\"x\"/></signal>",
  };
  return table;
}

const SInterface<Marker_COM>& MarkerTable() {
  using M = Marker_COM;
  static const SInterface<M> table{
      "org.plotvane.Marker",
      {
          {"Value", {{"TraceName", "s"}}, {{"Value", "d"}},
           [](M& m, Args in, Out out) {
             double value = 0;
             const HResult hr = m.get_Value(Text(in[0]), value);
             out << value;
             return hr;
           }},
          Plain<M>("SetOnMax", &M::SetOnMax),
          Plain<M>("SetOnMin", &M::SetOnMin),
          Plain<M>("SetOnFree", &M::SetOnFree),
          Plain<M>("SetOnLevel", &M::SetOnLevel),
          {"SetSeekRange", {{"bFullRange", "b"}, {"dStart", "d"}, {"dStop", "d"}}, {},
           [](M& m, Args in, Out) { return m.SetSeekRange(in[0].toBool(), in[1].toDouble(), in[2].toDouble()); }},
          {"SetExtremumMode", {{"bValue", "b"}, {"nExtremum", "i"}, {"dExcursion", "d"}}, {},
           [](M& m, Args in, Out) { return m.SetExtremumMode(in[0].toBool(), in[1].toInt(), in[2].toDouble()); }},
          {"SetFlagPos", {{"percent", "i"}}, {}, [](M& m, Args in, Out) { return m.SetFlagPos(in[0].toInt()); }},
          {"StringValue", {{"TraceName", "s"}}, {{"Text", "s"}},
           [](M& m, Args in, Out out) {
             std::wstring text;
             const HResult hr = m.get_StringValue(Text(in[0]), text);
             out << Text(text);
             return hr;
           }},
          Plain<M>("ResetStatistics", &M::ResetStatistics),
          // Served by HandleCountFreq: the reply comes when the count ends.
          {"CountFreq", {}, {{"dFreq", "d"}}, nullptr},
      },
      {
          Prop<M, double>("Stimulus", "d", &M::get_Stimulus, &M::put_Stimulus),
          Prop<M, bool>("Active", "b", &M::get_Active, &M::put_Active),
          Prop<M, bool>("Discrete", "b", &M::get_Discrete, &M::put_Discrete),
          Prop<M, bool>("Tracking", "b", &M::get_Tracking, &M::put_Tracking),
          Prop<M, double>("RangeStart", "d", &M::get_RangeStart, &M::put_RangeStart),
          Prop<M, double>("RangeStop", "d", &M::get_RangeStop, &M::put_RangeStop),
          Prop<M, bool>("FullRange", "b", &M::get_FullRange, &M::put_FullRange),
          Prop<M, double>("TargetLevel", "d", &M::get_TargetLevel, &M::put_TargetLevel),
          Prop<M, bool>("Fixed", "b", &M::get_Fixed, &M::put_Fixed),
          Prop<M, MarkMode>("Mode", "i", &M::get_Mode),
          TextProp<M>("SrcTrace", &M::get_SrcTrace, &M::put_SrcTrace),
          Prop<M, bool>("Statistics", "b", &M::get_Statistics, &M::put_Statistics),
          Prop<M, int>("StimDimension", "i", &M::get_StimDimension, &M::put_StimDimension),
          Prop<M, int>("RespDimension", "i", &M::get_RespDimension, &M::put_RespDimension),
          Prop<M, bool>("FrequencyCounter", "b", &M::get_FrequencyCounter, &M::put_FrequencyCounter),
          Prop<M, double>("CounterResolution", "d", &M::get_CounterResolution, &M::put_CounterResolution),
      },
  };
  return table;
}

template <class T>
QString InterfaceXml(const SInterface<T>& iface) {
  QString xml = QString("  <interface name=\"%1\">\n").arg(iface.name);
  for (const SMethod<T>& m : iface.methods) {
    xml += QString("    <method name=\"%1\">").arg(m.name);
    for (const SArg& a : m.in) xml += QString("<arg name=\"%1\" type=\"%2\" direction=\"in\"/>").arg(a.name, a.type);
    for (const SArg& a : m.out) xml += QString("<arg name=\"%1\" type=\"%2\" direction=\"out\"/>").arg(a.name, a.type);
    xml += "</method>\n";
  }
  for (const SProperty<T>& p : iface.properties) {
    // Changes are not announced: scripts read a property when they need it.
    xml += QString(
               "    <property name=\"%1\" type=\"%2\" access=\"%3\">"
               "<annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" value=\"false\"/></property>\n")
               .arg(p.name, p.type, p.put ? "readwrite" : "read");
  }
  if (*iface.signalsXml != '\0') xml += QString("    %1\n").arg(iface.signalsXml);
  return xml + "  </interface>\n";
}

template <class T>
const SProperty<T>* FindProperty(const SInterface<T>& iface, const QString& name) {
  for (const SProperty<T>& p : iface.properties)
    if (name == p.name) return &p;
  return nullptr;
}

QString ErrorText(HResult hr) {
  switch (hr) {
    case E_POINTER:
      return "the object's engine object is gone";
    case E_INVALIDARG:
      return "a name that matches nothing, an index out of range or an argument past the limits";
    case E_NOTIMPL:
      return "the object has no automation object";
    default:
      return "the operation does not apply to this object or was refused";
  }
}

bool ParseNumber(const QString& text, std::uint64_t& value) {
  bool ok = false;
  value = text.toULongLong(&ok);
  return ok && !text.startsWith('+') && !text.startsWith('-');
}

}  // namespace

// ---- the sinks of trace events --------------------------------------------------------------

class TAutomationBus::CTraceSink final : public ITrace_COMEvents {
 public:
  CTraceSink(TAutomationBus* bus, std::shared_ptr<Trace_COM> trace)
      : bus_(bus), trace_(std::move(trace)), path_(PathOf(trace_.get())), cookie_(trace_->Advise(this)) {}
  ~CTraceSink() { trace_->Unadvise(cookie_); }
  CTraceSink(const CTraceSink&) = delete;
  CTraceSink& operator=(const CTraceSink&) = delete;

  bool Gone() const { return trace_->Bound() == nullptr; }
  void SweepEndedEvent() override { bus_->SendSignal(path_, "SweepEndedEvent", {}); }
  void SweepEndedEventEx(std::int64_t traceId) override {
    bus_->SendSignal(path_, "SweepEndedEventEx", {QVariant::fromValue(static_cast<qlonglong>(traceId))});
  }

 private:
  TAutomationBus* bus_;
  std::shared_ptr<Trace_COM> trace_;
  QString path_;
  unsigned cookie_;
};

// ---- resolving paths -------------------------------------------------------------------------

struct TAutomationBus::SResolved {
  enum EKind { rkUnknown, rkRoot, rkGone, rkControl, rkDiagram, rkMarker, rkTrace } kind = rkUnknown;
  std::shared_ptr<Diagram_COM> diagram;
  std::shared_ptr<Marker_COM> marker;
  std::shared_ptr<Trace_COM> trace;
};

TAutomationBus::TAutomationBus(CDiagramControl* control, QObject* parent)
    : QDBusVirtualObject(parent),
      control_(control),
      root_(control != nullptr ? std::dynamic_pointer_cast<DiagramControl_COM>(control->GetAutomationInterface())
                               : nullptr),
      connection_(QString()) {
  qDBusRegisterMetaType<QList<double>>();
  syncTimer_.setInterval(kSyncMs);
  connect(&syncTimer_, &QTimer::timeout, this, [this] { SyncTraces(); });
}

TAutomationBus::~TAutomationBus() { Unregister(); }

bool TAutomationBus::Register(const QDBusConnection& connection, const QString& service) {
  Unregister();
  connection_ = connection;
  if (!connection_.isConnected()) {
    lastError_ = "not connected to a bus: " + connection_.lastError().message();
    return false;
  }
  if (root_ == nullptr) {
    lastError_ = "no control to serve";
    return false;
  }
  if (!connection_.registerVirtualObject(kRoot, this, QDBusConnection::SubPath)) {
    lastError_ = QString("the path %1 is taken on this connection").arg(kRoot);
    return false;
  }
  if (!service.isEmpty() && !connection_.registerService(service)) {
    lastError_ = QString("the bus name %1 is refused: %2").arg(service, connection_.lastError().message());
    connection_.unregisterObject(kRoot, QDBusConnection::UnregisterTree);
    return false;
  }
  service_ = service;
  registered_ = true;
  SyncTraces();
  syncTimer_.start();
  return true;
}

void TAutomationBus::Unregister() {
  syncTimer_.stop();
  sinks_.clear();
  if (!registered_) return;
  if (!service_.isEmpty()) connection_.unregisterService(service_);
  connection_.unregisterObject(kRoot, QDBusConnection::UnregisterTree);
  registered_ = false;
}

QString TAutomationBus::ErrorName(HResult hr) {
  switch (hr) {
    case E_POINTER:
      return QString(kErrorPrefix) + "Pointer";
    case E_INVALIDARG:
      return QString(kErrorPrefix) + "InvalidArg";
    case E_NOTIMPL:
      return QString(kErrorPrefix) + "NotImpl";
    default:
      return QString(kErrorPrefix) + "Fail";
  }
}

QString TAutomationBus::PathOf(const Diagram_COM* diagram) {
  return QString("%1/Diagram%2").arg(kRoot).arg(diagram->ObjectId());
}

QString TAutomationBus::PathOf(const Trace_COM* trace) { return QString("%1/Trace%2").arg(kRoot).arg(trace->TraceId()); }

QString TAutomationBus::PathOf(const Marker_COM* marker) {
  const std::shared_ptr<Diagram_COM> diagram = marker->Diagram();
  return diagram != nullptr ? QString("%1/Marker%2").arg(PathOf(diagram.get())).arg(marker->Index()) : QString("/");
}

TAutomationBus::SResolved TAutomationBus::Resolve(const QString& path) const {
  SResolved r;
  const QString root(kRoot);
  if (path == root) {
    r.kind = SResolved::rkRoot;
    return r;
  }
  if (!path.startsWith(root + "/")) return r;
  const QStringList parts = path.mid(root.size() + 1).split('/');
  CDiagramControl* control = root_ != nullptr ? root_->Bound() : nullptr;
  std::uint64_t number = 0;
  if (parts.size() == 1 && parts[0] == "Control") {
    r.kind = control != nullptr ? SResolved::rkControl : SResolved::rkGone;
    return r;
  }
  if (parts.size() == 1 && parts[0].startsWith("Trace") && ParseNumber(parts[0].mid(5), number)) {
    r.kind = SResolved::rkGone;
    for (unsigned d = 0; control != nullptr && d < control->GetDiagramCount(); ++d) {
      CDiagram* diagram = control->GetDiagram(d);
      for (unsigned t = 0; t < diagram->GetTraceCount(); ++t) {
        if (diagram->Trace(t)->Id() != number) continue;
        r.trace = TraceObject(diagram->Trace(t));
        r.kind = r.trace != nullptr ? SResolved::rkTrace : SResolved::rkGone;
        return r;
      }
    }
    return r;
  }
  if (parts.size() > 2 || !parts[0].startsWith("Diagram") || !ParseNumber(parts[0].mid(7), number)) return r;
  std::uint64_t slot = 0;
  if (parts.size() == 2 && (!parts[1].startsWith("Marker") || !ParseNumber(parts[1].mid(6), slot) || slot >= kMarkerCount))
    return r;
  r.kind = SResolved::rkGone;
  for (unsigned d = 0; control != nullptr && d < control->GetDiagramCount(); ++d) {
    auto object = std::dynamic_pointer_cast<Diagram_COM>(control->GetDiagram(d)->GetAutomationInterface());
    if (object == nullptr || object->ObjectId() != number) continue;
    r.diagram = object;
    r.kind = SResolved::rkDiagram;
    if (parts.size() == 2) {
      r.marker = object->MarkerObject(static_cast<unsigned>(slot));
      r.kind = SResolved::rkMarker;
    }
    break;
  }
  return r;
}

void TAutomationBus::SyncTraces() {
  std::erase_if(sinks_, [](const auto& entry) { return entry.second->Gone(); });
  CDiagramControl* control = root_ != nullptr ? root_->Bound() : nullptr;
  if (!registered_ || control == nullptr) return;
  for (unsigned d = 0; d < control->GetDiagramCount(); ++d) {
    CDiagram* diagram = control->GetDiagram(d);
    for (unsigned t = 0; t < diagram->GetTraceCount(); ++t) {
      TraceInterface* trace = diagram->Trace(t);
      if (sinks_.count(trace->Id()) != 0) continue;
      if (std::shared_ptr<Trace_COM> object = TraceObject(trace))
        sinks_.emplace(trace->Id(), std::make_unique<CTraceSink>(this, std::move(object)));
    }
  }
}

void TAutomationBus::SendSignal(const QString& path, const char* name, const QList<QVariant>& args) {
  if (!registered_) return;
  QDBusMessage signal = QDBusMessage::createSignal(path, TraceTable().name, name);
  signal.setArguments(args);
  connection_.send(signal);
}

// ---- messages --------------------------------------------------------------------------------

namespace {

template <class T>
bool Dispatch(const SInterface<T>& iface, T& object, const QDBusMessage& message, const QDBusConnection& connection,
              const std::function<void()>& changed) {
  if (!message.interface().isEmpty() && message.interface() != iface.name) return false;
  for (const SMethod<T>& m : iface.methods) {
    if (message.member() != m.name || !m.call) continue;
    QString signature;
    for (const SArg& a : m.in) signature += a.type;
    if (message.signature() != signature) {
      connection.send(message.createErrorReply(TAutomationBus::ErrorName(E_INVALIDARG),
                                               QString("%1 takes (%2), not (%3)").arg(m.name, signature, message.signature())));
      return true;
    }
    QList<QVariant> out;
    const HResult hr = m.call(object, message.arguments(), out);
    if (m.changesDiagrams && Succeeded(hr) && changed) changed();
    connection.send(Failed(hr) ? message.createErrorReply(TAutomationBus::ErrorName(hr),
                                                          QString("%1: %2").arg(m.name, ErrorText(hr)))
                               : message.createReply(out));
    return true;
  }
  return false;
}

template <class T>
bool Properties(const SInterface<T>& iface, T& object, const QDBusMessage& message, const QDBusConnection& connection) {
  const QList<QVariant> args = message.arguments();
  const QString member = message.member();
  const auto fail = [&](HResult hr, const QString& what) {
    connection.send(message.createErrorReply(TAutomationBus::ErrorName(hr), what + ": " + ErrorText(hr)));
    return true;
  };
  if (args.isEmpty() || args[0].metaType().id() != QMetaType::QString) return false;
  if (args[0].toString() != iface.name) {
    connection.send(message.createErrorReply(QDBusError::UnknownInterface, "no interface " + args[0].toString()));
    return true;
  }
  if (member == "GetAll" && message.signature() == "s") {
    QVariantMap all;
    for (const SProperty<T>& p : iface.properties) {
      QVariant value;
      const HResult hr = p.get(object, value);
      if (Failed(hr)) return fail(hr, p.name);
      all.insert(p.name, value);
    }
    connection.send(message.createReply(QVariant::fromValue(all)));
    return true;
  }
  const SProperty<T>* p = args.size() >= 2 ? FindProperty(iface, args[1].toString()) : nullptr;
  if (member == "Get" && message.signature() == "ss") {
    if (p == nullptr) {
      connection.send(message.createErrorReply(QDBusError::UnknownProperty, "no property " + args[1].toString()));
      return true;
    }
    QVariant value;
    const HResult hr = p->get(object, value);
    if (Failed(hr)) return fail(hr, p->name);
    connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
    return true;
  }
  if (member == "Set" && message.signature() == "ssv") {
    if (p == nullptr) {
      connection.send(message.createErrorReply(QDBusError::UnknownProperty, "no property " + args[1].toString()));
      return true;
    }
    if (!p->put) {
      connection.send(message.createErrorReply(QDBusError::PropertyReadOnly, QString(p->name) + " is read-only"));
      return true;
    }
    QVariant value;
    if (!Convert(args[2].value<QDBusVariant>().variant(), p->type, value)) return fail(E_INVALIDARG, p->name);
    const HResult hr = p->put(object, value);
    if (Failed(hr)) return fail(hr, p->name);
    connection.send(message.createReply());
    return true;
  }
  return false;
}

}  // namespace

bool TAutomationBus::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  const QString iface = message.interface();
  if (iface == "org.freedesktop.DBus.Introspectable" && message.member() == "Introspect") {
    connection.send(message.createReply(IntrospectXml(message.path())));
    return true;
  }
  SyncTraces();
  const SResolved target = Resolve(message.path());
  if (target.kind == SResolved::rkUnknown || target.kind == SResolved::rkRoot) {
    connection.send(message.createErrorReply(QDBusError::UnknownObject, "no object at " + message.path()));
    return true;
  }
  if (target.kind == SResolved::rkGone || (target.kind == SResolved::rkControl && root_->Bound() == nullptr)) {
    connection.send(message.createErrorReply(ErrorName(E_POINTER), message.path() + ": " + ErrorText(E_POINTER)));
    return true;
  }
  if (iface == "org.freedesktop.DBus.Properties" && HandleProperties(message, target)) return true;

  bool handled = false;
  switch (target.kind) {
    case SResolved::rkControl:
      handled = Dispatch(ControlTable(), *root_, message, connection, onChanged);
      break;
    case SResolved::rkDiagram:
      handled = Dispatch(DiagramTable(), *target.diagram, message, connection, onChanged);
      break;
    case SResolved::rkTrace:
      handled = Dispatch(TraceTable(), *target.trace, message, connection, onChanged);
      break;
    case SResolved::rkMarker:
      handled = (message.member() == "CountFreq" && (iface.isEmpty() || iface == MarkerTable().name) &&
                 HandleCountFreq(message, target.marker)) ||
                Dispatch(MarkerTable(), *target.marker, message, connection, onChanged);
      break;
    default:
      break;
  }
  if (!handled) {
    connection.send(message.createErrorReply(QDBusError::UnknownMethod,
                                             QString("no method %1.%2 with signature (%3)")
                                                 .arg(iface, message.member(), message.signature())));
  }
  return true;
}

bool TAutomationBus::HandleProperties(const QDBusMessage& message, const SResolved& target) {
  switch (target.kind) {
    case SResolved::rkControl:
      return Properties(ControlTable(), *root_, message, connection_);
    case SResolved::rkDiagram:
      return Properties(DiagramTable(), *target.diagram, message, connection_);
    case SResolved::rkTrace:
      return Properties(TraceTable(), *target.trace, message, connection_);
    case SResolved::rkMarker:
      return Properties(MarkerTable(), *target.marker, message, connection_);
    default:
      return false;
  }
}

bool TAutomationBus::HandleCountFreq(const QDBusMessage& message, const std::shared_ptr<Marker_COM>& marker) {
  if (!message.signature().isEmpty()) return false;
  const HResult begun = marker->BeginCountFreq();
  if (Failed(begun)) {
    connection_.send(message.createErrorReply(ErrorName(begun), "CountFreq: " + ErrorText(begun)));
    return true;
  }
  // The UI goes on while the instrument counts: the reply leaves when the count ends.
  message.setDelayedReply(true);
  auto* poll = new QTimer(this);
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  connect(poll, &QTimer::timeout, this, [this, poll, clock, marker, message] {
    double freq = 0;
    HResult hr = marker->PollCountFreq(freq);
    if (hr == S_FALSE && clock->elapsed() < kCountLimitMs) return;
    if (hr == S_FALSE) hr = E_FAIL;
    // A caller that went away meanwhile misses the reply; nothing else depends on it.
    connection_.send(Failed(hr) ? message.createErrorReply(ErrorName(hr), "CountFreq: " + ErrorText(hr))
                                : message.createReply(freq));
    poll->deleteLater();
  });
  poll->start(kCountPollMs);
  return true;
}

// ---- introspection ---------------------------------------------------------------------------

QString TAutomationBus::IntrospectXml(const QString& path) const {
  return "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n<node>\n" +
         introspect(path) + "</node>\n";
}

// The interfaces and child nodes of a path, without the node around them.
QString TAutomationBus::introspect(const QString& path) const {
  const SResolved target = Resolve(path);
  QString xml;
  if (target.kind != SResolved::rkUnknown && target.kind != SResolved::rkGone) {
    xml +=
        "  <interface name=\"org.freedesktop.DBus.Introspectable\">"
        "<method name=\"Introspect\"><arg name=\"xml_data\" type=\"s\" direction=\"out\"/></method></interface>\n";
  }
  if (target.kind >= SResolved::rkControl) {
    xml +=
        "  <interface name=\"org.freedesktop.DBus.Properties\">"
        "<method name=\"Get\"><arg name=\"interface_name\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"property_name\" type=\"s\" direction=\"in\"/><arg name=\"value\" type=\"v\" direction=\"out\"/></method>"
        "<method name=\"Set\"><arg name=\"interface_name\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"property_name\" type=\"s\" direction=\"in\"/><arg name=\"value\" type=\"v\" direction=\"in\"/></method>"
        "<method name=\"GetAll\"><arg name=\"interface_name\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"values\" type=\"a{sv}\" direction=\"out\"/></method></interface>\n";
  }
  CDiagramControl* control = root_ != nullptr ? root_->Bound() : nullptr;
  switch (target.kind) {
    case SResolved::rkRoot:
      if (control == nullptr) break;
      xml += "  <node name=\"Control\"/>\n";
      for (unsigned d = 0; d < control->GetDiagramCount(); ++d) {
        CDiagram* diagram = control->GetDiagram(d);
        if (auto object = std::dynamic_pointer_cast<Diagram_COM>(diagram->GetAutomationInterface()))
          xml += QString("  <node name=\"Diagram%1\"/>\n").arg(object->ObjectId());
        for (unsigned t = 0; t < diagram->GetTraceCount(); ++t)
          xml += QString("  <node name=\"Trace%1\"/>\n").arg(diagram->Trace(t)->Id());
      }
      break;
    case SResolved::rkControl:
      xml += InterfaceXml(ControlTable());
      break;
    case SResolved::rkDiagram:
      xml += InterfaceXml(DiagramTable());
      for (unsigned k = 0; k < kMarkerCount; ++k) xml += QString("  <node name=\"Marker%1\"/>\n").arg(k);
      break;
    case SResolved::rkMarker:
      xml += InterfaceXml(MarkerTable());
      break;
    case SResolved::rkTrace:
      xml += InterfaceXml(TraceTable());
      break;
    default:
      break;
  }
  return xml;
}
