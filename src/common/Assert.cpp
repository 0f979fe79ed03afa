#include "common/Assert.h"

#include <mutex>

#include "common/Log.h"
#include "common/Text.h"

namespace {
std::mutex g_hookMutex;
AssertHook g_hook;
}  // namespace

std::string QualifiedFunctionName(const char* prettyFunction) {
  if (prettyFunction == nullptr) return {};
  std::string text = prettyFunction;
  // Cut the parameter list: the first '(' at template depth 0 after the name.
  int depth = 0;
  std::size_t open = std::string::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '<') ++depth;
    else if (c == '>') --depth;
    else if (c == '(' && depth == 0) {
      // "operator()" keeps its own parentheses.
      if (i >= 8 && text.compare(i - 8, 8, "operator") == 0 && i + 1 < text.size() && text[i + 1] == ')') {
        ++i;
        continue;
      }
      open = i;
      break;
    }
  }
  std::string head = text.substr(0, open);
  // Drop the return type: the name starts after the last space at template depth 0.
  depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < head.size(); ++i) {
    const char c = head[i];
    if (c == '<') ++depth;
    else if (c == '>') --depth;
    else if (c == ' ' && depth == 0) start = i + 1;
  }
  return head.substr(start);
}

AssertHook SetAssertHook(AssertHook hook) {
  std::lock_guard lock(g_hookMutex);
  std::swap(g_hook, hook);
  return hook;
}

void AssertFunction(const char* date, const char* file, const char* function, int line,
                    const char* condition, const char* message) {
  SAssertReport report;
  report.date = date ? date : "";
  report.file = file ? file : "";
  report.function = QualifiedFunctionName(function);
  report.line = line;
  report.condition = condition ? condition : "";
  report.message = message ? message : "";

  std::string text = "Assertion failed: ";
  text.append(report.condition);
  if (!report.message.empty()) text.append(" (").append(report.message).append(")");
  text.append(" in ").append(report.function).append(", ").append(report.file).append(":");
  text.append(std::to_string(line)).append(", build ").append(report.date);
  LogMessage(L"Assert", Utf8ToWide(text), true);

  AssertHook hook;
  {
    std::lock_guard lock(g_hookMutex);
    hook = g_hook;
  }
  if (hook) hook(report);
}
