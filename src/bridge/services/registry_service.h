#pragma once

#include <string>

namespace vellum {

enum class TRegistryWrite {
    Written,
    KeyUnavailable,  // the key could not be opened or created
    StoreFailed,     // the key opened but the value was not stored
};

enum class TRegistryReadStatus {
    Text,            // `Text` holds the value
    Empty,           // the key could not be opened, the value is missing or holds no data
    NotAString,      // the value holds data of a type other than string or expandable string
    ReadFailed,      // the data could not be read after its size was known
};

struct TRegistryRead {
    TRegistryReadStatus Status = TRegistryReadStatus::Empty;
    std::string Text;
    bool operator==(const TRegistryRead&) const = default;
};

// The current user's part of the registry, the only part a page reaches. A key is a path below
// the current user's root with backslashes between key names and no leading backslash (the
// empty path is the root itself); key and value names are compared without regard to letter
// case; the unnamed default value is not addressed. Every call opens what it needs and closes
// it before returning. The value operations open their key with full access, so a key the user
// may only read is unavailable to them, while KeyExists, which opens for reading, finds it.
class IRegistryService {
public:
    virtual ~IRegistryService() = default;
    // Stores `value` as a string value (replacing a value of any type), creating the key and
    // every missing key above it.
    virtual TRegistryWrite WriteString(const std::string& key, const std::string& name, const std::string& value) = 0;
    // A string or expandable string value as stored (not expanded), ending before its first
    // zero character.
    virtual TRegistryRead ReadString(const std::string& key, const std::string& name) = 0;
    virtual bool ValueExists(const std::string& key, const std::string& name) = 0;
    // False when the key cannot be opened or the value is not deleted.
    virtual bool DeleteValue(const std::string& key, const std::string& name) = 0;
    virtual bool KeyExists(const std::string& key) = 0;
    // Deletes the key and everything below it, depth first. False when the key is missing or is
    // the root, or when anything below it resisted: what was deleted before that stays deleted.
    virtual bool DeleteKeyTree(const std::string& key) = 0;
};

}  // namespace vellum
