#include "platform/posix/registry_store_posix.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/text/utf.h"
#include "platform/file_replacement.h"

namespace vellum {

namespace {

using nlohmann::json;

constexpr int kFormatVersion = 1;
constexpr std::size_t kMaxDepth = 512;  // key levels, as on Windows

// The locale whose case mapping compares names: every letter, not only A to Z, as the
// registry compares them.
locale_t CaseLocale() {
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return made != static_cast<locale_t>(0) ? made : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    }();
    return locale;
}

std::string Folded(std::string_view name) {
    std::u16string units = Utf8ToUtf16(name);
    for (char16_t& unit : units)
        if (unit < 0xD800 || unit > 0xDFFF) unit = static_cast<char16_t>(towupper_l(unit, CaseLocale()));
    return Utf16ToUtf8(units);
}

// A name as the Windows registry reads it from a C string: up to its first zero character.
std::string_view UpToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::size_t Utf16Length(std::string_view text) {
    return Utf8ToUtf16(text).size();
}

// The key names of a path below the root; nothing for a path no key can have (an empty name
// between two backslashes, a name too long, too many levels). One trailing backslash is
// allowed, as the registry allows it.
std::optional<std::vector<std::string>> KeyNames(std::string_view key) {
    key = UpToZero(key);
    if (!key.empty() && key.back() == '\\') key.remove_suffix(1);
    std::vector<std::string> names;
    if (key.empty()) return names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(key.find('\\', start), key.size());
        const std::string_view name = key.substr(start, end - start);
        if (name.empty() || Utf16Length(name) > TFileRegistryService::kMaxKeyNameLength) return std::nullopt;
        names.emplace_back(name);
        if (names.size() > kMaxDepth) return std::nullopt;
        if (end == key.size()) return names;
        start = end + 1;
    }
}

// The member of `object` whose name equals `name` without regard to case; end() when none.
json::iterator FindMember(json& object, const std::string& name) {
    const std::string folded = Folded(name);
    for (auto member = object.begin(); member != object.end(); ++member)
        if (Folded(member.key()) == folded) return member;
    return object.end();
}

json* Subkeys(json& key, bool create) {
    auto found = key.find("keys");
    if (found == key.end()) {
        if (!create) return nullptr;
        return &(key["keys"] = json::object());
    }
    return &*found;
}

json* Values(json& key, bool create) {
    auto found = key.find("values");
    if (found == key.end()) {
        if (!create) return nullptr;
        return &(key["values"] = json::object());
    }
    return &*found;
}

// The key at `names` below `root`; with `create`, every missing key on the way is made.
json* FindKey(json& root, const std::vector<std::string>& names, bool create) {
    json* key = &root;
    for (const std::string& name : names) {
        json* subkeys = Subkeys(*key, create);
        if (subkeys == nullptr) return nullptr;
        auto found = FindMember(*subkeys, name);
        if (found == subkeys->end()) {
            if (!create) return nullptr;
            key = &((*subkeys)[name] = json::object());
        } else {
            key = &*found;
        }
    }
    return key;
}

// Whether a key node and everything below it has the store's shape.
bool WellFormedKey(const json& key, std::size_t depth) {
    if (!key.is_object() || depth > kMaxDepth) return false;
    for (auto member = key.begin(); member != key.end(); ++member) {
        if (member.key() == "values") {
            if (!member->is_object()) return false;
        } else if (member.key() == "keys") {
            if (!member->is_object()) return false;
            for (const json& subkey : *member)
                if (!WellFormedKey(subkey, depth + 1)) return false;
        } else {
            return false;
        }
    }
    return true;
}

struct TStore {
    enum TState { Fresh, Loaded, Unreadable, Damaged } State = Fresh;
    json Root = json::object();
};

TStore Load(const std::string& path) {
    TStore store;
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    if (!file) {
        store.State = errno == ENOENT ? TStore::Fresh : TStore::Unreadable;
        return store;
    }
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        store.State = TStore::Unreadable;
        return store;
    }
    json document = json::parse(bytes, nullptr, false);
    if (document.is_discarded() || !document.is_object() || !(document.contains("vellum-registry") && document["vellum-registry"] == kFormatVersion) ||
        !document.contains("root") || !WellFormedKey(document["root"], 0)) {
        store.State = TStore::Damaged;
        return store;
    }
    store.State = TStore::Loaded;
    store.Root = std::move(document["root"]);
    return store;
}

