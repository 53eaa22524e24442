#pragma once

#include <string>

#include "bridge/services/registry_service.h"

namespace vellum {

// The current user's registry on Linux, which has none: a key-value store in one JSON file per
// user, shared by every app built on this runtime as the current user's registry is on Windows.
// Keys are a tree of names, each key holding named values; names keep the letter case they were
// first written in and are compared without regard to it. Values written are strings; a value
// of any other JSON type reads as a value that is not a string. Every call reads the file anew;
// every change is saved at once, beside the old file and put in its place in one step, under a
// lock that keeps changes of other processes from being lost. The file is the store's data
// only: no page text becomes a path, so ".." or "/" in a name is an ordinary name.
// A file that does not read as a store (damaged, edited by hand) is kept under a new name on
// the first change, and the store starts empty; until then it answers as an empty store.
class TFileRegistryService final : public IRegistryService {
public:
    // The store in `storePath`; its folder is created on the first change.
    explicit TFileRegistryService(std::string storePath);

    // $XDG_CONFIG_HOME/vellum/registry.json, or ~/.config/vellum/registry.json.
    static std::string DefaultStorePath();

    // The longest key name and value name, in UTF-16 code units as on Windows, and the longest
    // value text in UTF-8 bytes, so that one value cannot make every later call slow.
    static constexpr std::size_t kMaxKeyNameLength = 255;
    static constexpr std::size_t kMaxValueNameLength = 16383;
    static constexpr std::size_t kMaxValueBytes = 16u << 20;

    TRegistryWrite WriteString(const std::string& key, const std::string& name, const std::string& value) override;
    TRegistryRead ReadString(const std::string& key, const std::string& name) override;
    bool ValueExists(const std::string& key, const std::string& name) override;
    bool DeleteValue(const std::string& key, const std::string& name) override;
    bool KeyExists(const std::string& key) override;
    bool DeleteKeyTree(const std::string& key) override;

    const std::string& StorePath() const { return storePath_; }

private:
    std::string storePath_;
};

}  // namespace vellum
