#include "traces/TraceMath.h"

#include <cmath>
#include <cwctype>
#include <limits>

#include "common/Assert.h"
#include "common/Text.h"
#include "common/UserInteraction.h"
#include "common/Xml.h"
#include "core/DiagCommonLib.h"
#include "core/MenuModel.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The interpreter's operations by mode.
const wchar_t* const kModeExpressions[] = {L"A-B", L"A+B", L"(A+B)/2", L"A/B", L"A*B", L"B-A"};
constexpr int kInterpreterModes = static_cast<int>(sizeof(kModeExpressions) / sizeof(kModeExpressions[0]));

bool NamePart(wchar_t c) { return c == L'_' || c == L'.' || c >= 0x80 || std::iswalnum(static_cast<wint_t>(c)); }

// The text with every standalone "A" and "B" replaced (names glued to other letters stay).
std::wstring ReplaceOperands(const std::wstring& text, const std::wstring& a, const std::wstring& b) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const bool alone = (c == L'A' || c == L'B') && (i == 0 || !NamePart(text[i - 1])) &&
                       (i + 1 == text.size() || !NamePart(text[i + 1]));
    out += alone ? (c == L'A' ? a : b) : std::wstring(1, c);
  }
  return out;
}

// a / b by scaled division; NaN for a zero or non-finite divisor.
std::complex<double> Divide(std::complex<double> a, std::complex<double> b) {
  const double c = b.real(), d = b.imag();
  if (!std::isfinite(c) || !std::isfinite(d) || (c == 0 && d == 0)) return {kNaN, kNaN};
  if (std::fabs(c) >= std::fabs(d)) {
    const double r = d / c, den = c + d * r;
    return {(a.real() + a.imag() * r) / den, (a.imag() - a.real() * r) / den};
  }
  const double r = c / d, den = c * r + d;
  return {(a.real() * r + a.imag()) / den, (a.imag() * r - a.real()) / den};
}

void ReportExpression() {
  QuorMessageBox(nullptr, Tr("Ошибка при установке математического выражения"), Tr("Ошибка"), MB_OK | MB_ICONERROR);
}

}  // namespace

namespace {
CTraceMath::ExpressionEditor& Editor() {
  static CTraceMath::ExpressionEditor editor;
  return editor;
}
}  // namespace

CTraceMath::ExpressionEditor CTraceMath::SetExpressionEditor(ExpressionEditor editor) {
  ExpressionEditor previous = std::move(Editor());
  Editor() = std::move(editor);
  return previous;
}

bool CTraceMath::ShowPropertiesForm() { return Editor() ? Editor()(this) : false; }

void CTraceMath::PrepareMenu(CPopupMenu* menu) {
  if (menu == nullptr) return;
  AddMenuItem(menu, std::make_unique<CMenuItem>(Tr("Настройка выражения..."), [this] { ShowPropertiesForm(); }));
}

CTraceMath::CTraceMath(DiagramInterface* diagram) : CTraceMathSource(diagram), interpreter_(CreateInterpreter()) {
  if (interpreter_ != nullptr) {
    interpreter_->DeclareVariable(L"A");
    interpreter_->DeclareVariable(L"B");
    interpreter_->SetExpression(kModeExpressions[0]);
  }
}

CTraceMath::~CTraceMath() {
  for (CTraceMathSource*& source : sources_) {
    if (source != nullptr) source->Unsubscribe(this);
    source = nullptr;
  }
}

std::wstring CTraceMath::GetStringInfo(int index) const {
  if (index == 4) return GetDisplayExpression();
  return CTrace::GetStringInfo(index);
}

std::wstring CTraceMath::GetSource(int index) const {
  if (!PV_ASSERT_MSG(index == 0 || index == 1, "nIndex == 0 || nIndex == 1")) return {};
  return sources_[index] != nullptr ? sources_[index]->GetName() : std::wstring();
}

CTraceMathSource* CTraceMath::SourceTrace(int index) const {
  return index == 0 || index == 1 ? sources_[index] : nullptr;
}

bool CTraceMath::DependsOn(const ITraceView* trace) const {
  if (trace == this) return true;
  for (const CTraceMathSource* source : sources_) {
    if (source == nullptr) continue;
    if (source == trace) return true;
    if (const auto* math = dynamic_cast<const CTraceMath*>(source); math != nullptr && math->DependsOn(trace))
      return true;
  }
  return false;
}

bool CTraceMath::SetSource(int index, unsigned traceIndex) {
  if (!PV_ASSERT_MSG(index == 0 || index == 1, "nIndex == 0 || nIndex == 1") || diagram_ == nullptr) return false;
  // The diagram answers null (and reports it) for an index past its traces.
  return SetSourceTrace(index, dynamic_cast<CTraceMathSource*>(diagram_->Trace(traceIndex)));
}

