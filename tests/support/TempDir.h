#pragma once
// An empty folder of the given name under the test temporary folder, made anew each call.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

inline std::filesystem::path FreshDir(const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}
