#pragma once
// Invariant checks that report and return: a failed check never stops the program.
// PV_ASSERT(cond) yields cond, so the caller goes on or returns its neutral value:
//   if (!PV_ASSERT(index < Count())) return NaN;
#include <functional>
#include <string>

struct SAssertReport {
  std::string date;       // build date
  std::string file;       // source file name without folders, e.g. "Diagram.cpp"
  std::string function;   // qualified function name, e.g. "CDiagram::GetTraceList"
  int line = 0;
  std::string condition;  // the condition text as written
  std::string message;    // optional explanation ("Metrics not registered")
};

void AssertFunction(const char* date, const char* file, const char* function, int line,
                    const char* condition, const char* message = nullptr);

// Every report goes to the hook (when one is installed) and to the log.
using AssertHook = std::function<void(const SAssertReport&)>;
AssertHook SetAssertHook(AssertHook hook);  // returns the previous hook

// "CDiagram::GetTraceList" from a __PRETTY_FUNCTION__ text.
std::string QualifiedFunctionName(const char* prettyFunction);

#define PV_ASSERT(cond)                                                                      \
  (static_cast<bool>(cond)                                                                   \
       ? true                                                                                \
       : (::AssertFunction(__DATE__, __FILE_NAME__, __PRETTY_FUNCTION__, __LINE__, #cond), \
          false))

#define PV_ASSERT_MSG(cond, msg)                                                                  \
  (static_cast<bool>(cond)                                                                        \
       ? true                                                                                     \
       : (::AssertFunction(__DATE__, __FILE_NAME__, __PRETTY_FUNCTION__, __LINE__, #cond, msg), \
          false))
