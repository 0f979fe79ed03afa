#include "common/Paths.h"

#include <dlfcn.h>

#include <filesystem>

std::string ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

std::string EngineLibraryFolder() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&EngineLibraryFolder), &info) == 0 || info.dli_fname == nullptr) return {};
  const std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}
