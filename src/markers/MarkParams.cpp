#include "markers/MarkParams.h"

#include "common/Text.h"

namespace {

constexpr const wchar_t* kMarkModeKeys[] = {L"free", L"minimum", L"maximum", L"fixed", L"ref"};
constexpr const char* kMarkModeCaptions[] = {TrNoop("С&вободный"), TrNoop("М&инимум"), TrNoop("М&аксимум"),
                                             TrNoop("Уров&ень"), TrNoop("&Дельта-маркер")};
constexpr const wchar_t* kDirectionKeys[] = {L"leftResp", L"rightResp", L"leftStim", L"rightStim"};
constexpr const wchar_t* kExtremeKeys[] = {L"off", L"inband", L"fixed"};

template <class E, std::size_t N>
E FromKey(const wchar_t* const (&keys)[N], const std::wstring& key, E def) {
  for (std::size_t i = 0; i < N; ++i)
    if (key == keys[i]) return static_cast<E>(i);
  return def;
}

template <class E, std::size_t N>
const wchar_t* ToKey(const wchar_t* const (&keys)[N], E value) {
  const auto i = static_cast<std::size_t>(value);
  return i < N ? keys[i] : keys[0];
}

}  // namespace

const wchar_t* MarkModeKey(EMarkMode mode) { return ToKey(kMarkModeKeys, mode); }
EMarkMode MarkModeFromKey(const std::wstring& key, EMarkMode def) { return FromKey(kMarkModeKeys, key, def); }
const wchar_t* DirectionKey(EMarkDirection direction) { return ToKey(kDirectionKeys, direction); }
EMarkDirection DirectionFromKey(const std::wstring& key, EMarkDirection def) {
  return FromKey(kDirectionKeys, key, def);
}
const wchar_t* ExtremeModeKey(EExtremeMode mode) { return ToKey(kExtremeKeys, mode); }
EExtremeMode ExtremeModeFromKey(const std::wstring& key, EExtremeMode def) {
  return FromKey(kExtremeKeys, key, def);
}

std::wstring MarkModeCaption(EMarkMode mode) {
  const auto i = static_cast<std::size_t>(mode);
  return i < std::size(kMarkModeCaptions) ? Tr(kMarkModeCaptions[i]) : std::wstring();
}

const SConnParams& DefaultConnParams() {
  static const SConnParams defaults{0,
                                    0,
                                    50,
                                    Utf8ToWide(TrNoop("abs(а.арг-б.арг)/10^6")),
                                    Utf8ToWide(TrNoop("%зн МГц")),
                                    Utf8ToWide(TrNoop("Полоса, МГц")),
                                    3,
                                    false};
  return defaults;
}
