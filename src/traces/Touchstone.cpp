#include "traces/Touchstone.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>
#include <optional>

#include "common/Assert.h"
#include "common/AtomicFile.h"
#include "common/Log.h"
#include "common/Text.h"

namespace {

constexpr std::wstring_view kLogSource = L"Trace";
constexpr double kDegree = std::numbers::pi / 180.0;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> SplitBlanks(std::string_view s) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    const std::size_t start = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    if (i > start) tokens.push_back(s.substr(start, i - start));
  }
  return tokens;
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// A whole token as a double; files from some tools write "+1.5E-01", which from_chars does not
// take with its sign.
std::optional<double> ParseNumber(std::string_view token) {
  if (token.size() > 1 && token.front() == '+' && token[1] != '-') token.remove_prefix(1);
  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (ptr != token.data() + token.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    // A written 1e400 means infinity and 1e-400 zero, as any reader would take them.
    const bool tiny = token.find("e-") != std::string_view::npos || token.find("E-") != std::string_view::npos;
    const double magnitude = tiny ? 0.0 : HUGE_VAL;
    return token.front() == '-' ? -magnitude : magnitude;
  }
  if (ec != std::errc()) return std::nullopt;
  return value;
}

std::wstring Number(std::size_t n) { return std::to_wstring(n); }

std::wstring Replace(std::wstring text, const std::vector<std::wstring>& args) {
  for (std::size_t i = args.size(); i-- > 0;) {
    const std::wstring key = L"%" + std::to_wstring(i);
    for (std::size_t at = text.find(key); at != std::wstring::npos; at = text.find(key, at + args[i].size()))
      text.replace(at, key.size(), args[i]);
  }
  return text;
}

// The complex value of a pair of numbers as the format writes it.
std::complex<double> FromPair(double a, double b, ETouchstoneFormat format) {
  switch (format) {
    case tfRI: return {a, b};
    case tfMA: return std::polar(a, b * kDegree);
    case tfDB: return std::polar(std::pow(10.0, a / 20.0), b * kDegree);
  }
  return {a, b};
}

enum EMatrixArrangement { maFull, maLower, maUpper };

// Reads the text line by line; every failure stops it with a result that names the line.
class CTouchstoneParser {
 public:
  explicit CTouchstoneParser(std::size_t ports) : ports_(ports) {}

  STouchstoneResult Parse(std::string_view text, STouchstoneData& out) {
    std::size_t begin = 0;
    while (begin < text.size() && !ended_) {
      std::size_t end = text.find('\n', begin);
      if (end == std::string_view::npos) end = text.size();
      ++line_;
      std::string_view content = text.substr(begin, end - begin);
      begin = end + 1;
      if (const std::size_t bang = content.find('!'); bang != std::string_view::npos) content = content.substr(0, bang);
      content = Trim(content);
      if (content.empty()) continue;
      if (!ParseLine(content)) return result_;
    }
    if (!Finish()) return result_;
    out = std::move(data_);
    return result_;
  }

 private:
  bool Fail(ETouchstoneStatus status, std::size_t line, const char* msgid, std::vector<std::wstring> args = {}) {
    result_.status = status;
    result_.line = line;
    args.insert(args.begin(), Number(line));
    result_.description = Replace(Tr(msgid), args);
    return false;
  }

  bool ParseLine(std::string_view content) {
    if (!started_) {
      started_ = true;
      if (content.front() == '[') {
        const auto [name, rest] = Keyword(content);
        if (name != "VERSION") return Fail(tsBadKeyword, line_, TrNoop("Строка %0: ключевое слово %1 допустимо только в файле версии 2, который начинается с [Version]"), {KeywordAsWritten(content)});
        const std::string version(Trim(rest));
        if (version != "2.0" && version != "2.1")
          return Fail(tsUnsupported, line_, TrNoop("Строка %0: версия файла %1 не поддерживается"), {Utf8ToWide(version)});
        version_ = 2;
        return true;
      }
    }
    if (content.front() == '#') return OptionLine(content.substr(1));
    if (content.front() == '[') {
      if (version_ == 1)
        return Fail(tsBadKeyword, line_, TrNoop("Строка %0: ключевое слово %1 допустимо только в файле версии 2, который начинается с [Version]"), {KeywordAsWritten(content)});
      return KeywordLine(content);
    }
    if (version_ == 1) return DataLine(content);
    if (referenceLine_ != 0) return ReferenceValues(content);
    if (skipping_) return true;
    if (!inNetworkData_) return Fail(tsBadKeyword, line_, TrNoop("Строка %0: данные вне раздела [Network Data]"));
    return DataLine(content);
  }

