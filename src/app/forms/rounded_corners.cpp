#include "app/forms/rounded_corners.h"

#include "app/forms/window_corners.h"

namespace vellum {

TRoundedCornerType DefaultRoundedCorners = TRoundedCornerType::rcOn;

std::uint32_t CornerPreferenceValue(TRoundedCornerType RoundedCorners) {
    const TRoundedCornerType effective =
        RoundedCorners == TRoundedCornerType::rcDefault ? DefaultRoundedCorners : RoundedCorners;
    switch (effective) {
        case TRoundedCornerType::rcOff: return 1;
        case TRoundedCornerType::rcOn: return 2;
        case TRoundedCornerType::rcSmall: return 3;
        case TRoundedCornerType::rcDefault: return 0;
    }
    return 0;
}

void TRoundedCornerForm::SetRoundedCorners(TRoundedCornerType value) {
    FRoundedCorners = value;
    Apply();
}

void TRoundedCornerForm::WindowCreated(void* handle) {
    handle_ = handle;
    Apply();
}

void TRoundedCornerForm::WindowDestroyed() {
    handle_ = nullptr;
}

bool TRoundedCornerForm::WindowExists(void* handle) const {
    return WindowHandleExists(handle);
}

void TRoundedCornerForm::ApplyCornerPreference(void* handle, std::uint32_t preference) {
    ApplyWindowCornerPreference(handle, preference);
}

void TRoundedCornerForm::Apply() {
    if (handle_ != nullptr && !WindowExists(handle_)) handle_ = nullptr;
    if (handle_ != nullptr) ApplyCornerPreference(handle_, CornerPreferenceValue(FRoundedCorners));
}

}  // namespace vellum
