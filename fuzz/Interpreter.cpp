// The expression interpreter as math traces and relation markers drive it: names declared,
// an expression set, variables set, single and array evaluation. Every call must end with a
// result code.
#include "FuzzSupport.h"
#include "common/Text.h"
#include "core/Interpreter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::QuietProcess();
  fuzz::CByteReader in(data, size);
  static const wchar_t* const kNames[] = {L"A", L"B", L"а.арг", L"б.арг", L"м1.арг", L"м1.Трс 1", L"м1.Трс 10",
                                          L"x", L"_v0", L"1A", L""};
  IInterpreterPtr interpreter = CreateInterpreter();
  if (!interpreter) return 0;
  const int declarations = in.Byte() % 6;
  for (int i = 0; i < declarations; ++i) interpreter->DeclareVariable(in.Pick(kNames));
  const std::size_t length = in.Byte();
  interpreter->SetExpression(Utf8ToWide(in.Text(length)));
  // The remaining bytes: a few evaluations, then arrays of what is left.
  double result = 0;
  for (int i = 0; i < 3 && !in.Empty(); ++i) {
    interpreter->SetVariable(in.Pick(kNames), in.EdgyDouble());
    interpreter->Calculate(&result);
  }
  std::vector<double> a, b;
  while (!in.Empty() && a.size() < 600) {
    a.push_back(in.EdgyDouble());
    b.push_back(in.EdgyDouble());
  }
  std::vector<double> out(a.size());
  interpreter->CalculateArrays(a.data(), b.data(), out.data(), static_cast<int>(a.size()));
  interpreter->SetExpression(Utf8ToWide(in.Text(64)));
  return 0;
}
