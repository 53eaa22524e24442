// The registry family: a small store of string values below the current user's root. No other
// root is reachable: every key a page names is a path below HKEY_CURRENT_USER.
#include <optional>

#include "bridge/bridge_arguments.h"
#include "bridge/bridge_services_access.h"
#include "bridge/browser_external_module.h"
#include "bridge/function_families.h"
#include "core/text/str_utils.h"

namespace vellum {

namespace {

struct TValueAddress {
    std::string Key;  // below the root, without the leading backslash a page may write
    std::string Name;
};

std::string BelowRoot(const std::string& key) {
    return !key.empty() && key.front() == '\\' ? key.substr(1) : key;
}

// The request's key, or nothing when it has none (the failure is answered).
std::optional<std::string> ReadKey(TBrowserExternalModule& module, const TBridgeRequest& request) {
    const std::string key = ReadArgString(request.Data, "key");
    if (!key.empty()) return BelowRoot(key);
    module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("Missing registry key."));
    return std::nullopt;
}

// The request's key and value name, or nothing when either is missing (the failure is answered).
std::optional<TValueAddress> ReadValueAddress(TBrowserExternalModule& module, const TBridgeRequest& request) {
    std::optional<std::string> key = ReadKey(module, request);
    if (!key) return std::nullopt;
    const std::string name = ReadArgString(request.Data, "name");
    if (!name.empty()) return TValueAddress{std::move(*key), name};
    module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("Missing value name."));
    return std::nullopt;
}

const char* Boolean(bool value) {
    return value ? "true" : "false";
}

// These leave the dispatcher unanswered, as errors of the store itself rather than of the request.
[[noreturn]] void RaiseValueError(const char* what, const std::string& name) {
    throw EVellumError(std::string(what) + " '" + name + "'");
}

}  // namespace

void RegisterRegistryFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    dispatcher.Register(TFunctionId::RegistryWriteValue, [&module](const TBridgeRequest& request) {
        const auto address = ReadValueAddress(module, request);
        if (!address) return;
        const std::string value = ReadArgString(request.Data, "value");
        switch (RegistryOf(module).WriteString(address->Key, address->Name, value)) {
            case TRegistryWrite::Written: return module.PostSuccess(request.Uuid, "true");
            case TRegistryWrite::KeyUnavailable: return module.PostSuccess(request.Uuid, "false");
            case TRegistryWrite::StoreFailed: RaiseValueError("Failed to set data for", address->Name);
        }
    });
    dispatcher.Register(TFunctionId::RegistryReadValue, [&module](const TBridgeRequest& request) {
        const auto address = ReadValueAddress(module, request);
        if (!address) return;
        const TRegistryRead read = RegistryOf(module).ReadString(address->Key, address->Name);
        switch (read.Status) {
            case TRegistryReadStatus::Text: return module.PostSuccess(request.Uuid, TStrUtils::StringToJsonString(read.Text));
            case TRegistryReadStatus::Empty: return module.PostSuccess(request.Uuid, "\"\"");
            case TRegistryReadStatus::NotAString: RaiseValueError("Invalid data type for", address->Name);
            case TRegistryReadStatus::ReadFailed: RaiseValueError("Failed to get data for", address->Name);
        }
    });
    dispatcher.Register(TFunctionId::RegistryValueExist, [&module](const TBridgeRequest& request) {
        const auto address = ReadValueAddress(module, request);
        if (address) module.PostSuccess(request.Uuid, Boolean(RegistryOf(module).ValueExists(address->Key, address->Name)));
    });
    dispatcher.Register(TFunctionId::RegistryDeleteValue, [&module](const TBridgeRequest& request) {
        const auto address = ReadValueAddress(module, request);
        if (address) module.PostSuccess(request.Uuid, Boolean(RegistryOf(module).DeleteValue(address->Key, address->Name)));
    });
    dispatcher.Register(TFunctionId::RegistryKeyExist, [&module](const TBridgeRequest& request) {
        const auto key = ReadKey(module, request);
        if (key) module.PostSuccess(request.Uuid, Boolean(RegistryOf(module).KeyExists(*key)));
    });
    dispatcher.Register(TFunctionId::RegistryDeleteKey, [&module](const TBridgeRequest& request) {
        const auto key = ReadKey(module, request);
        if (!key) return;
        // The root itself (a lone backslash) is never deleted, and the store is not asked.
        module.PostSuccess(request.Uuid, Boolean(!key->empty() && RegistryOf(module).DeleteKeyTree(*key)));
    });
}

}  // namespace vellum
