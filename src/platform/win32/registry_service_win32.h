#pragma once

#include "bridge/services/registry_service.h"

namespace vellum {

// The current user's registry on Windows, in the view native to the process. Value operations
// open their key for every right (0xF003F); the existence tests open it for reading only
// (0x20009: read control, query values, enumerate subkeys). Values are written as REG_SZ with
// their terminating zero character.
class TWin32RegistryService final : public IRegistryService {
public:
    TRegistryWrite WriteString(const std::string& key, const std::string& name, const std::string& value) override;
    TRegistryRead ReadString(const std::string& key, const std::string& name) override;
    bool ValueExists(const std::string& key, const std::string& name) override;
    bool DeleteValue(const std::string& key, const std::string& name) override;
    bool KeyExists(const std::string& key) override;
    bool DeleteKeyTree(const std::string& key) override;
};

}  // namespace vellum
