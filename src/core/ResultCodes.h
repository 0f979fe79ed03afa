#pragma once
// Result codes of the COM-style interfaces (the expression interpreter, the automation
// objects). Values are those of Windows, so scripts and logs see familiar numbers:
// negative is a failure, 0 and positive values are successes.
#include <cstdint>
#include <exception>
#include <string>
#include <utility>

using HResult = std::int32_t;

inline constexpr HResult S_OK = 0;
inline constexpr HResult S_FALSE = 1;
inline constexpr HResult E_NOTIMPL = static_cast<HResult>(0x80004001u);
inline constexpr HResult E_POINTER = static_cast<HResult>(0x80004003u);
inline constexpr HResult E_FAIL = static_cast<HResult>(0x80004005u);
inline constexpr HResult E_UNEXPECTED = static_cast<HResult>(0x8000FFFFu);
inline constexpr HResult E_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult E_INVALIDARG = static_cast<HResult>(0x80070057u);
inline constexpr HResult DISP_E_TYPEMISMATCH = static_cast<HResult>(0x80020005u);
inline constexpr HResult DISP_E_UNKNOWNNAME = static_cast<HResult>(0x80020006u);
inline constexpr HResult DISP_E_BADINDEX = static_cast<HResult>(0x8002000Bu);

constexpr bool Succeeded(HResult hr) { return hr >= 0; }
constexpr bool Failed(HResult hr) { return hr < 0; }

// A failing result raised as an exception, with the readable text the interface gave.
class CComError : public std::exception {
 public:
  CComError(HResult code, std::wstring text) : m_code(code), m_text(std::move(text)) {}
  HResult Code() const { return m_code; }
  const std::wstring& Text() const { return m_text; }
  const char* what() const noexcept override { return "COM-style operation failed"; }

 private:
  HResult m_code;
  std::wstring m_text;
};
