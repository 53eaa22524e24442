#pragma once

#include <string>

namespace vellum {

// A shared library loaded at run time (a DLL on Windows).
class TDynamicLibrary {
public:
    TDynamicLibrary() = default;
    ~TDynamicLibrary() { Unload(); }
    TDynamicLibrary(const TDynamicLibrary&) = delete;
    TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

    // Loads the library at the UTF-8 path; false when it cannot be loaded.
    bool Load(const std::string& path);
    void Unload();
    bool Loaded() const { return handle_ != nullptr; }
    // The address of an export, or nullptr when the library lacks it.
    void* Symbol(const char* name) const;

private:
    void* handle_ = nullptr;
};

}  // namespace vellum
