#pragma once

#include <cstdint>
#include <string>

#include "core/errors.h"

namespace vellum {

// The browser control's error: a message and the runtime's HRESULT.
class EEdgeError : public EVellumError {
public:
    EEdgeError(const std::string& Message, std::int32_t ErrorCode) : EVellumError(Message), ErrorCode_(ErrorCode) {}
    std::int32_t ErrorCode() const { return ErrorCode_; }
    const char* ClassName() const noexcept override { return "EEdgeError"; }

private:
    std::int32_t ErrorCode_;
};

}  // namespace vellum