  static std::wstring KeywordAsWritten(std::string_view content) {
    const std::size_t close = content.find(']');
    return Utf8ToWide(content.substr(0, close == std::string_view::npos ? 40 : close + 1));
  }

  // The keyword in upper case with its blanks kept as written, and the text after it.
  static std::pair<std::string, std::string_view> Keyword(std::string_view content) {
    const std::size_t close = content.find(']');
    if (close == std::string_view::npos) return {std::string(), content};
    return {Upper(Trim(content.substr(1, close - 1))), content.substr(close + 1)};
  }

  bool OptionLine(std::string_view fields) {
    if (optionLine_) return true;  // only the first option line counts
    optionLine_ = true;
    const std::vector<std::string_view> tokens = SplitBlanks(fields);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const std::string field = Upper(tokens[i]);
      if (field == "HZ") unit_ = 1.0;
      else if (field == "KHZ") unit_ = 1e3;
      else if (field == "MHZ") unit_ = 1e6;
      else if (field == "GHZ") unit_ = 1e9;
      else if (field == "S") data_.parameter = tpS;
      else if (field == "Y") data_.parameter = tpY;
      else if (field == "Z") data_.parameter = tpZ;
      else if (field == "H" || field == "G")
        return Fail(tsUnsupported, line_, TrNoop("Строка %0: параметры %1 не поддерживаются, только S, Y и Z"), {Utf8ToWide(field)});
      else if (field == "RI") format_ = tfRI;
      else if (field == "MA") format_ = tfMA;
      else if (field == "DB") format_ = tfDB;
      else if (field == "R") {
        const std::optional<double> r = i + 1 < tokens.size() ? ParseNumber(tokens[i + 1]) : std::nullopt;
        if (!r || !(*r > 0.0) || !std::isfinite(*r))
          return Fail(tsBadOptionLine, line_, TrNoop("Строка %0: за R в строке параметров должно следовать опорное сопротивление в омах"));
        resistance_ = *r;
        ++i;
      } else {
        return Fail(tsBadOptionLine, line_, TrNoop("Строка %0: неизвестное поле «%1» в строке параметров"), {Utf8ToWide(tokens[i])});
      }
    }
    return true;
  }

  bool KeywordLine(std::string_view content) {
    const auto [name, rest] = Keyword(content);
    const std::wstring written = KeywordAsWritten(content);
    if (referenceLine_ != 0)
      return Fail(tsBadKeyword, referenceLine_, TrNoop("Строка %0: в [Reference] нужно по одному сопротивлению на каждый порт"));
    if (name == "END INFORMATION") {
      skipping_ = false;
      return true;
    }
    if (skipping_ && name != "END" && name != "NOISE DATA") return true;
    const std::vector<std::string_view> values = SplitBlanks(rest);
    const auto badValue = [&] {
      return Fail(tsBadKeyword, line_, TrNoop("Строка %0: неверное значение ключевого слова %1"), {written});
    };
    const auto needs = [&](const char* before) {
      return Fail(tsBadKeyword, line_, TrNoop("Строка %0: перед %1 должно быть ключевое слово %2"), {written, Utf8ToWide(before)});
    };
    const auto count = [&](std::size_t& target) {
      const std::optional<double> v = values.size() == 1 ? ParseNumber(values[0]) : std::nullopt;
      if (!v || *v < 0.0 || *v != std::floor(*v) || *v > 1e9) return badValue();
      target = static_cast<std::size_t>(*v);
      return true;
    };
    if (inNetworkData_ && name != "NOISE DATA" && name != "END")
      return Fail(tsBadKeyword, line_, TrNoop("Строка %0: ключевое слово %1 не может стоять среди данных [Network Data]"), {written});
    if (name == "NUMBER OF PORTS") {
      std::size_t ports = 0;
      if (!count(ports)) return false;
      if (ports == 0) return badValue();
      ports_ = ports;
      portsLine_ = line_;
    } else if (name == "TWO-PORT DATA ORDER") {
      const std::string order = values.size() == 1 ? Upper(values[0]) : std::string();
      if (order == "12_21") order21_12_ = false;
      else if (order == "21_12") order21_12_ = true;
      else return badValue();
      orderGiven_ = true;
    } else if (name == "NUMBER OF FREQUENCIES") {
      if (!count(frequencyCount_)) return false;
      frequencyCountLine_ = line_;
    } else if (name == "NUMBER OF NOISE FREQUENCIES") {
      std::size_t ignored = 0;
      if (!count(ignored)) return false;
    } else if (name == "REFERENCE") {
      if (portsLine_ == 0) return needs("[Number of Ports]");
      data_.reference.clear();
      referenceLine_ = line_;
      return ReferenceValues(rest);
    } else if (name == "MATRIX FORMAT") {
      const std::string arrangement = values.size() == 1 ? Upper(values[0]) : std::string();
      if (arrangement == "FULL") arrangement_ = maFull;
      else if (arrangement == "LOWER") arrangement_ = maLower;
      else if (arrangement == "UPPER") arrangement_ = maUpper;
      else return badValue();
    } else if (name == "MIXED-MODE ORDER") {
      return Fail(tsUnsupported, line_, TrNoop("Строка %0: файлы со смешанными режимами ([Mixed-Mode Order]) не поддерживаются"));
    } else if (name == "BEGIN INFORMATION") {
      skipping_ = true;
    } else if (name == "NETWORK DATA") {
      if (!optionLine_)
        return Fail(tsBadOptionLine, line_, TrNoop("Строка %0: перед [Network Data] должна быть строка параметров, начинающаяся с #"));
      if (portsLine_ == 0) return needs("[Number of Ports]");
      if (ports_ == 2 && !orderGiven_) return needs("[Two-Port Data Order]");
      if (frequencyCountLine_ == 0) return needs("[Number of Frequencies]");
      inNetworkData_ = true;
    } else if (name == "NOISE DATA") {
      if (!inNetworkData_) return needs("[Network Data]");
      if (!pending_.empty()) return WrongCount(lastDataLine_);
      inNetworkData_ = false;
      skipping_ = true;
      LogMessage(kLogSource, L"noise data from line " + Number(line_) + L" on is skipped");
    } else if (name == "END") {
      ended_ = true;
    } else {
      return Fail(tsBadKeyword, line_, TrNoop("Строка %0: неизвестное ключевое слово %1"), {written});
    }
    return true;
  }

  // The values of [Reference], which may continue over the following lines.
  bool ReferenceValues(std::string_view content) {
    for (const std::string_view token : SplitBlanks(content)) {
      const std::optional<double> r = ParseNumber(token);
      if (!r) return NotANumber(token);
      if (data_.reference.size() == ports_ || !(*r > 0.0) || !std::isfinite(*r))
        return Fail(tsBadKeyword, referenceLine_, TrNoop("Строка %0: в [Reference] нужно по одному сопротивлению на каждый порт"));
      data_.reference.push_back(*r);
    }
    if (data_.reference.size() == ports_) referenceLine_ = 0;
    return true;
  }

  bool NotANumber(std::string_view token) {
    return Fail(tsNotANumber, line_, TrNoop("Строка %0: «%1» не является числом"), {Utf8ToWide(token.substr(0, 40))});
  }

  bool WrongCount(std::size_t line) {
    return Fail(tsWrongCount, line, TrNoop("Строка %0: неверное количество чисел; на каждую частоту их нужно %1"),
                {Number(PointSize())});
  }

  std::size_t StoredPairs() const {
    return arrangement_ == maFull ? ports_ * ports_ : ports_ * (ports_ + 1) / 2;
  }
  std::size_t PointSize() const { return 1 + 2 * StoredPairs(); }

  bool DataLine(std::string_view content) {
    if (noise_) return true;
    if (!optionLine_)
      return Fail(tsBadOptionLine, line_, TrNoop("Строка %0: данные идут раньше строки параметров, начинающейся с #"));
    if (ports_ == 0)
      return Fail(tsUnknownPorts, 0, TrNoop("Число портов неизвестно: дайте файлу расширение .sNp или укажите число портов"));
    const std::vector<std::string_view> tokens = SplitBlanks(content);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const std::optional<double> value = ParseNumber(tokens[i]);
      if (!value) return NotANumber(tokens[i]);
      if (pending_.empty()) {
        // Every frequency starts a line; one found inside a line means numbers are missing
        // or left over before it.
        if (i != 0) return WrongCount(line_);
        const double frequency = *value * unit_;
        if (!data_.frequencies.empty() && !(frequency > data_.frequencies.back())) {
          if (version_ == 1 && ports_ == 2) {
            noise_ = true;
            LogMessage(kLogSource, L"two-port noise data from line " + Number(line_) + L" on is skipped");
            return true;
          }
          return Fail(tsFrequencyOrder, line_, TrNoop("Строка %0: частоты должны возрастать"));
        }
        if (!std::isfinite(frequency) || frequency < 0.0)
          return Fail(tsFrequencyOrder, line_, TrNoop("Строка %0: частота должна быть неотрицательным конечным числом"));
      }
      pending_.push_back(*value);
      if (pending_.size() == PointSize()) StorePoint();
    }
    lastDataLine_ = line_;
    // One- and two-port points of version 1 take exactly one line each.
    if (version_ == 1 && ports_ <= 2 && !pending_.empty()) return WrongCount(line_);
    return true;
  }

  void StorePoint() {
    const std::size_t n = ports_;
    data_.frequencies.push_back(pending_[0] * unit_);
    const std::size_t base = data_.values.size();
    data_.values.resize(base + n * n);
    std::complex<double>* m = data_.values.data() + base;
    const double* pair = pending_.data() + 1;
    const auto next = [&] {
      const std::complex<double> v = FromPair(pair[0], pair[1], format_);
      pair += 2;
      return v;
    };
    if (n == 2 && arrangement_ == maFull && (version_ == 1 || order21_12_)) {
      m[0] = next();  // 11
      m[2] = next();  // 21
      m[1] = next();  // 12
      m[3] = next();  // 22
    } else {
      for (std::size_t r = 0; r < n; ++r) {
        const std::size_t from = arrangement_ == maUpper ? r : 0;
        const std::size_t to = arrangement_ == maLower ? r + 1 : n;
        for (std::size_t c = from; c < to; ++c) {
          m[r * n + c] = next();
          if (arrangement_ != maFull) m[c * n + r] = m[r * n + c];
        }
      }
    }
    pending_.clear();
  }

  bool Finish() {
    if (!pending_.empty()) return WrongCount(lastDataLine_);
    if (referenceLine_ != 0)
      return Fail(tsBadKeyword, referenceLine_, TrNoop("Строка %0: в [Reference] нужно по одному сопротивлению на каждый порт"));
    if (data_.frequencies.empty()) return Fail(tsNoData, 0, TrNoop("В файле нет данных цепи"));
    if (version_ == 2 && data_.frequencies.size() != frequencyCount_)
      return Fail(tsWrongCount, frequencyCountLine_, TrNoop("Строка %0: в [Number of Frequencies] указано %1 частот, а прочитано %2"),
                  {Number(frequencyCount_), Number(data_.frequencies.size())});
    data_.ports = ports_;
    if (data_.reference.empty()) data_.reference.assign(ports_, resistance_);
    // Version 1 keeps Y and Z normalised to the one reference resistance.
    if (version_ == 1 && data_.parameter != tpS) {
      const double scale = data_.parameter == tpZ ? resistance_ : 1.0 / resistance_;
      for (std::complex<double>& v : data_.values) v *= scale;
    }
    if (noise_) LogMessage(kLogSource, L"the two-port noise parameters are not loaded");
    return true;
  }

  std::size_t ports_;
  int version_ = 1;
  STouchstoneData data_;
  STouchstoneResult result_;
  std::size_t line_ = 0;
  bool started_ = false;
  bool ended_ = false;
  bool optionLine_ = false;
  double unit_ = 1e9;
  ETouchstoneFormat format_ = tfMA;
  double resistance_ = 50.0;
  // Version 2 state.
  std::size_t portsLine_ = 0;
  bool orderGiven_ = false;
  bool order21_12_ = false;
  std::size_t frequencyCount_ = 0;
  std::size_t frequencyCountLine_ = 0;
  std::size_t referenceLine_ = 0;  // while [Reference] still wants values
  EMatrixArrangement arrangement_ = maFull;
  bool inNetworkData_ = false;
  bool skipping_ = false;  // noise data, information block
  // Data.
  bool noise_ = false;
  std::vector<double> pending_;  // numbers of the point being read
  std::size_t lastDataLine_ = 0;
};

