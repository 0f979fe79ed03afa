#include "markers/RelationMarker.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "common/Text.h"
#include "common/UserInteraction.h"
#include "common/Xml.h"
#include "core/DiagCommonLib.h"
#include "core/MenuModel.h"
#include "interfaces/DiagramControlInterface.h"
#include "interfaces/DiagramInterface.h"
#include "markers/MarkParams.h"
#include "markers/Marker.h"
#include "markers/MarkersManager.h"

namespace {

// Texts as the operator reads them.
std::wstring TrText(const std::wstring& text) { return text.empty() ? text : Tr(WideToUtf8(text).c_str()); }

// A variable name in the source language and, when it differs, in the operator's: expressions
// written in either read the same values.
std::vector<std::wstring> Spellings(const char* prefix, const std::wstring& rest) {
  std::vector<std::wstring> names{Utf8ToWide(prefix) + rest};
  const std::wstring translated = Tr(prefix) + rest;
  if (translated != names.front()) names.push_back(translated);
  return names;
}
std::vector<std::wstring> ArgNames(const char* prefix, const std::wstring& number = {}) {
  std::vector<std::wstring> names;
  for (const std::wstring& p : Spellings(prefix, number))
    for (const std::wstring& a : Spellings(TrNoop("арг"), {})) names.push_back(p + L"." + a);
  return names;
}

std::wstring Fixed(double value, int fraction) {
  if (std::isnan(value)) return L"NAN";
  if (std::isinf(value)) return value > 0 ? L"INF" : L"-INF";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(fraction, 0, 15), value);
  return Utf8ToWide(buffer);
}

void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& with) {
  if (what.empty()) return;
  for (std::size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

const char* const kStatTokens[] = {TrNoop("%мин"), TrNoop("%макс"), TrNoop("%ср"), TrNoop("%ско"), TrNoop("%выб"),
                                   TrNoop("%врм")};

}  // namespace

CRelationMarker::CRelationMarker(CMarkersManager* manager)
    : manager_(manager), params_(DefaultConnParams()) {}

void CRelationMarker::Connect(CMarker* a, CMarker* b) {
  if (a_ != nullptr) a_->Disconnect(this);
  if (b_ != nullptr) b_->Disconnect(this);
  a_ = a;
  b_ = b;
  if (a_ != nullptr) a_->Connect(this);
  if (b_ != nullptr) b_->Connect(this);
}

void CRelationMarker::DeclareVariables() {
  if (!interpreter_) return;
  DiagramInterface* diagram = manager_ != nullptr ? manager_->Diagram() : nullptr;
  const unsigned traces = diagram != nullptr ? diagram->GetTraceCount() : 0;
  const auto declare = [this](const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names) interpreter_->DeclareVariable(name);
  };
  declare(ArgNames(TrNoop("а")));
  declare(ArgNames(TrNoop("б")));
  for (unsigned n = 1; n <= kMarkerCount; ++n) declare(ArgNames(TrNoop("м"), std::to_wstring(n)));
  for (unsigned t = 0; t < traces; ++t) {
    const std::wstring title = diagram->Trace(t)->GetName();
    if (title.empty()) continue;
    declare(Spellings(TrNoop("а"), L"." + title));
    declare(Spellings(TrNoop("б"), L"." + title));
    for (unsigned n = 1; n <= kMarkerCount; ++n) declare(Spellings(TrNoop("м"), std::to_wstring(n) + L"." + title));
  }
}

bool CRelationMarker::SetParams(const SConnParams& params, bool keepRefused) {
  SConnParams applied = params;
  applied.expression = TrText(params.expression);
  applied.print = TrText(params.print);
  applied.description = TrText(params.description);
  bool refused = false;
  if (!interpreter_) interpreter_ = CreateInterpreter();  // made when first used: most slots never are
  if (interpreter_) {
    DeclareVariables();
    refused = Failed(interpreter_->SetExpression(applied.expression));
    error_ = refused ? interpreter_->GetErrorText() : std::wstring();
    if (refused && !keepRefused) return false;
  }
  refused_ = refused;
  params_ = params;
  applied_ = applied;
  needStat_ = false;
  for (const char* token : kStatTokens)
    if (applied_.print.find(Tr(token)) != std::wstring::npos) needStat_ = true;
  if (params_.active) {
    Activate();
  } else {
    Deactivate();
  }
  return !refused;
}

