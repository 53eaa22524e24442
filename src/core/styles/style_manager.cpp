#include "core/styles/style_manager.h"

#include "core/styles/theme_catalogue.h"
#include "core/text/ascii_case.h"

namespace vellum {

bool TStyleManager::RegisterStyle(std::string resourceBytes) {
    std::string name;
    try {
        name = DecodeStyleResource(resourceBytes).Name;
    } catch (const EStyleError&) {
        return false;
    }
    if (EqualIgnoringAsciiCase(name, kNativeThemeName) || Find(name) != nullptr) return false;
    entries_.push_back({std::move(name), std::move(resourceBytes)});
    return true;
}

std::vector<std::string> TStyleManager::Names() const {
    std::vector<std::string> names = {kNativeThemeName};
    for (const TEntry& entry : entries_) names.push_back(entry.Name);
    return names;
}

const TStyleManager::TEntry* TStyleManager::Find(const std::string& name) const {
    for (const TEntry& entry : entries_)
        if (EqualIgnoringAsciiCase(entry.Name, name)) return &entry;
    return nullptr;
}

bool TStyleManager::TrySetStyle(const std::string& name) {
    if (EqualIgnoringAsciiCase(name, kNativeThemeName)) {
        activeName_ = kNativeThemeName;
        active_.reset();
    } else {
        const TEntry* entry = Find(name);
        if (entry == nullptr) return false;
        TStyleResource style;
        try {
            style = DecodeStyleResource(entry->Bytes);
        } catch (const EStyleError&) {
            return false;
        }
        activeName_ = entry->Name;
        active_ = style.Palette;
    }
    // A listener may add or remove listeners while it runs.
    const std::map<int, TListener> listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener();
    return true;
}

TStyleResource TStyleManager::LoadStyle(const std::string& name) const {
    const TEntry* entry = Find(name);
    if (entry == nullptr) throw EStyleError("Style '" + name + "' not found");
    return DecodeStyleResource(entry->Bytes);
}

int TStyleManager::AddChangeListener(TListener listener) {
    listeners_[nextListener_] = std::move(listener);
    return nextListener_++;
}

void TStyleManager::RemoveChangeListener(int id) {
    listeners_.erase(id);
}

void TStyleManager::Reset() {
    entries_.clear();
    activeName_ = kNativeThemeName;
    active_.reset();
}

TStyleManager& StyleManager() {
    static TStyleManager manager;
    return manager;
}

}  // namespace vellum
