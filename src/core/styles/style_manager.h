#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/styles/style_resource.h"

namespace vellum {

// The process's styles: the native look and every registered style resource, one of them
// active. A resource is registered under the name stored inside it and read whole on its first
// selection; windows that draw themselves listen for changes of the active style.
class TStyleManager {
public:
    // Registers a resource's bytes; false (and nothing registered) when they hold no style or
    // a style of a name already known.
    bool RegisterStyle(std::string resourceBytes);

    // "Windows" first, then every registered style in registration order.
    std::vector<std::string> Names() const;
    const std::string& ActiveName() const { return activeName_; }
    // The active style's palette; nothing for the native look.
    const TStylePalette* ActivePalette() const { return active_ ? &*active_ : nullptr; }

    // Activates the style whose name equals `name` without regard to letter case (A to Z);
    // false, and nothing changes, when there is none or its resource turns out damaged.
    bool TrySetStyle(const std::string& name);

    // The whole resource of a registered style (any letter case); raises "Style '%s' not found".
    TStyleResource LoadStyle(const std::string& name) const;

    using TListener = std::function<void()>;
    int AddChangeListener(TListener listener);
    void RemoveChangeListener(int id);

    // Back to the native look with nothing registered (for tests).
    void Reset();

private:
    struct TEntry {
        std::string Name;
        std::string Bytes;
    };
    const TEntry* Find(const std::string& name) const;

    std::vector<TEntry> entries_;
    std::string activeName_ = "Windows";
    std::optional<TStylePalette> active_;
    std::map<int, TListener> listeners_;
    int nextListener_ = 1;
};

// The one style manager of the process.
TStyleManager& StyleManager();

}  // namespace vellum
