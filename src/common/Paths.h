#pragma once
// Where the running program and the engine library are, so installed parts (catalogues,
// plug-ins, the plug-in scanner) are found relative to them wherever the tree was unpacked.
#include <string>

// The folder of the running executable; empty when the system does not say.
std::string ExecutableFolder();
// The folder of the loaded engine library (libplotvane.so); empty when unknown.
std::string EngineLibraryFolder();