void CRelationMarker::Activate() {
  params_.active = true;
  hidden_ = false;
  UpdateValues();
  if (manager_ != nullptr) manager_->Repaint();
}

void CRelationMarker::Deactivate() {
  params_.active = false;
  text_.clear();
  if (manager_ != nullptr) manager_->Repaint();
}

void CRelationMarker::Reset() {
  Connect(nullptr, nullptr);
  params_ = DefaultConnParams();
  applied_ = SConnParams{};
  error_.clear();
  refused_ = false;
  text_.clear();
  value_ = 0;
  needStat_ = false;
  hidden_ = false;
  stat_.Reset();
}

void CRelationMarker::SetMarkerVariables(const char* prefix, const std::wstring& number, const CMarker* marker) {
  for (const std::wstring& name : ArgNames(prefix, number)) interpreter_->SetVariable(name, marker->GetFreq());
  for (unsigned line = 2; line < kStoredLines; ++line) {
    TraceInterface* trace = marker->LineTrace(line);
    if (trace == nullptr) break;
    const std::wstring title = trace->GetName();
    if (title.empty()) continue;
    const double value = marker->LineValue(line);
    for (const std::wstring& name : Spellings(prefix, number + L"." + title)) interpreter_->SetVariable(name, value);
  }
}

double CRelationMarker::CalcCurValue() {
  if (!interpreter_ || refused_ || a_ == nullptr || b_ == nullptr) return kNoValue;
  for (unsigned n = 0; n < kMarkerCount; ++n) {
    const CMarker* marker = manager_->Marker(n);
    if (marker != nullptr && marker->IsActivated()) SetMarkerVariables(TrNoop("м"), std::to_wstring(n + 1), marker);
  }
  SetMarkerVariables(TrNoop("а"), {}, a_);
  SetMarkerVariables(TrNoop("б"), {}, b_);
  double result = kNoValue;
  if (Failed(interpreter_->Calculate(&result))) return kNoValue;
  return result;
}

void CRelationMarker::UpdateValues() {
  if (blocked_ || !GetActivated()) return;
  value_ = CalcCurValue();
  const int f = params_.fraction;
  std::wstring text = applied_.print;
  if (text.empty()) {
    text = Fixed(value_, f);
  } else {
    ReplaceAll(text, Tr("%зн"), Fixed(value_, f));
    if (text.find(L"%10log10") != std::wstring::npos || text.find(L"%20log10") != std::wstring::npos) {
      const double l = value_ > 0 ? std::log10(value_) : kNoValue;
      ReplaceAll(text, L"%10log10", Fixed(10 * l, f));
      ReplaceAll(text, L"%20log10", Fixed(20 * l, f));
    }
  }
  if (needStat_) {
    const SStatInfo s = stat_.GetStatInfo();
    const double values[] = {s.minimum, s.maximum, s.mean, s.deviation, static_cast<double>(s.count), s.duration};
    for (std::size_t i = 0; i < std::size(kStatTokens); ++i) ReplaceAll(text, Tr(kStatTokens[i]), Fixed(values[i], f));
    ReplaceAll(text, L"NAN", Tr("Н/Д"));
  }
  if (refused_) text = Tr("Н/Д");
  if (manager_ != nullptr && manager_->IsCompactMode())
    text = a_->GetCaption() + L"<->" + b_->GetCaption() + L": " + text;
  text_ = text;
}

void CRelationMarker::UpdateStat(TraceInterface* trace) {
  if (!GetActivated() || !needStat_ || trace == nullptr || trace != a_->SrcTrace(false)) return;
  stat_.AddValue(CalcCurValue());
}

// ---- drawing and menu ---------------------------------------------------------------------