// The port count a ".s<N>p" extension names, 0 for any other name.
std::size_t PortsFromName(const std::wstring& path) {
  const std::size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || path.find(L'/', dot) != std::wstring::npos) return 0;
  const std::wstring ext = ToLowerText(path.substr(dot + 1));
  if (ext.size() < 3 || ext.size() > 6 || ext.front() != L's' || ext.back() != L'p') return 0;
  std::size_t n = 0;
  for (std::size_t i = 1; i + 1 < ext.size(); ++i) {
    if (ext[i] < L'0' || ext[i] > L'9') return 0;
    n = n * 10 + static_cast<std::size_t>(ext[i] - L'0');
  }
  return n;
}

void AppendNumber(std::string& out, double value) {
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, ec == std::errc() ? end : buffer);
}

void AppendPair(std::string& out, std::complex<double> v, ETouchstoneFormat format) {
  double a = v.real();
  double b = v.imag();
  if (format != tfRI) {
    a = std::abs(v);
    if (format == tfDB) a = 20.0 * std::log10(a);
    b = std::arg(v) / kDegree;
  }
  out += ' ';
  AppendNumber(out, a);
  out += ' ';
  AppendNumber(out, b);
}

STouchstoneResult Failure(ETouchstoneStatus status, std::wstring description) {
  STouchstoneResult result;
  result.status = status;
  result.description = std::move(description);
  return result;
}

}  // namespace

