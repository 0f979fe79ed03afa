// plotvane-plugin-scan <package>: loads one plug-in package, asks it for its API version,
// name and type, checks the two object exports and unloads it again; then writes one line to
// standard output and exits with 0:
//
//   loaded<TAB><api version or -1><TAB><name><TAB><type><TAB><exports>
//   unopenable<TAB><the loader's reason>
//
// <exports> is "complete" or the first missing export. Anything else — no line, another exit
// status, a signal — means that loading the package is not safe. The line is written only
// after the package was unloaded, so a crash in its clean-up counts too. The program ends
// with _exit: nothing of the package runs after the report.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

#include "core/PluginApi.h"

namespace {

// One field of the report line: tabs and line breaks of a package's texts would break it.
std::string Field(const char* text) {
  std::string out = text != nullptr ? text : "";
  for (char& c : out) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

template <class Func>
Func Resolve(void* module, const char* name) {
  return reinterpret_cast<Func>(dlsym(module, name));
}

[[noreturn]] void Report(const std::string& line) {
  std::fflush(stderr);
  const std::string text = line + "\n";
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::_exit(done == text.size() ? 0 : 3);
}

int Scan(const char* path) {
  dlerror();
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* error = dlerror();
    Report(std::string("unopenable\t") + Field(error != nullptr ? error : "unknown error"));
  }
  int api = -1;
  if (auto version = Resolve<PluginApiVersionFunc>(module, kPluginExportApiVersion)) api = version();
  std::string name, type;
  if (auto getName = Resolve<PluginNameFunc>(module, kPluginExportName)) name = Field(getName());
  if (auto getType = Resolve<PluginTypeFunc>(module, kPluginExportType)) type = Field(getType());
  std::string exports = "complete";
  if (dlsym(module, kPluginExportCreate) == nullptr)
    exports = kPluginExportCreate;
  else if (dlsym(module, kPluginExportDestroy) == nullptr)
    exports = kPluginExportDestroy;
  dlclose(module);
  Report("loaded\t" + std::to_string(api) + "\t" + name + "\t" + type + "\t" + exports);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: plotvane-plugin-scan <package>\n", stderr);
    return 2;
  }
  try {
    return Scan(argv[1]);
  } catch (const std::exception& e) {
    // A package's export threw: loading it in the host would have thrown there too.
    std::fprintf(stderr, "exception: %s\n", e.what());
  } catch (...) {
    std::fputs("exception\n", stderr);
  }
  return 1;
}
