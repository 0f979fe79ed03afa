#include "core/Interpreter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/Capture.h"

namespace {

class InterpreterTest : public ::testing::Test {
 protected:
  IInterpreterPtr interp = CreateInterpreter();

  void SetUp() override { ASSERT_TRUE(interp); }

  void Declare(std::initializer_list<std::pair<const wchar_t*, double>> variables) {
    for (auto [name, value] : variables) {
      ASSERT_EQ(interp->DeclareVariable(name), S_OK) << name;
      ASSERT_EQ(interp->SetVariable(name, value), S_OK) << name;
    }
  }
  double Eval(const std::wstring& expression) {
    EXPECT_EQ(interp->SetExpression(expression), S_OK) << interp->GetErrorText();
    double result = std::nan("");
    EXPECT_EQ(interp->Calculate(&result), S_OK);
    return result;
  }
  bool ErrorMentions(const std::wstring& text) const {
    return interp->GetErrorText().find(text) != std::wstring::npos;
  }
};

TEST_F(InterpreterTest, NamesWithCyrillicDotsAndSpaces) {
  Declare({{L"а.арг", 1.5e9}, {L"б.арг", 1.0e9}, {L"м1.Трс 1", 1}, {L"м1.Трс 10", 10}, {L"A", 2},
           {L"AB", 5}, {L"s", 90}});
  EXPECT_DOUBLE_EQ(Eval(L"abs(а.арг-б.арг)/10^6"), 500);
  // The longer title wins, and both names are found wherever they stand.
  EXPECT_EQ(Eval(L"м1.Трс 10-м1.Трс 1"), 9);
  EXPECT_EQ(Eval(L"(м1.Трс 1)*100+м1.Трс 10"), 110);
  // "A" is not part of "AB", "s" is not part of "sin" / "sqrt".
  EXPECT_EQ(Eval(L"AB*10+A"), 52);
  EXPECT_EQ(Eval(L"sin(s)+sqrt(s+10)"), 11);

  EXPECT_EQ(interp->SetVariable(L"м1.Трс 2", 1), DISP_E_UNKNOWNNAME);
  EXPECT_TRUE(ErrorMentions(L"м1.Трс 2"));
}

TEST_F(InterpreterTest, FunctionsAndDegrees) {
  // The familiar angles come out exact.
  for (auto [e, v] : {std::pair{L"sin(30)", 0.5}, {L"cos(60)", 0.5}, {L"tg(45)", 1.0}, {L"ctg(45)", 1.0},
                      {L"sin(180)", 0.0}, {L"cos(90)", 0.0}, {L"sin(-30)", -0.5}, {L"sin(750)", 0.5},
                      {L"log(1000)", 3.0}, {L"sqr(3)+sqrt(16)+abs(-2)", 15.0}, {L"2^3^2", 512.0},
                      {L"-(3)+10/4", -0.5}})
    EXPECT_EQ(Eval(e), v) << e;
  EXPECT_FALSE(std::signbit(Eval(L"sin(180)")));
  EXPECT_DOUBLE_EQ(Eval(L"sin(10)"), std::sin(10 * M_PI / 180));
  EXPECT_DOUBLE_EQ(Eval(L"tg(20)"), std::tan(20 * M_PI / 180));
  EXPECT_DOUBLE_EQ(Eval(L"ln(exp(2))"), 2);

  // Arithmetic faults give inf / NaN, never a failure.
  EXPECT_TRUE(std::isinf(Eval(L"1/0")));
  EXPECT_TRUE(std::isnan(Eval(L"sqrt(-1)")));
}

TEST_F(InterpreterTest, ErrorsKeepThePreviousExpression) {
  Declare({{L"A", 7}, {L"B", 2}});
  ASSERT_EQ(Eval(L"A-B"), 5);
  // Unknown names are shown whole, internal identifiers are no part of the language, and
  // parser messages speak of the declared names and of positions in the original text.
  for (auto [e, hr, mention] : {std::tuple{L"A+", E_FAIL, L""}, {L"", E_FAIL, L""},
                                {L"A + м1.Трс 5", DISP_E_UNKNOWNNAME, L"\"м1.Трс\" found at position 4"},
                                {L"AC*2", DISP_E_UNKNOWNNAME, L"\"AC\""}, {L"_v0+1", DISP_E_UNKNOWNNAME, L"_v0"},
                                {L"A B", E_FAIL, L"\"B\""}}) {
    EXPECT_EQ(interp->SetExpression(e), hr) << e;
    EXPECT_FALSE(interp->GetErrorText().empty()) << e;
    EXPECT_TRUE(ErrorMentions(mention)) << interp->GetErrorText();
  }
  double result = 0;
  EXPECT_EQ(interp->Calculate(&result), S_OK);
  EXPECT_EQ(result, 5);
  EXPECT_TRUE(interp->GetErrorText().empty());
  EXPECT_EQ(interp->Calculate(nullptr), E_POINTER);
  // A declaration after the expression keeps it working.
  Declare({{L"C", 0}});
  EXPECT_EQ(interp->Calculate(&result), S_OK);
  EXPECT_EQ(result, 5);

  auto fresh = CreateInterpreter();
  EXPECT_EQ(fresh->Calculate(&result), E_FAIL);
  EXPECT_FALSE(fresh->GetErrorText().empty());
  try {
    ThrowIfFailed(fresh->SetVariable(L"X", 1), *fresh);
    ADD_FAILURE() << "no exception";
  } catch (const CComError& error) {
    EXPECT_EQ(error.Code(), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(error.Text(), fresh->GetErrorText());
  }
}

// Texts that look like the internal identifiers, with numbers no index can hold, are refused
// like any other bad text: a failing result, never an exception.
TEST_F(InterpreterTest, IdentifierLookalikesFailWithoutThrowing) {
  Declare({{L"A", 7}, {L"B", 2}});
  ASSERT_EQ(Eval(L"A-B"), 5);
  for (const wchar_t* e : {L"1_v99999999999999999999", L"A+1_v99999999999999999999", L"_v99999999999999999999",
                           L"1_v1", L"A*1_v184467440737095516160", L"(1_v00000000000000000000000001"}) {
    HResult hr = S_OK;
    EXPECT_NO_THROW(hr = interp->SetExpression(e)) << e;
    EXPECT_TRUE(Failed(hr)) << e;
    EXPECT_FALSE(interp->GetErrorText().empty()) << e;
  }
  double result = 0;
  EXPECT_EQ(interp->Calculate(&result), S_OK);
  EXPECT_EQ(result, 5);
}

TEST_F(InterpreterTest, LengthLimits) {
  std::wstring expression = L"1";
  while (expression.size() + 2 <= kMaxExpressionLength) expression += L"+1";
  expression.resize(kMaxExpressionLength, L' ');
  double result = 0;
  EXPECT_EQ(Eval(expression), double(kMaxExpressionLength / 2));
  EXPECT_EQ(interp->SetExpression(expression + L"1"), E_INVALIDARG);
  EXPECT_FALSE(interp->GetErrorText().empty());
  EXPECT_EQ(interp->Calculate(&result), S_OK);

  EXPECT_EQ(interp->DeclareVariable(std::wstring(kMaxVariableNameLength, L'ж')), S_OK);
  for (const std::wstring& bad :
       {std::wstring(kMaxVariableNameLength + 1, L'ж'), std::wstring(), std::wstring(L"1м")})
    EXPECT_EQ(interp->DeclareVariable(bad), E_INVALIDARG) << bad;
  EXPECT_EQ(interp->DeclareVariable(L"м1"), S_OK);
  EXPECT_EQ(interp->DeclareVariable(L"м1"), S_OK);  // known already
}

TEST_F(InterpreterTest, ArraysMatchPointByPoint) {
  Declare({{L"A", 0}, {L"B", 0}, {L"K", 3}});
  const int n = 1000;  // several chunks and a partial one
  std::vector<double> a(n), b(n), bulk(n);
  for (int i = 0; i < n; ++i) {
    a[i] = (i - 500) * 0.37;
    b[i] = i % 7 == 0 ? 0.0 : std::cos(i) * 4;
  }
  a[3] = std::numeric_limits<double>::quiet_NaN();
  a[4] = std::numeric_limits<double>::infinity();

  // Each expression reaches another instruction of the bulk evaluator; "?:" goes point by point.
  for (const wchar_t* e : {L"A-B", L"20*log(abs(A))", L"A/B", L"A*2+1", L"A^2+B^3-K*A", L"sin(A)*ctg(B)",
                           L"A>B?A:B", L"(A>=B)+(A!=K)*2", L"sqr(A)-sqrt(abs(B))+ln(abs(A)+1)", L"K*5",
                           L"-A+B^4"}) {
    ASSERT_EQ(interp->SetExpression(e), S_OK) << e;
    ASSERT_EQ(interp->CalculateArrays(a.data(), b.data(), bulk.data(), n), S_OK) << e;
    for (int i = 0; i < n; ++i) {
      double single = 0;
      interp->SetVariable(L"A", a[i]);
      interp->SetVariable(L"B", b[i]);
      ASSERT_EQ(interp->Calculate(&single), S_OK);
      if (std::isnan(single))
        EXPECT_TRUE(std::isnan(bulk[i])) << e << " at " << i;
      else
        EXPECT_DOUBLE_EQ(bulk[i], single) << e << " at " << i;
    }
  }

  ASSERT_EQ(interp->SetExpression(L"A*K"), S_OK);
  EXPECT_EQ(interp->CalculateArrays(a.data(), nullptr, bulk.data(), n), S_OK);  // B not read
  EXPECT_EQ(bulk[10], a[10] * 3);
  EXPECT_EQ(interp->CalculateArrays(nullptr, b.data(), bulk.data(), n), E_POINTER);
  EXPECT_EQ(interp->CalculateArrays(a.data(), b.data(), nullptr, n), E_POINTER);
  EXPECT_EQ(interp->CalculateArrays(a.data(), b.data(), bulk.data(), -1), E_INVALIDARG);
  EXPECT_EQ(interp->CalculateArrays(a.data(), b.data(), nullptr, 0), S_OK);
}

TEST(InterpreterFactory, MissingClassIsReported) {
  UserInteractionScript ui;
  auto previous = SetInterpreterFactory([] { return IInterpreterPtr(); });
  EXPECT_FALSE(CreateInterpreter());
  SetInterpreterFactory([]() -> IInterpreterPtr { throw std::runtime_error("no class"); });
  EXPECT_FALSE(CreateInterpreter());
  SetInterpreterFactory(previous);
  EXPECT_TRUE(CreateInterpreter());
  ASSERT_EQ(ui->boxes.size(), 2u);
  EXPECT_EQ(ui->boxes[1].caption, L"Ошибка");
  EXPECT_EQ(ui->boxes[1].text.find(L"Класс \"QuorInterpreter.Interpreter\" не зарегистрирован."), 0u);
  EXPECT_EQ(ui->boxes[1].flags & 0xF0, MB_ICONERROR);
}

}  // namespace
