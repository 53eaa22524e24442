#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bridge/services/registry_service.h"

namespace vellum::testing {

// The current user's registry as a tree of keys in memory that behaves as the seam promises:
// names compared without regard to the case of A to Z, missing keys created only by writes,
// read-only keys that the value operations cannot open, tree deletion that stops below a key it
// cannot open. Every call is recorded as text, in order; a test fills the tree with the Put and
// MakeReadOnly helpers, which bypass the rules and are not recorded.
class TRecordingRegistry final : public IRegistryService {
public:
    TRecordingRegistry() { keys_[""]; }

    TRegistryWrite WriteString(const std::string& key, const std::string& name, const std::string& value) override {
        Calls.push_back("WriteString(" + key + ", " + name + ", " + value + ")");
        TKey* opened = Create(key);
        if (opened == nullptr) return TRegistryWrite::KeyUnavailable;
        if (FailStores) return TRegistryWrite::StoreFailed;
        opened->Values[Fold(name)] = TValue{value, true};
        return TRegistryWrite::Written;
    }
    TRegistryRead ReadString(const std::string& key, const std::string& name) override {
        Calls.push_back("ReadString(" + key + ", " + name + ")");
        const TValue* value = Find(key, name);
        if (value == nullptr) return {};
        if (FailReads) return {TRegistryReadStatus::ReadFailed, ""};
        if (!value->IsString) return {TRegistryReadStatus::NotAString, ""};
        return {TRegistryReadStatus::Text, value->Data.substr(0, value->Data.find('\0'))};
    }
    bool ValueExists(const std::string& key, const std::string& name) override {
        Calls.push_back("ValueExists(" + key + ", " + name + ")");
        return Find(key, name) != nullptr;
    }
    bool DeleteValue(const std::string& key, const std::string& name) override {
        Calls.push_back("DeleteValue(" + key + ", " + name + ")");
        TKey* opened = OpenFullAccess(key);
        return opened != nullptr && opened->Values.erase(Fold(name)) == 1;
    }
    bool KeyExists(const std::string& key) override {
        Calls.push_back("KeyExists(" + key + ")");
        return keys_.count(Fold(key)) == 1;
    }
    bool DeleteKeyTree(const std::string& key) override {
        Calls.push_back("DeleteKeyTree(" + key + ")");
        const std::string path = Fold(key);
        return !path.empty() && keys_.count(path) == 1 && DeleteTree(path);
    }

    // A string value (creating its key and those above); the text may hold zero characters.
    void PutString(const std::string& key, const std::string& name, const std::string& text) {
        Put(key).Values[Fold(name)] = TValue{text, true};
    }
    // A value of a type that is not a string (a number, say).
    void PutNumber(const std::string& key, const std::string& name) {
        Put(key).Values[Fold(name)] = TValue{std::string("\x2a\0\0\0", 4), false};
    }
    // A key the user may read but not change or delete (creating it and those above).
    void MakeReadOnly(const std::string& key) { Put(key).ReadOnly = true; }

    bool HasKey(const std::string& key) const { return keys_.count(Fold(key)) == 1; }
    // The text of a string value as stored, whatever the key's access.
    std::optional<std::string> Stored(const std::string& key, const std::string& name) const {
        const auto found = keys_.find(Fold(key));
        if (found == keys_.end()) return std::nullopt;
        const auto value = found->second.Values.find(Fold(name));
        if (value == found->second.Values.end() || !value->second.IsString) return std::nullopt;
        return value->second.Data;
    }

    std::vector<std::string> Calls;
    bool FailStores = false;  // keys open and are created, but no value is stored
    bool FailReads = false;   // values are found but their data cannot be read

private:
    struct TValue {
        std::string Data;
        bool IsString = true;
    };
    struct TKey {
        std::map<std::string, TValue> Values;
        bool ReadOnly = false;
    };

    static std::string Fold(const std::string& text) {
        std::string folded = text;
        for (char& c : folded)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return folded;
    }
    static std::string Parent(const std::string& path) {
        const std::size_t cut = path.rfind('\\');
        return cut == std::string::npos ? std::string() : path.substr(0, cut);
    }

    TKey& Put(const std::string& key) {
        for (std::string path = Fold(key); !path.empty(); path = Parent(path)) keys_[path];
        return keys_[Fold(key)];
    }
    TKey* OpenFullAccess(const std::string& key) {
        const auto found = keys_.find(Fold(key));
        return found == keys_.end() || found->second.ReadOnly ? nullptr : &found->second;
    }
    const TValue* Find(const std::string& key, const std::string& name) {
        const TKey* opened = OpenFullAccess(key);
        if (opened == nullptr) return nullptr;
        const auto value = opened->Values.find(Fold(name));
        return value == opened->Values.end() ? nullptr : &value->second;
    }
    // Opens the key, creating it and the missing keys above it below the nearest existing one,
    // which must let the user add keys.
    TKey* Create(const std::string& key) {
        const std::string path = Fold(key);
        std::string existing = path;
        while (keys_.count(existing) == 0) existing = Parent(existing);
        if (keys_[existing].ReadOnly) return nullptr;
        for (std::string missing = path; missing != existing; missing = Parent(missing)) keys_[missing];
        return &keys_[path];
    }
    std::vector<std::string> Subkeys(const std::string& path) const {
        std::vector<std::string> found;
        for (const auto& [candidate, ignored] : keys_)
            if (!candidate.empty() && candidate != path && Parent(candidate) == path) found.push_back(candidate);
        return found;
    }
    // Depth first, last subkey first; a key that cannot be opened keeps its subkeys, so it and
    // every key above it stay.
    bool DeleteTree(const std::string& path) {
        if (keys_[path].ReadOnly) return false;
        const std::vector<std::string> subkeys = Subkeys(path);
        for (auto sub = subkeys.rbegin(); sub != subkeys.rend(); ++sub) DeleteTree(*sub);
        if (!Subkeys(path).empty()) return false;
        keys_.erase(path);
        return true;
    }

    std::map<std::string, TKey> keys_;
};

}  // namespace vellum::testing
