#pragma once
// The expression interpreter of math traces and relation markers ("QuorInterpreter.Interpreter").
// Calling order: declare the variable names, set the expression, then for every evaluation
// set the variables and calculate. Every operation returns a result code; a failure leaves
// a readable text in GetErrorText() and changes nothing else (a refused expression keeps
// the previous one in force).
//
// Grammar: numbers, + - * / ^ (power), comparisons, && || and ?:, brackets, and the
// functions abs, cos, ctg, exp, ln (natural), log (decimal), sin, sqr (square), sqrt, tg;
// the trigonometric functions take degrees. Variable names are free text up to 100
// characters (Cyrillic letters, digits, ".", spaces — "м1.Трс 1"), not starting with a digit;
// in an expression the longest declared name wins ("м1.Трс 10" before "м1.Трс 1"), and a name
// counts only where it is not glued to further letters or digits ("AB" is not "A").
#include <functional>
#include <memory>
#include <string>

#include "core/ResultCodes.h"

inline constexpr std::size_t kMaxExpressionLength = 5000;
inline constexpr std::size_t kMaxVariableNameLength = 100;

class IInterpreter {
 public:
  virtual ~IInterpreter() = default;

  // S_OK; E_INVALIDARG for a text over kMaxExpressionLength; DISP_E_UNKNOWNNAME for an
  // undeclared name; E_FAIL for another syntax error.
  virtual HResult SetExpression(const std::wstring& text) = 0;
  // S_OK (also when the name is known already); E_INVALIDARG for an empty name, a name over
  // kMaxVariableNameLength or one starting with a digit. A new variable starts at 0.
  virtual HResult DeclareVariable(const std::wstring& name) = 0;
  // S_OK; DISP_E_UNKNOWNNAME for a name that was not declared.
  virtual HResult SetVariable(const std::wstring& name, double value) = 0;
  // S_OK with the value (inf or NaN where the arithmetic gives them); E_POINTER for a null
  // result; E_FAIL without an expression.
  virtual HResult Calculate(double* result) = 0;

  // Evaluates the expression over whole arrays: the variables "A" and "B" take a[i] and b[i],
  // all others keep their values; out[i] gets the result. An array may be null when the
  // expression does not read its variable. E_POINTER for a missing array, E_INVALIDARG for
  // count < 0, E_FAIL without an expression. Allocates nothing after the first call.
  virtual HResult CalculateArrays(const double* a, const double* b, double* out, int count) = 0;

  // The text of the last failure (empty after success).
  virtual const std::wstring& GetErrorText() const = 0;
};

using IInterpreterPtr = std::unique_ptr<IInterpreter>;

// Creates an interpreter. When that fails, the user is told that the class is not
// registered (caption "Ошибка") and the result is null.
IInterpreterPtr CreateInterpreter();

// The factory behind CreateInterpreter (the muParser one by default; null restores it).
// Tests install one returning null to play a missing interpreter. Returns the previous one.
using InterpreterFactory = std::function<IInterpreterPtr()>;
InterpreterFactory SetInterpreterFactory(InterpreterFactory factory);

// Raises CComError with the interpreter's error text when hr is a failure.
void ThrowIfFailed(HResult hr, const IInterpreter& interpreter);
