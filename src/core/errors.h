#pragma once

#include <stdexcept>
#include <string>

namespace vellum {

// Every error the system raises with a documented message carries exactly that message.
class EVellumError : public std::runtime_error {
public:
    explicit EVellumError(const std::string& message) : std::runtime_error(message) {}
    virtual const char* ClassName() const noexcept { return "EVellumError"; }
};

// A file that cannot be opened, created, read or written.
class EFileError : public EVellumError {
public:
    using EVellumError::EVellumError;
    const char* ClassName() const noexcept override { return "EFileError"; }
};

// A stream that holds no archive the reader recognises, or a damaged central directory.
class EArchiveError : public EVellumError {
public:
    using EVellumError::EVellumError;
    const char* ClassName() const noexcept override { return "EArchiveError"; }
};

// A text that does not convert to the type asked for.
class EConvertError : public EVellumError {
public:
    using EVellumError::EVellumError;
    const char* ClassName() const noexcept override { return "EConvertError"; }
};

}  // namespace vellum