void CRelationMarker::Paint(ICanvas& canvas, const SRect& plot, bool) const {
  frameRect_ = {};
  SPointF a, b;
  if (!IsShowing() || !a_->TipPoint(a) || !b_->TipPoint(b)) return;
  const double y = plot.top + params_.framePos / 100.0 * plot.Height();
  canvas.SetPen({RGBColor(128, 128, 128), 1, psDot});
  canvas.Line(a.x, a.y, a.x, y);
  canvas.Line(b.x, b.y, b.x, y);
  canvas.SetPen({clBlack, 1, psSolid});
  canvas.Line(a.x, y, b.x, y);
  for (const SPointF& end : {a, b}) canvas.Line(end.x, y - 4, end.x, y + 4);
  SFont font;
  canvas.SetFont(font);
  const std::wstring text = text_.empty() ? Tr("Н/Д") : text_;
  const SSize size = canvas.TextExtent(text);
  const int left = static_cast<int>((a.x + b.x) / 2 - size.cx / 2.0) - 3;
  const int top = static_cast<int>(y) - size.cy - 6;
  frameRect_ = {left, top, left + size.cx + 6, top + size.cy + 4};
  canvas.SetBrush({RGBColor(255, 255, 225), bsSolid});
  canvas.Rectangle(frameRect_);
  canvas.TextOut(left + 3, top + 2, text);
}

bool CRelationMarker::HitTest(double x, double y) const { return IsShowing() && frameRect_.Contains(x, y); }

void CRelationMarker::PrepareMenu(CMenuComponent* menu) {
  AddMenuItem(menu, std::make_unique<CMenuItem>(Tr("Свойства..."), [this] { manager_->ShowLinkPropForm(this); }));
  AddMenuItem(menu, std::make_unique<CMenuItem>(Tr("Копировать значение"), [this] {
    if (!UserInteraction().CopyToClipboard(text_))
      QuorMessageBox(nullptr, Tr("Ошибка копирования в буфер обмена"), Tr("Ошибка"), MB_OK | MB_ICONERROR);
  }));
  AddMenuItem(menu, std::make_unique<CMenuItem>(Tr("-> Диапазон"), [this] {
    TraceInterface* trace = a_->SrcTrace(false);
    if (trace == nullptr || trace->Measurement() == nullptr || std::isnan(a_->GetFreq()) || std::isnan(b_->GetFreq())) return;
    MeasurementInterface* m = trace->Measurement();
    const double multiplier = m->GetStimulusMultiplier();
    if (multiplier == 0 || manager_->Control() == nullptr) return;
    const double lo = std::min(a_->GetFreq(), b_->GetFreq()) / multiplier;
    const double hi = std::max(a_->GetFreq(), b_->GetFreq()) / multiplier;
    manager_->Control()->SendDiagramParameter(m, L"freq", lo, hi);
  }));
  AddMenuItem(menu, std::make_unique<CMenuItem>(Tr("Удалить связной маркер"), [this] {
    if (QuorQuestion(nullptr, Tr("Удалить связь?"), Tr("Подтвердите удаление"))) manager_->RemoveRelation(this);
  }));
}

// ---- files --------------------------------------------------------------------------------

void CRelationMarker::Serialize(pugi::xml_node parent, bool withMarkers) const {
  pugi::xml_node r = AddElement(parent, L"relation");
  if (withMarkers) {
    AddAttribute(r, L"markerA", static_cast<long long>(manager_->GetMarkerIndex(a_)));
    AddAttribute(r, L"markerB", static_cast<long long>(manager_->GetMarkerIndex(b_)));
    AddAttribute(AddElement(r, L"framePos"), L"value", params_.framePos);
    AddAttribute(AddElement(r, L"truncSize"), L"value", static_cast<long long>(params_.fraction));
  }
  AddAttribute(AddElement(r, L"description"), L"value", params_.description);
  AddAttribute(AddElement(r, L"expression"), L"value", params_.expression);
  AddAttribute(AddElement(r, L"print"), L"value", params_.print);
}

SConnParams CRelationMarker::Read(pugi::xml_node node, const SConnParams& defaults) {
  SConnParams p = defaults;
  p.markerA = GetNodeIntValue(node, L"@markerA", -10);
  p.markerB = GetNodeIntValue(node, L"@markerB", -10);
  p.framePos = GetNodeDoubleValue(node, L"framePos/@value", p.framePos);
  p.fraction = std::clamp(GetNodeIntValue(node, L"truncSize/@value", p.fraction), 0, 15);
  p.description = GetNodeWideStringValue(node, L"description/@value", p.description).substr(0, 200);
  p.expression = GetNodeWideStringValue(node, L"expression/@value", p.expression).substr(0, 200);
  p.print = GetNodeWideStringValue(node, L"print/@value", p.print).substr(0, 200);
  return p;
}
