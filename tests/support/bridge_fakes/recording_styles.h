#pragma once

#include <string>
#include <vector>

#include "bridge/services/style_service.h"

namespace vellum::testing {

// A style catalogue in memory, in no sorted order. TrySelect finds a name without regard to
// the case of A to Z and activates it under its catalogue spelling; every call is recorded.
class TRecordingStyles final : public IStyleService {
public:
    std::vector<std::string> Names() const override { return Catalogue; }
    std::string ActiveName() const override { return Active; }
    void TrySelect(const std::string& name) override {
        Calls.push_back("TrySelect(" + name + ")");
        for (const std::string& known : Catalogue)
            if (Fold(known) == Fold(name)) {
                Active = known;
                return;
            }
    }

    std::vector<std::string> Catalogue = {"Windows10 Dark", "Windows", "Amakrits", "Windows10", "Carbon"};
    std::string Active = "Windows";
    std::vector<std::string> Calls;

private:
    static std::string Fold(std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return text;
    }
};

}  // namespace vellum::testing