bool CTraceMath::SetSourceTrace(int index, CTraceMathSource* trace) {
  if (!PV_ASSERT_MSG(index == 0 || index == 1, "nIndex == 0 || nIndex == 1")) return false;
  if (trace == nullptr || trace == this) return false;
  // A source that computes from this trace would feed it back into itself.
  if (const auto* math = dynamic_cast<const CTraceMath*>(trace); math != nullptr && math->DependsOn(this)) return false;
  CTraceMathSource*& slot = sources_[index];
  if (slot == trace) return true;
  if (slot != nullptr && slot != sources_[1 - index]) slot->Unsubscribe(this);
  slot = trace;
  trace->Subscribe(this);
  Recompute();
  Announce(tcLook);  // the shown expression names the new source
  return true;
}

bool CTraceMath::SetExpression(const std::wstring& expression, bool report) {
  if (interpreter_ == nullptr || interpreter_->SetExpression(expression) != S_OK) {
    if (report) ReportExpression();
    return false;
  }
  expression_ = expression;
  mode_ = kFreeExpression;
  Recompute();
  Announce(tcLook);
  return true;
}

bool CTraceMath::SetMode(int mode) {
  if (mode < kFreeExpression || mode > kLastMode) return false;
  if (mode == kFreeExpression) return SetExpression(expression_);
  if (mode < kInterpreterModes) {
    if (interpreter_ == nullptr || interpreter_->SetExpression(kModeExpressions[mode]) != S_OK) return false;
    expression_ = kModeExpressions[mode];
  }
  mode_ = mode;
  Recompute();
  Announce(tcLook);
  return true;
}

std::wstring CTraceMath::GetDisplayExpression() const {
  const std::wstring a = sources_[0] != nullptr ? sources_[0]->GetName() : L"A";
  const std::wstring b = sources_[1] != nullptr ? sources_[1]->GetName() : L"B";
  if (mode_ >= kFirstComplexMode) {
    static const wchar_t* const kComplex[] = {L"A-B", L"A+B", L"(A+B)/2", L"A/B", L"A*B"};
    return ReplaceOperands(kComplex[mode_ - kFirstComplexMode], a, b);
  }
  return ReplaceOperands(expression_, a, b);
}

bool CTraceMath::IsComplex() const {
  return mode_ >= kFirstComplexMode && GetSrcQuantity(vtResponse).find(L"Cmplx") != std::wstring::npos;
}

void CTraceMath::TraceChanged(const STraceChange& change) {
  for (int k = 0; k < 2; ++k) {
    if (static_cast<ITraceView*>(sources_[k]) != change.trace) continue;
    if (change.kind == tcRemoved) {
      // The source goes: its slot empties and the trace shows nothing until another is set.
      sources_[k] = nullptr;
      ClearValues();
      Announce(tcLook);
      return;
    }
    if (change.kind == tcData) {
      SourceDataChanged(sources_[k], change.reset, change.size, change.offset, change.count);
      return;
    }
  }
}

void CTraceMath::Recompute() {
  ClearValues();
  updated_[0] = updated_[1] = false;
  CTraceMathSource* any = sources_[0] != nullptr ? sources_[0] : sources_[1];
  if (any == nullptr || any->Count() == 0) return;
  SourceDataChanged(any, true, any->SrcSize(), 0, any->Count());
}

