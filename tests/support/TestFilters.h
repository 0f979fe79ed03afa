#pragma once
// Filters that live in the test program, handed out by name as a plug-in factory would: they
// record the blocks they see and can scale, throw, report accumulated data, replace the
// response array, or fail while reading their settings.
#include <stdexcept>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "core/PluginManager.h"
#include "filters/Filter.h"

// A dynamic filter living in the test: records the blocks it sees, can scale, throw, or
// report accumulated data.
class CRecordingFilter : public CDynamicFilter {
 public:
  struct SBlock {
    bool reset;
    int offset, count, size;
  };
  std::vector<SBlock> blocks;
  double factor = 1.0;
  bool throwStd = false;
  bool throwOther = false;
  bool accumulate = false;
  bool replace = false;        // hands back a fresh response array, releasing the given one
  bool throwOnRead = false;    // Deserialize throws

  // The enabled state is kept under a name of the filter's own choosing.
  void Serialize(pugi::xml_node node, const char*) override {
    node.append_attribute("factor") = factor;
    node.append_attribute("on") = GetEnabled();
  }
  void Deserialize(pugi::xml_node node, const char*) override {
    if (throwOnRead) throw std::runtime_error("unreadable");
    factor = node.attribute("factor").as_double(factor);
    if (pugi::xml_attribute on = node.attribute("on")) SetEnabled(on.as_bool());
  }

  void ProcessDataEx(bool& reset, int& offset, int& count, int& size, double*&, double*& y, double*&,
                     IPropertiesList* properties) override {
    blocks.push_back({reset, offset, count, size});
    if (throwStd) throw std::runtime_error("bad block");
    if (throwOther) throw 42;
    if (replace) {
      double* fresh = new double[static_cast<std::size_t>(count > 0 ? count : 1)];
      for (int i = 0; i < count; ++i) fresh[i] = y[i];
      delete[] y;
      y = fresh;
    }
    for (int i = 0; i < count; ++i) y[i] *= factor;
    if (accumulate) properties->SetNumber(L"acc_data", 1);
  }
};

// Hands out recording filters by name, as a plug-in factory would.
class CTestFilterFactory : public IModulesFactory {
 public:
  std::vector<std::wstring> names{L"REC", L"REC2"};
  std::vector<CRecordingFilter*> made;
  int Count() override { return static_cast<int>(names.size()); }
  std::wstring GetName(int i) override { return names[static_cast<std::size_t>(i)]; }
  std::wstring GetType(int) override { return L"FILTER"; }
  int CreateInstance(void*& instance, int) override {
    auto* f = new CRecordingFilter;
    f->SetEnabled(true);
    made.push_back(f);
    instance = static_cast<CFilter*>(f);
    return 0;
  }
  int DestroyInstance(void* instance) override {
    delete static_cast<CFilter*>(instance);
    return 0;
  }
};

