// Number and unit texts: what an operator types into a number field and the quantity names
// hosts and layouts give, through parsing, formatting, prefixes and unit conversion.
#include "FuzzSupport.h"
#include "common/Text.h"
#include "common/Units.h"
#include "core/DiagCommonLib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::QuietProcess();
  fuzz::CByteReader in(data, size);
  static const TFloatFormat kFormats[] = {ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency};
  const TFloatFormat format = in.Pick(kFormats);
  const int precision = static_cast<int>(in.Byte()) - 8;
  const int digits = static_cast<int>(static_cast<std::int8_t>(in.Byte()));
  const int mode = in.Byte() % 4;
  const double edgy = in.EdgyDouble();
  const std::size_t split = in.Byte();
  const std::string number = in.Text(split);
  const std::wstring quantity = Utf8ToWide(in.Text(64));
  const std::wstring other = Utf8ToWide(in.Text(64));

  double value = edgy;
  try {
    value = StrToDouble(number.c_str());
  } catch (const EConvertError&) {
  }
  DoubleToStr(value, format, precision);
  DoubleToStr(edgy, format, precision);
  round_to(value, digits, mode);
  QuorFactorBySubMultiplyUnit(quantity);
  GetUnitsString(quantity);
  GetUnitsFractionSize(quantity);
  GetDescriptionString(quantity);
  QuantityTakesPrefix(quantity);
  double mantissa = 0;
  int exponent = 0;
  CalcOptimalValue(value, mantissa, exponent, quantity);
  CalcOptimalValueString(value, quantity, digits);
  GetPrefixString(digits);
  PlainConvert(value, quantity, other, edgy);
  GetNotationString(quantity.c_str(), (mode & 1) != 0);
  return 0;
}