void CTraceMath::SourceDataChanged(CTraceMathSource* source, bool reset, int size, int offset, int count) {
  // 1. Both operands must have delivered; a memory trace counts as delivered once the other
  // one does, and so does an empty slot.
  for (int k = 0; k < 2; ++k) {
    const CTraceMathSource* other = sources_[1 - k];
    const bool frozen = sources_[k] != nullptr && sources_[k]->GetTraceType() == L"Memory" && source == other;
    updated_[k] = updated_[k] || source == sources_[k] || reset || sources_[k] == nullptr || frozen;
  }
  if (!updated_[0] || !updated_[1]) return;
  updated_[0] = updated_[1] = false;
  CTraceMathSource* a = sources_[0];
  CTraceMathSource* b = sources_[1];
  if (a == nullptr) std::swap(a, b);  // one operand: it is A's
  if (a == nullptr) return;
  // 2. Two live sweeps: the whole sweep, once both are complete.
  const bool live = a->GetTraceType() == L"Measuring" && b != nullptr && b->GetTraceType() == L"Measuring";
  if (live) {
    if (a->Count() < a->SrcSize() || b->Count() < b->SrcSize()) return;
    offset = 0;
    count = size;
  }
  // 3.
  if (reset) pendingReset_ = true;
  // 5. Sources of different lengths give no data, and say so once.
  if (b != nullptr && a->SrcSize() != b->SrcSize()) {
    ClearValues();
    const bool complete = a->Count() >= a->SrcSize() || b->Count() >= b->SrcSize();
    if (complete && !mismatchReported_) {
      mismatchReported_ = true;
      std::wstring caption = Tr("Математическая трасса «%0»");
      std::wstring text =
          Tr("Математическая трасса «%0» не будет отображать данные,\nт.к. количество точек в трассах-источниках не совпадает");
      ReplaceString(caption, L"%0", GetName());
      ReplaceString(text, L"%0", GetName());
      QuorMessageBox(nullptr, text, caption, MB_OK | MB_ICONWARNING);
    }
    return;
  }
  mismatchReported_ = false;
  // 4. The block must lie inside both operands' points.
  size = a->SrcSize();
  if (offset < 0 || count <= 0 || offset > a->Count() - count || (b != nullptr && offset > b->Count() - count)) return;
  SBlock block{pendingReset_, offset, count, size};
  const bool complex = IsComplex();
  // Real results are in the format the operands are shown in, not the channel's own: the
  // trace's filters must take them as such.
  const std::wstring shown = complex ? std::wstring(L"Cmplx") : a->GetQuantity(vtResponse);
  if (GetSrcQuantity(vtResponse) != shown) {
    SetSrcQuantity(vtResponse, shown.c_str());
    FiltersTraceChanged();
  }
  if (!buffers_.Prepare(block, count, complex)) return;
  // The stimulus of A as received (the display buffer holds it as it came through).
  std::copy(a->DisplayData().X() + offset, a->DisplayData().X() + offset + count, block.x);
  if (complex) {
    const double* are = a->SrcColumn(vtResponse) + offset;
    const double* aim = a->SrcColumn(vtResponseIm);
    const double* bre = b != nullptr ? b->SrcColumn(vtResponse) + offset : nullptr;
    const double* bim = b != nullptr ? b->SrcColumn(vtResponseIm) : nullptr;
    const int op = mode_ - kFirstComplexMode;
    for (int i = 0; i < count; ++i) {
      const std::complex<double> va(are[i], aim != nullptr ? aim[offset + i] : 0.0);
      const std::complex<double> vb = bre != nullptr ? std::complex<double>(bre[i], bim != nullptr ? bim[offset + i] : 0.0)
                                                     : std::complex<double>(kNaN, kNaN);
      std::complex<double> r;
      switch (op) {
        case 0: r = va - vb; break;
        case 1: r = va + vb; break;
        case 2: r = 0.5 * (va + vb); break;
        case 3: r = Divide(va, vb); break;
        default: r = {va.real() * vb.real() - va.imag() * vb.imag(), va.real() * vb.imag() + va.imag() * vb.real()}; break;
      }
      block.y[i] = r.real();
      block.z[i] = r.imag();
    }
  } else {
    const double* av = a->DisplayData().Y() + offset;
    const double* bv = b != nullptr ? b->DisplayData().Y() + offset : nullptr;
    if (bv == nullptr) {
      missing_.assign(static_cast<std::size_t>(count), kNaN);  // B's slot is empty
      bv = missing_.data();
    }
    if (interpreter_ == nullptr || interpreter_->CalculateArrays(av, bv, block.y, count) != S_OK)
      std::fill(block.y, block.y + count, kNaN);
  }
  pendingReset_ = false;
  Process(block);
  buffers_.Settle(block);
}

void CTraceMath::Serialize(pugi::xml_node element) {
  if (!element) return;
  CTrace::Serialize(element);
  if (mode_ == kFreeExpression) {
    AddAttribute(element, L"expression", expression_);
  } else {
    AddAttribute(element, L"mode", static_cast<long long>(mode_));
  }
  for (int k = 0; k < 2; ++k) {
    if (sources_[k] != nullptr) AddAttribute(element, k == 0 ? L"source_1" : L"source_2", sources_[k]->GetName());
  }
}

void CTraceMath::Deserialize(pugi::xml_node element) {
  if (!element) return;
  if (pugi::xml_attribute expression = element.attribute("expression")) {
    SetExpression(Utf8ToWide(expression.value()));
  } else if (pugi::xml_attribute mode = element.attribute("mode")) {
    if (!SetMode(mode.as_int(0))) ReportExpression();
  }
  CTrace::Deserialize(element);
  if (diagram_ != nullptr) {
    for (int k = 0; k < 2; ++k) {
      const std::wstring name = GetNodeWideStringValue(element, k == 0 ? L"@source_1" : L"@source_2");
      if (name.empty()) continue;
      SetSourceTrace(k, dynamic_cast<CTraceMathSource*>(diagram_->Trace(name.c_str())));
    }
  }
  Recompute();
}

void CTraceMath::Assign(TraceInterface* other) {
  CTrace::Assign(other);
  if (auto* math = dynamic_cast<CTraceMath*>(other); math != nullptr && math != this) {
    if (math->mode_ == kFreeExpression) {
      SetExpression(math->expression_);
    } else {
      SetMode(math->mode_);
    }
  }
}
