// A matrix file, read in both forms; what reads is written and read back.
#include "FuzzSupport.h"
#include "common/Matrix.h"
#include "common/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::QuietProcess();
  static const fuzz::CTempFile inputFile("matrix.txt"), outputFile("matrix-out.csv");
  const std::string& input = inputFile.Path();
  const std::string& output = outputFile.Path();
  inputFile.Write(data, size);
  for (unsigned flags : {0u, unsigned(mfCommaSeparated)}) {
    CDoubleMatrix matrix;
    std::wstring header;
    if (LoadCustomMatrixFromFile(Utf8ToWide(input), matrix, flags, &header) != mrOk) continue;
    if (SaveCustomMatrixToFile(Utf8ToWide(output), matrix, flags, header) != mrOk) continue;
    CDoubleMatrix back;
    // What was written must read back with the same shape.
    if (LoadCustomMatrixFromFile(Utf8ToWide(output), back, flags) != mrOk || back.Rows() != matrix.Rows() ||
        back.Cols() != matrix.Cols())
      std::abort();
  }
  return 0;
}