// An exclusive lock on the store's lock file for as long as it lives.
class TStoreLock {
public:
    explicit TStoreLock(const std::string& storePath) {
        fd_ = open((storePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~TStoreLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    TStoreLock(const TStoreLock&) = delete;
    TStoreLock& operator=(const TStoreLock&) = delete;
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// A damaged store's new name beside it: nothing of what it held is lost.
void SetAside(const std::string& path) {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &parts);
    std::string target = path + ".damaged-" + stamp;
    for (int n = 2; std::filesystem::exists(PathFromUtf8(target)); ++n) target = path + ".damaged-" + stamp + "-" + std::to_string(n);
    std::error_code error;
    std::filesystem::rename(PathFromUtf8(path), PathFromUtf8(target), error);
}

enum class TChange { Saved, Unchanged, Failed };

// Loads the store under the lock, lets `change` edit its root (true: something changed) and
// saves it in one step. Failed when the store could not be read, locked or saved.
template <typename TEdit>
TChange Change(const std::string& path, TEdit&& change) {
    std::error_code error;
    // A folder made here is the user's alone; one that was there keeps its permissions.
    if (std::filesystem::create_directories(PathFromUtf8(path).parent_path(), error))
        std::filesystem::permissions(PathFromUtf8(path).parent_path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, error);
    if (error) return TChange::Failed;
    const TStoreLock lock(path);
    if (!lock) return TChange::Failed;
    TStore store = Load(path);
    if (store.State == TStore::Unreadable) return TChange::Failed;
    if (!change(store.Root)) return TChange::Unchanged;
    try {
        if (store.State == TStore::Damaged) SetAside(path);
        const json document = {{"vellum-registry", kFormatVersion}, {"root", std::move(store.Root)}};
        const std::string text = document.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
        ReplaceFileContents(path, [&text](TStream& stream) { stream.Write(text.data(), text.size()); });
    } catch (const std::exception&) {
        return TChange::Failed;
    }
    return TChange::Saved;
}

}  // namespace

TFileRegistryService::TFileRegistryService(std::string storePath) : storePath_(std::move(storePath)) {}

std::string TFileRegistryService::DefaultStorePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config != nullptr && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        if ((home == nullptr || home[0] == '\0') && getpwuid(getuid()) != nullptr) home = getpwuid(getuid())->pw_dir;
        folder = std::string(home != nullptr ? home : "") + "/.config";
    }
    return folder + "/vellum/registry.json";
}

TRegistryWrite TFileRegistryService::WriteString(const std::string& key, const std::string& name,
                                                 const std::string& value) {
    const auto names = KeyNames(key);
    if (!names) return TRegistryWrite::KeyUnavailable;
    const std::string valueName(UpToZero(name));
    const bool storable = Utf16Length(valueName) <= kMaxValueNameLength && value.size() <= kMaxValueBytes;
    bool keyExisted = false;
    const TChange change = Change(storePath_, [&](json& root) {
        keyExisted = FindKey(root, *names, false) != nullptr;
        if (!storable) return false;
        json& values = *Values(*FindKey(root, *names, true), true);
        const auto old = FindMember(values, valueName);
        if (old != values.end()) {
            *old = value;  // the name keeps the case it was first written in
        } else {
            values[valueName] = value;
        }
        return true;
    });
    if (change == TChange::Saved) return TRegistryWrite::Written;
    if (change == TChange::Failed && !keyExisted) return TRegistryWrite::KeyUnavailable;
    return TRegistryWrite::StoreFailed;
}

TRegistryRead TFileRegistryService::ReadString(const std::string& key, const std::string& name) {
    const auto names = KeyNames(key);
    if (!names) return {};
    TStore store = Load(storePath_);
    json* found = FindKey(store.Root, *names, false);
    json* values = found != nullptr ? Values(*found, false) : nullptr;
    if (values == nullptr) return {};
    const auto value = FindMember(*values, std::string(UpToZero(name)));
    if (value == values->end() || value->is_null()) return {};  // null: a value without data
    if (!value->is_string()) return {TRegistryReadStatus::NotAString, ""};
    return {TRegistryReadStatus::Text, std::string(UpToZero(value->get_ref<const std::string&>()))};
}

bool TFileRegistryService::ValueExists(const std::string& key, const std::string& name) {
    const auto names = KeyNames(key);
    if (!names) return false;
    TStore store = Load(storePath_);
    json* found = FindKey(store.Root, *names, false);
    json* values = found != nullptr ? Values(*found, false) : nullptr;
    return values != nullptr && FindMember(*values, std::string(UpToZero(name))) != values->end();
}

bool TFileRegistryService::DeleteValue(const std::string& key, const std::string& name) {
    const auto names = KeyNames(key);
    if (!names) return false;
    const TChange change = Change(storePath_, [&](json& root) {
        json* found = FindKey(root, *names, false);
        json* values = found != nullptr ? Values(*found, false) : nullptr;
        if (values == nullptr) return false;
        const auto value = FindMember(*values, std::string(UpToZero(name)));
        if (value == values->end()) return false;
        values->erase(value);
        return true;
    });
    return change == TChange::Saved;
}

bool TFileRegistryService::KeyExists(const std::string& key) {
    const auto names = KeyNames(key);
    if (!names) return false;
    TStore store = Load(storePath_);
    return FindKey(store.Root, *names, false) != nullptr;
}

bool TFileRegistryService::DeleteKeyTree(const std::string& key) {
    const auto names = KeyNames(key);
    if (!names || names->empty()) return false;  // the root itself is never deleted
    const std::vector<std::string> parentNames(names->begin(), names->end() - 1);
    const TChange change = Change(storePath_, [&](json& root) {
        json* parent = FindKey(root, parentNames, false);
        json* subkeys = parent != nullptr ? Subkeys(*parent, false) : nullptr;
        if (subkeys == nullptr) return false;
        const auto found = FindMember(*subkeys, names->back());
        if (found == subkeys->end()) return false;
        subkeys->erase(found);
        return true;
    });
    return change == TChange::Saved;
}

}  // namespace vellum
