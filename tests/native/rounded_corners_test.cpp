// The corner preference reaches the window manager only while the form's window exists.
#include "app/forms/rounded_corners.h"

#include <gtest/gtest.h>

#include <vector>

namespace vellum {
namespace {

// A form whose window is an int: `alive` says whether the window manager still has it.
class TCornerForm final : public TRoundedCornerForm {
public:
    void Create() {
        alive = true;
        WindowCreated(&window);
    }
    void DestroyReported() {
        alive = false;
        WindowDestroyed();
    }
    void DestroyUnreported() { alive = false; }
    std::vector<std::uint32_t> Applied;

private:
    void ApplyCornerPreference(void* handle, std::uint32_t preference) override {
        EXPECT_TRUE(alive && handle == &window) << "the preference went to a window that is gone";
        Applied.push_back(preference);
    }
    bool WindowExists(void* handle) const override { return alive && handle == &window; }

    int window = 0;
    bool alive = false;
};

TEST(RoundedCorners, AreOnlyStoredOnceTheWindowIsGone) {
    for (const bool reported : {true, false}) {
        SCOPED_TRACE(reported ? "the form reports the window's end" : "the window goes unreported");
        TCornerForm form;
        form.Create();
        reported ? form.DestroyReported() : form.DestroyUnreported();
        form.SetRoundedCorners(TRoundedCornerType::rcOff);
        EXPECT_EQ(form.Applied, (std::vector<std::uint32_t>{2})) << "only the one at creation";
        EXPECT_EQ(form.RoundedCorners(), TRoundedCornerType::rcOff) << "the value is kept";
        form.Create();
        EXPECT_EQ(form.Applied, (std::vector<std::uint32_t>{2, 1})) << "a new window gets the stored value";
    }
}

}  // namespace
}  // namespace vellum