STouchstoneResult ParseTouchstone(std::string_view text, STouchstoneData& out, std::size_t ports) {
  try {
    return CTouchstoneParser(ports).Parse(text, out);
  } catch (const std::bad_alloc&) {
    // A port count far beyond any instrument asks for more memory than there is.
    return Failure(tsReadError, Tr("Недостаточно памяти для чтения файла Touchstone"));
  }
}

STouchstoneResult LoadTouchstone(const std::wstring& path, STouchstoneData& out, std::size_t ports) {
  const SFileBytes bytes = ReadWholeFile(WideToUtf8(path));
  STouchstoneResult result;
  if (bytes.error != 0) {
    result = bytes.error == ENOENT ? Failure(tsFileNotFound, Replace(Tr("Файл %0 не найден"), {path}))
                                   : Failure(tsReadError, Replace(Tr("Не удаётся прочитать файл %0: %1"),
                                                                  {path, Utf8ToWide(std::strerror(bytes.error))}));
  } else {
    result = ParseTouchstone(bytes.View(), out, ports != 0 ? ports : PortsFromName(path));
  }
  if (!result) LogMessage(kLogSource, L"cannot load \"" + path + L"\": " + result.description, true);
  return result;
}

std::string FormatTouchstone(const STouchstoneData& data, int version, ETouchstoneFormat format,
                             STouchstoneResult* result) {
  STouchstoneResult ignored;
  STouchstoneResult& status = result != nullptr ? *result : ignored;
  status = {};
  const std::size_t n = data.ports;
  if (version != 1 && version != 2)
    status = Failure(tsInvalidData, Tr("Версия файла Touchstone должна быть 1 или 2"));
  else if (n == 0 || data.reference.size() != n || data.values.size() != data.Points() * n * n ||
           data.Points() == 0 || format < tfRI || format > tfDB ||
           std::any_of(data.reference.begin(), data.reference.end(), [](double r) { return !(r > 0.0); }))
    status = Failure(tsInvalidData, Tr("Данные неполны: число значений не соответствует числу портов и частот"));
  else if (version == 1 && std::any_of(data.reference.begin(), data.reference.end(),
                                       [&](double r) { return r != data.reference[0]; }))
    status = Failure(tsInvalidData, Tr("Файл версии 1 допускает только одно опорное сопротивление для всех портов"));
  if (!status) return {};

  static constexpr const char* kParameter[] = {"S", "Y", "Z"};
  static constexpr const char* kFormat[] = {"RI", "MA", "DB"};
  std::string out = "! Plotvane\n";
  if (version == 2) out += "[Version] 2.0\n";
  out += "# Hz ";
  out += kParameter[data.parameter];
  out += ' ';
  out += kFormat[format];
  out += " R ";
  AppendNumber(out, data.reference[0]);
  out += '\n';
  if (version == 2) {
    out += "[Number of Ports] " + std::to_string(n) + "\n";
    if (n == 2) out += "[Two-Port Data Order] 12_21\n";
    out += "[Number of Frequencies] " + std::to_string(data.Points()) + "\n";
    out += "[Reference]";
    for (double r : data.reference) {
      out += ' ';
      AppendNumber(out, r);
    }
    out += "\n[Network Data]\n";
  }
  // Version 1 stores Y and Z normalised to the reference resistance.
  const double scale = version == 2 || data.parameter == tpS ? 1.0
                       : data.parameter == tpZ                 ? 1.0 / data.reference[0]
                                                               : data.reference[0];
  out.reserve(out.size() + data.values.size() * 2 * 26 + data.Points() * 26);
  for (std::size_t p = 0; p < data.Points(); ++p) {
    AppendNumber(out, data.frequencies[p]);
    if (n == 2 && version == 1) {
      // Two-port points of version 1 go N11 N21 N12 N22.
      static constexpr std::size_t kOrder[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
      for (const auto& [r, c] : kOrder) AppendPair(out, data.At(p, r, c) * scale, format);
    } else {
      for (std::size_t r = 0; r < n; ++r) {
        // Larger matrices go row by row; version 1 lines hold at most four pairs.
        for (std::size_t c = 0; c < n; ++c) {
          if (c > 0 && c % 4 == 0 && version == 1) out += '\n';
          AppendPair(out, data.At(p, r, c) * scale, format);
        }
        if (r + 1 < n) out += '\n';
      }
    }
    out += '\n';
  }
  if (version == 2) out += "[End]\n";
  return out;
}

STouchstoneResult SaveTouchstone(const std::wstring& path, const STouchstoneData& data, int version,
                                 ETouchstoneFormat format) {
  STouchstoneResult result;
  const std::string text = FormatTouchstone(data, version, format, &result);
  if (result) {
    std::string reason;
    if (WriteFileAtomically(WideToUtf8(path), text, &reason) != 0)
      result = Failure(tsWriteError, Replace(Tr("Не удаётся записать файл %0: %1"), {path, Utf8ToWide(reason)}));
  }
  if (!result) LogMessage(kLogSource, L"cannot save \"" + path + L"\": " + result.description, true);
  return result;
}

std::wstring ParameterName(std::size_t row, std::size_t col, ETouchstoneParameter parameter) {
  static constexpr const wchar_t* kLetter[] = {L"S", L"Y", L"Z"};
  const std::wstring separator = row >= 9 || col >= 9 ? L"_" : L"";
  return kLetter[parameter] + std::to_wstring(row + 1) + separator + std::to_wstring(col + 1);
}

STouchstoneCurve ExtractParameter(const STouchstoneData& data, std::size_t row, std::size_t col) {
  STouchstoneCurve curve;
  if (!PV_ASSERT(row < data.ports && col < data.ports && data.values.size() == data.Points() * data.ports * data.ports))
    return curve;
  curve.frequency = data.frequencies;
  curve.re.reserve(data.Points());
  curve.im.reserve(data.Points());
  for (std::size_t p = 0; p < data.Points(); ++p) {
    const std::complex<double> v = data.At(p, row, col);
    curve.re.push_back(v.real());
    curve.im.push_back(v.imag());
  }
  return curve;
}
