// The settings file from arbitrary bytes: any byte-order mark (or none), any line endings,
// then every value the runtime reads at startup, read the way it reads them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/settings/app_settings.h"

using namespace vellum;

namespace {

const char* const kStrings[] = {"ID", "DirName", "IndexHtml"};
const char* const kIntegers[] = {"InstallFormColor", "InstallIndicatorColor", "InstallIndicatorType", "WindowBorder"};
const char* const kBooleans[] = {"AllowContextMenu", "AllowDebug", "AllowInstances", "AllowZoom", "DynamicAppTitle",
                                 "EdgeInstaller"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TAppSettings settings;
    settings.LoadFromBytes(bytes);
    for (const char* key : kStrings) {
        // A key that is present gives its value whatever default is asked for.
        const TAppSettings::TEntry* entry = settings.FindEntry("App", key);
        const bool hasValue = entry != nullptr && entry->Value.has_value();
        if (hasValue && settings.ReadString("app", key, "a") != settings.ReadString("APP", key, "b")) std::abort();
    }
    for (const char* key : kIntegers) {
        const std::int32_t value = settings.ReadInteger("App", key, 7);
        const TAppSettings::TEntry* entry = settings.FindEntry("App", key);
        const auto parsed = entry != nullptr && entry->Value ? ParseSettingsInteger(*entry->Value) : std::nullopt;
        if (parsed && *parsed != value) std::abort();
    }
    for (const char* key : kBooleans) settings.ReadBool("App", key, true);
    ParseSettingsInteger(bytes);
    return 0;
}
