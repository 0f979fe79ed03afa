#include "core/Interpreter.h"

#include <muParser.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <new>
#include <stdexcept>
#include <numbers>
#include <unordered_map>
#include <vector>

#include "common/Text.h"
#include "common/UserInteraction.h"

namespace {

// ---------------------------------------------------------------------------------------
// Functions of the grammar. Trigonometry is in degrees, reduced to ±45° around a quadrant
// so that the familiar angles come out exact: sin(30) = 0.5, tg(45) = 1, cos(90) = 0.

void SinCosDegrees(double degrees, double& s, double& c) {
  if (!std::isfinite(degrees)) {
    s = c = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  double r = std::fmod(degrees, 360.0);
  if (r < 0) r += 360.0;
  const int quadrant = int(std::floor((r + 45.0) / 90.0));
  const double offset = r - 90.0 * quadrant;  // −45 … 45
  double so, co;
  const double a = std::fabs(offset);
  if (a == 0) {
    so = 0;
    co = 1;
  } else if (a == 30) {
    so = std::copysign(0.5, offset);
    co = std::numbers::sqrt3 / 2;
  } else if (a == 45) {
    so = std::copysign(std::numbers::sqrt2 / 2, offset);
    co = std::numbers::sqrt2 / 2;
  } else {
    const double rad = offset * (std::numbers::pi / 180.0);
    so = std::sin(rad);
    co = std::cos(rad);
  }
  switch (quadrant & 3) {
    case 0: s = so; c = co; break;
    case 1: s = co; c = -so; break;
    case 2: s = -so; c = -co; break;
    default: s = -co; c = so; break;
  }
  s += 0.0;  // no negative zeros in read-outs
  c += 0.0;
}

double FnSin(double x) {
  double s, c;
  SinCosDegrees(x, s, c);
  return s;
}
double FnCos(double x) {
  double s, c;
  SinCosDegrees(x, s, c);
  return c;
}
double FnTg(double x) {
  double s, c;
  SinCosDegrees(x, s, c);
  return s / c;
}
double FnCtg(double x) {
  double s, c;
  SinCosDegrees(x, s, c);
  return c / s;
}
double FnAbs(double x) { return std::fabs(x); }
double FnLn(double x) { return std::log(x); }
double FnLog(double x) { return std::log10(x); }
double FnSqr(double x) { return x * x; }
double FnSqrt(double x) { return std::sqrt(x); }
double FnExp(double x) { return std::exp(x); }

// Functions the bulk evaluator applies in place over a chunk instead of calling through a
// pointer per value.
enum EKnownFunction { kfGeneric, kfAbs, kfLn, kfLog, kfSqr, kfSqrt, kfExp };

struct SFunctionDef {
  const char* name;
  mu::fun_type1 fun;
  EKnownFunction known;
};

constexpr SFunctionDef kFunctions[] = {
    {"abs", FnAbs, kfAbs},   {"cos", FnCos, kfGeneric}, {"ctg", FnCtg, kfGeneric},
    {"exp", FnExp, kfExp},   {"ln", FnLn, kfLn},        {"log", FnLog, kfLog},
    {"sin", FnSin, kfGeneric}, {"sqr", FnSqr, kfSqr},   {"sqrt", FnSqrt, kfSqrt},
    {"tg", FnTg, kfGeneric},
};

EKnownFunction KnownFunction(const mu::generic_callable_type& cb) {
  if (cb._pUserData != nullptr) return kfGeneric;
  for (const SFunctionDef& f : kFunctions)
    if (cb._pRawFun == reinterpret_cast<mu::erased_fun_type>(f.fun)) return f.known;
  return kfGeneric;
}

// ---------------------------------------------------------------------------------------
// Names. A declared name becomes the parser identifier "_v<index>".

constexpr const char* kInternalPrefix = "_v";

// Characters that glue to a name: a declared name is found only where the text next to it
// does not continue it.
bool IsNameChar(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' ||
         c == L'.' || (c >= 0x80 && c != 0xA0 && !(c >= 0x2000 && c <= 0x200B) && c != 0x3000);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "_v3", or " _v3 " padded for the expression text (the padding keeps it apart from whatever
// the name was next to).
std::string InternalName(int index, bool padded) {
  std::string name;
  if (padded) name += ' ';
  name += kInternalPrefix;
  name += std::to_string(index);
  if (padded) name += ' ';
  return name;
}

struct STranslation {
  std::string text;               // UTF-8 text for the parser
  std::vector<std::size_t> from;  // for every byte of `text`, its position in the original
};

// ---------------------------------------------------------------------------------------
// Bulk evaluation of the parser's bytecode: each instruction runs over a chunk of points,
// so the dispatch costs once per chunk and the arithmetic loops vectorise.

constexpr int kChunk = 256;

enum EBulkOp { boLoad, boConst, boVarMul, boPow2, boPow3, boPow4, boBinary, boFunc0, boFunc1, boFunc2 };
enum EArraySource { asScalar, asA, asB };

struct SBulkOp {
  EBulkOp op = boConst;
  EArraySource source = asScalar;
  const double* scalar = nullptr;  // variable read at run time when source is asScalar
  double factor = 0;               // boVarMul: value × factor + value2; boConst: value2
  double value2 = 0;
  mu::ECmdCode binary = mu::cmADD;
  EKnownFunction known = kfGeneric;
  mu::generic_callable_type fun{};
};

// ---------------------------------------------------------------------------------------

class CMuInterpreter final : public IInterpreter {
 public:
  CMuInterpreter() {
    // The parser's own set mixes radians and a natural "log"; only ours is offered.
    m_parser.ClearFun();
    for (const SFunctionDef& f : kFunctions) m_parser.DefineFun(f.name, f.fun);
  }

  // Nothing thrown below the interpreter (the parser, the name mapping, the standard library)
  // leaves it: every operation ends with its result code.
  HResult SetExpression(const std::wstring& text) override {
    return Guarded([&] { return DoSetExpression(text); }, true);
  }
  HResult DeclareVariable(const std::wstring& name) override {
    return Guarded([&] { return DoDeclareVariable(name); }, true);
  }
  HResult SetVariable(const std::wstring& name, double value) override {
    return Guarded([&] { return DoSetVariable(name, value); }, false);
  }
  HResult Calculate(double* result) override {
    return Guarded([&] { return DoCalculate(result); }, false);
  }
  HResult CalculateArrays(const double* a, const double* b, double* out, int count) override {
    return Guarded([&] { return DoCalculateArrays(a, b, out, count); }, false);
  }

  HResult DoSetExpression(const std::wstring& text) {
    if (text.size() > kMaxExpressionLength)
      return Fail(E_INVALIDARG, Tr("Выражение длиннее 5000 символов"));

    STranslation translation;
    std::wstring foreignName;
    if (!Translate(text, translation, foreignName))
      return Fail(DISP_E_UNKNOWNNAME, Tr("Неизвестное имя") + L": " + foreignName);

    try {
      m_parser.SetExpr(translation.text);
      m_parser.Eval();
    } catch (const mu::ParserError& error) {
      const HResult hr = ParserFailure(error, text, translation);
      RestoreExpression();
      return hr;
    }
    m_expression = text;
    m_translated = std::move(translation.text);
    m_hasExpression = true;
    CompileBulk();
    m_error.clear();
    return S_OK;
  }

  HResult DoDeclareVariable(const std::wstring& name) {
    if (name.empty() || (name[0] >= L'0' && name[0] <= L'9'))
      return Fail(E_INVALIDARG, Tr("Недопустимое имя переменной") + L": " + name);
    if (name.size() > kMaxVariableNameLength)
      return Fail(E_INVALIDARG, Tr("Имя переменной длиннее 100 символов"));
    if (m_index.contains(name)) {
      m_error.clear();
      return S_OK;
    }
    const int index = int(m_values.size());
    m_values.push_back(0.0);
    try {
      m_parser.DefineVar(InternalName(index, false), &m_values.back());
    } catch (const mu::ParserError& error) {
      m_values.pop_back();
      return Fail(E_FAIL, Utf8ToWide(error.GetMsg()));
    }
    m_names.push_back(name);
    m_index.emplace(name, index);
    if (name == L"A") m_varA = index;
    if (name == L"B") m_varB = index;
    // Defining a variable drops the parser's bytecode; build it again now rather than on
    // the next evaluation.
    RestoreExpression();
    m_error.clear();
    return S_OK;
  }

  HResult DoSetVariable(const std::wstring& name, double value) {
    const auto it = m_index.find(name);
    if (it == m_index.end()) return Fail(DISP_E_UNKNOWNNAME, Tr("Переменная не объявлена") + L": " + name);
    m_values[it->second] = value;
    m_error.clear();
    return S_OK;
  }

  HResult DoCalculate(double* result) {
    if (!result) return Fail(E_POINTER, Tr("Не задан адрес результата"));
    if (!m_hasExpression) return Fail(E_FAIL, Tr("Выражение не задано"));
    try {
      *result = m_parser.Eval();
    } catch (const mu::ParserError& error) {
      return Fail(E_FAIL, Utf8ToWide(error.GetMsg()));
    }
    m_error.clear();
    return S_OK;
  }

  HResult DoCalculateArrays(const double* a, const double* b, double* out, int count) {
    if (count < 0) return Fail(E_INVALIDARG, Tr("Отрицательное количество точек"));
    if (!m_hasExpression) return Fail(E_FAIL, Tr("Выражение не задано"));
    if ((count > 0 && !out) || (m_readsA && !a) || (m_readsB && !b))
      return Fail(E_POINTER, Tr("Не задан массив значений"));
    m_error.clear();
    if (count == 0) return S_OK;
    if (m_bulk) {
      for (int base = 0; base < count; base += kChunk) RunChunk(a, b, out, base, std::min(kChunk, count - base));
      return S_OK;
    }
    return CalculatePointByPoint(a, b, out, count);
  }

  const std::wstring& GetErrorText() const override { return m_error; }

 private:
  HResult Fail(HResult hr, std::wstring text) {
    m_error = std::move(text);
    return hr;
  }

  // Runs one operation and turns whatever escapes it into a failing result. An operation
  // that may have left another text in the parser puts the expression in force back.
  template <class Operation>
  HResult Guarded(Operation operation, bool restoreExpression) noexcept {
    HResult hr = E_FAIL;
    std::wstring text;
    try {
      return operation();
    } catch (const std::bad_alloc&) {
      hr = E_OUTOFMEMORY;
    } catch (const mu::ParserError& error) {
      text = Utf8ToWide(error.GetMsg());
    } catch (const std::exception& error) {
      text = Utf8ToWide(error.what());
    } catch (...) {
    }
    try {
      if (restoreExpression) RestoreExpression();
    } catch (...) {
      // Even the old expression cannot be set up again: better none than a half one.
      m_hasExpression = false;
      m_bulk = false;
      m_program.clear();
    }
    try {
      if (hr == E_OUTOFMEMORY) return Fail(hr, Tr("Недостаточно памяти для вычисления выражения"));
      std::wstring message = Tr("Внутренняя ошибка интерпретатора");
      if (!text.empty()) message += L": " + text;
      return Fail(hr, std::move(message));
    } catch (...) {
      m_error.clear();
      return hr;
    }
  }

  // Replaces the declared names, longest first, by parser identifiers. A name counts where
  // it does not overlap a longer one already found and is not glued to surrounding name
  // characters. False when the text uses the internal identifier form itself.
  bool Translate(const std::wstring& text, STranslation& translation, std::wstring& foreignName) const {
    std::vector<int> order(m_names.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int l, int r) { return m_names[l].size() > m_names[r].size(); });

    std::vector<int> owner(text.size(), -1);  // variable index covering each character
    for (int index : order) {
      const std::wstring& name = m_names[index];
      const bool gluesBefore = IsNameChar(name.front());
      const bool gluesAfter = IsNameChar(name.back());
      for (std::size_t pos = text.find(name); pos != std::wstring::npos; pos = text.find(name, pos + 1)) {
        const std::size_t end = pos + name.size();
        if (gluesBefore && pos > 0 && IsNameChar(text[pos - 1])) continue;
        if (gluesAfter && end < text.size() && IsNameChar(text[end])) continue;
        if (std::any_of(owner.begin() + pos, owner.begin() + end, [](int o) { return o >= 0; })) continue;
        std::fill(owner.begin() + pos, owner.begin() + end, index);
        pos = end - 1;
      }
    }

    std::string& out = translation.text;
    out.reserve(text.size() * 2);
    translation.from.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size();) {
      if (owner[i] >= 0) {
        const std::string id = InternalName(owner[i], true);
        out += id;
        translation.from.insert(translation.from.end(), id.size(), i);
        i += m_names[owner[i]].size();
        continue;
      }
      const std::size_t runEnd = std::find_if(owner.begin() + i, owner.end(), [](int o) { return o >= 0; }) -
                                 owner.begin();
      const std::wstring_view raw(text.data() + i, runEnd - i);
      if (std::size_t p = FindInternalIdentifier(raw); p != std::wstring_view::npos) {
        std::size_t e = p;
        while (e < raw.size() && IsNameChar(raw[e])) ++e;
        foreignName = std::wstring(raw.substr(p, e - p));
        return false;
      }
      for (std::size_t k = i; k < runEnd; ++k) {
        const std::string bytes = WideToUtf8(std::wstring_view(&text[k], 1));
        out += bytes;
        translation.from.insert(translation.from.end(), bytes.size(), k);
      }
      i = runEnd;
    }
    return true;
  }

  static std::size_t FindInternalIdentifier(std::wstring_view raw) {
    for (std::size_t p = raw.find(L"_v"); p != std::wstring_view::npos; p = raw.find(L"_v", p + 1)) {
      if ((p == 0 || !IsNameChar(raw[p - 1])) && p + 2 < raw.size() && raw[p + 2] >= L'0' && raw[p + 2] <= L'9')
        return p;
    }
    return std::wstring_view::npos;
  }

  // The parser's message told in the user's terms: identifiers back to the declared names,
  // positions counted in the original text, an unknown name shown whole.
  HResult ParserFailure(const mu::ParserError& error, const std::wstring& original,
                        const STranslation& translation) {
    const int pos = error.GetPos();
    std::size_t origPos = original.size();
    if (pos >= 0 && std::size_t(pos) < translation.from.size()) origPos = translation.from[pos];

    std::wstring token = NamesBack(error.GetToken());
    const bool unknownName = error.GetCode() == mu::ecUNASSIGNABLE_TOKEN && origPos < original.size() &&
                             IsNameChar(original[origPos]) && !(original[origPos] >= L'0' && original[origPos] <= L'9');
    if (unknownName) {
      std::size_t end = origPos;
      while (end < original.size() && IsNameChar(original[end])) ++end;
      token = original.substr(origPos, end - origPos);
    }

    std::string pattern = mu::ParserErrorMsg::Instance()[error.GetCode()];
    std::wstring text;
    if (pattern.empty()) {
      text = NamesBack(error.GetMsg());
    } else {
      text = Utf8ToWide(pattern);
      ReplaceAll(text, L"$TOK$", token);
      ReplaceAll(text, L"$POS$", std::to_wstring(origPos));
    }
    return Fail(unknownName ? DISP_E_UNKNOWNNAME : E_FAIL, std::move(text));
  }

  std::wstring NamesBack(const std::string& utf8) const {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
      const bool atId = utf8.compare(i, 2, kInternalPrefix) == 0 && i + 2 < utf8.size() && IsDigit(utf8[i + 2]) &&
                        (i == 0 || !IsNameChar(static_cast<unsigned char>(utf8[i - 1])));
      if (atId) {
        std::size_t e = i + 2;
        while (e < utf8.size() && IsDigit(utf8[e])) ++e;
        // The text may hold any run of digits after "_v": one too long for a number is no
        // identifier of ours.
        std::size_t index = 0;
        const auto [end, error] = std::from_chars(utf8.data() + i + 2, utf8.data() + e, index);
        if (error == std::errc() && end == utf8.data() + e && index < m_names.size()) {
          out += WideToUtf8(m_names[index]);
          i = e;
          continue;
        }
      }
      out += utf8[i++];
    }
    // Drop the padding spaces around identifiers.
    std::wstring wide = Utf8ToWide(out);
    const auto first = wide.find_first_not_of(L' ');
    const auto last = wide.find_last_not_of(L' ');
    return first == std::wstring::npos ? std::wstring() : wide.substr(first, last - first + 1);
  }

  static void ReplaceAll(std::wstring& text, std::wstring_view what, const std::wstring& with) {
    for (std::size_t p = text.find(what); p != std::wstring::npos; p = text.find(what, p + with.size()))
      text.replace(p, what.size(), with);
  }

  // Puts the last accepted expression back into the parser (after a refused one, or after
  // a declaration dropped the bytecode).
  void RestoreExpression() {
    if (!m_hasExpression) return;
    try {
      m_parser.SetExpr(m_translated);
      m_parser.Eval();
    } catch (const mu::ParserError&) {
      m_hasExpression = false;  // cannot happen: the text parsed before with the same names
    }
    CompileBulk();
  }

  // Reads the parser's bytecode into the bulk program; expressions with branches,
  // assignments or functions of many arguments are evaluated point by point instead.
  void CompileBulk() {
    m_program.clear();
    m_bulk = false;
    m_readsA = m_readsB = false;
    if (!m_hasExpression) return;
    const mu::ParserByteCode& code = m_parser.GetByteCode();
    if (code.GetSize() == 0) return;
    const mu::SToken* tok = code.GetBase();
    const double* ptrA = m_varA >= 0 ? &m_values[m_varA] : nullptr;
    const double* ptrB = m_varB >= 0 ? &m_values[m_varB] : nullptr;
    auto sourceOf = [&](const double* ptr) {
      if (ptr && ptr == ptrA) {
        m_readsA = true;
        return asA;
      }
      if (ptr && ptr == ptrB) {
        m_readsB = true;
        return asB;
      }
      return asScalar;
    };

    bool supported = true;
    int depth = 0, maxDepth = 0;
    for (std::size_t i = 0; i < code.GetSize() && tok[i].Cmd != mu::cmEND; ++i) {
      const mu::SToken& t = tok[i];
      SBulkOp op;
      switch (t.Cmd) {
        case mu::cmVAR:
        case mu::cmVARMUL:
        case mu::cmVARPOW2:
        case mu::cmVARPOW3:
        case mu::cmVARPOW4:
          op.op = t.Cmd == mu::cmVAR      ? boLoad
                  : t.Cmd == mu::cmVARMUL ? boVarMul
                  : t.Cmd == mu::cmVARPOW2 ? boPow2
                  : t.Cmd == mu::cmVARPOW3 ? boPow3
                                           : boPow4;
          op.source = sourceOf(t.Val.ptr);
          op.scalar = t.Val.ptr;
          op.factor = t.Val.data;
          op.value2 = t.Val.data2;
          ++depth;
          break;
        case mu::cmVAL:
          op.op = boConst;
          op.value2 = t.Val.data2;
          ++depth;
          break;
        case mu::cmLE: case mu::cmGE: case mu::cmNEQ: case mu::cmEQ: case mu::cmLT: case mu::cmGT:
        case mu::cmADD: case mu::cmSUB: case mu::cmMUL: case mu::cmDIV: case mu::cmPOW:
        case mu::cmLAND: case mu::cmLOR:
          op.op = boBinary;
          op.binary = t.Cmd;
          --depth;
          break;
        case mu::cmFUNC:
          op.fun = t.Fun.cb;
          if (t.Fun.argc == 0) {
            op.op = boFunc0;
            ++depth;
          } else if (t.Fun.argc == 1) {
            op.op = boFunc1;
            op.known = KnownFunction(t.Fun.cb);
          } else if (t.Fun.argc == 2) {
            op.op = boFunc2;
            --depth;
          } else {
            supported = false;
          }
          break;
        case mu::cmASSIGN:
          // Assigning to A or B still needs that array on the point-by-point path.
          sourceOf(t.Oprt.ptr);
          supported = false;
          break;
        default:
          supported = false;
          break;
      }
      maxDepth = std::max(maxDepth, depth);
      if (supported) m_program.push_back(op);
    }
    if (!supported) {
      m_program.clear();
      return;
    }
    m_resultSlot = m_parser.GetNumResults();
    if (m_resultSlot < 1 || m_resultSlot > maxDepth) {
      m_program.clear();
      return;
    }
    m_stack.assign(std::size_t(maxDepth + 1) * kChunk, 0.0);
    m_bulk = true;
  }

  double* Slot(int index) { return &m_stack[std::size_t(index) * kChunk]; }

  void LoadSource(const SBulkOp& op, const double* a, const double* b, int base, int n, double* dst) const {
    if (op.source == asScalar) {
      std::fill(dst, dst + n, *op.scalar);
    } else {
      std::memcpy(dst, (op.source == asA ? a : b) + base, sizeof(double) * n);
    }
  }

  void RunChunk(const double* a, const double* b, double* out, int base, int n) {
    int sp = 0;
    for (const SBulkOp& op : m_program) {
      switch (op.op) {
        case boLoad:
          LoadSource(op, a, b, base, n, Slot(++sp));
          break;
        case boConst: {
          double* x = Slot(++sp);
          std::fill(x, x + n, op.value2);
          break;
        }
        case boVarMul: {
          double* x = Slot(++sp);
          LoadSource(op, a, b, base, n, x);
          for (int i = 0; i < n; ++i) x[i] = x[i] * op.factor + op.value2;
          break;
        }
        case boPow2:
        case boPow3:
        case boPow4: {
          double* x = Slot(++sp);
          LoadSource(op, a, b, base, n, x);
          if (op.op == boPow2)
            for (int i = 0; i < n; ++i) x[i] = x[i] * x[i];
          else if (op.op == boPow3)
            for (int i = 0; i < n; ++i) x[i] = x[i] * x[i] * x[i];
          else
            for (int i = 0; i < n; ++i) x[i] = x[i] * x[i] * x[i] * x[i];
          break;
        }
        case boBinary: {
          --sp;
          Binary(op.binary, Slot(sp), Slot(sp + 1), n);
          break;
        }
        case boFunc0: {
          double* x = Slot(++sp);
          for (int i = 0; i < n; ++i) x[i] = op.fun.call_fun<0>();
          break;
        }
        case boFunc1:
          Function1(op, Slot(sp), n);
          break;
        case boFunc2: {
          --sp;
          double* x = Slot(sp);
          const double* y = Slot(sp + 1);
          for (int i = 0; i < n; ++i) x[i] = op.fun.call_fun<2>(x[i], y[i]);
          break;
        }
      }
    }
    std::memcpy(out + base, Slot(m_resultSlot), sizeof(double) * n);
  }

  static void Binary(mu::ECmdCode code, double* __restrict x, const double* __restrict y, int n) {
    switch (code) {
      case mu::cmADD: for (int i = 0; i < n; ++i) x[i] += y[i]; break;
      case mu::cmSUB: for (int i = 0; i < n; ++i) x[i] -= y[i]; break;
      case mu::cmMUL: for (int i = 0; i < n; ++i) x[i] *= y[i]; break;
      case mu::cmDIV: for (int i = 0; i < n; ++i) x[i] /= y[i]; break;
      case mu::cmPOW: for (int i = 0; i < n; ++i) x[i] = std::pow(x[i], y[i]); break;
      case mu::cmLE: for (int i = 0; i < n; ++i) x[i] = x[i] <= y[i]; break;
      case mu::cmGE: for (int i = 0; i < n; ++i) x[i] = x[i] >= y[i]; break;
      case mu::cmNEQ: for (int i = 0; i < n; ++i) x[i] = x[i] != y[i]; break;
      case mu::cmEQ: for (int i = 0; i < n; ++i) x[i] = x[i] == y[i]; break;
      case mu::cmLT: for (int i = 0; i < n; ++i) x[i] = x[i] < y[i]; break;
      case mu::cmGT: for (int i = 0; i < n; ++i) x[i] = x[i] > y[i]; break;
      case mu::cmLAND: for (int i = 0; i < n; ++i) x[i] = x[i] != 0 && y[i] != 0; break;
      case mu::cmLOR: for (int i = 0; i < n; ++i) x[i] = x[i] != 0 || y[i] != 0; break;
      default: break;
    }
  }

  static void Function1(const SBulkOp& op, double* x, int n) {
    switch (op.known) {
      case kfAbs: for (int i = 0; i < n; ++i) x[i] = std::fabs(x[i]); break;
      case kfLn: for (int i = 0; i < n; ++i) x[i] = std::log(x[i]); break;
      case kfLog: for (int i = 0; i < n; ++i) x[i] = std::log10(x[i]); break;
      case kfSqr: for (int i = 0; i < n; ++i) x[i] = x[i] * x[i]; break;
      case kfSqrt: for (int i = 0; i < n; ++i) x[i] = std::sqrt(x[i]); break;
      case kfExp: for (int i = 0; i < n; ++i) x[i] = std::exp(x[i]); break;
      case kfGeneric: for (int i = 0; i < n; ++i) x[i] = op.fun.call_fun<1>(x[i]); break;
    }
  }

  HResult CalculatePointByPoint(const double* a, const double* b, double* out, int count) {
    const double savedA = m_varA >= 0 ? m_values[m_varA] : 0;
    const double savedB = m_varB >= 0 ? m_values[m_varB] : 0;
    HResult hr = S_OK;
    try {
      for (int i = 0; i < count; ++i) {
        if (a && m_varA >= 0) m_values[m_varA] = a[i];
        if (b && m_varB >= 0) m_values[m_varB] = b[i];
        out[i] = m_parser.Eval();
      }
    } catch (const mu::ParserError& error) {
      hr = Fail(E_FAIL, Utf8ToWide(error.GetMsg()));
    }
    if (m_varA >= 0) m_values[m_varA] = savedA;
    if (m_varB >= 0) m_values[m_varB] = savedB;
    return hr;
  }

  mu::Parser m_parser;
  std::deque<double> m_values;  // variable storage; the parser keeps pointers into it
  std::vector<std::wstring> m_names;
  std::unordered_map<std::wstring, int> m_index;
  int m_varA = -1;
  int m_varB = -1;

  bool m_hasExpression = false;
  std::wstring m_expression;
  std::string m_translated;
  std::wstring m_error;

  std::vector<SBulkOp> m_program;
  std::vector<double> m_stack;  // slots of kChunk values, slot 0 unused
  int m_resultSlot = 1;
  bool m_bulk = false;
  bool m_readsA = false;
  bool m_readsB = false;
};

InterpreterFactory& Factory() {
  static InterpreterFactory factory;
  return factory;
}

}  // namespace

InterpreterFactory SetInterpreterFactory(InterpreterFactory factory) {
  InterpreterFactory previous = std::move(Factory());
  Factory() = std::move(factory);
  return previous;
}

IInterpreterPtr CreateInterpreter() {
  IInterpreterPtr interpreter;
  try {
    interpreter = Factory() ? Factory()() : std::make_unique<CMuInterpreter>();
  } catch (...) {
    interpreter.reset();
  }
  if (!interpreter) {
    QuorMessageBox(nullptr,
                   Tr("Класс \"QuorInterpreter.Interpreter\" не зарегистрирован.\n"
                      "Необходимо переустановить программное обеспечение."),
                   Tr("Ошибка"), MB_OK | MB_ICONERROR);
  }
  return interpreter;
}

void ThrowIfFailed(HResult hr, const IInterpreter& interpreter) {
  if (Failed(hr)) throw CComError(hr, interpreter.GetErrorText());
}
