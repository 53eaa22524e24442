#pragma once

#include <exception>
#include <string>

namespace vellum {

// The program-wide report of an error nothing handled: a message box titled "Application
// Error" saying "Exception CLASS in module MODULE at ADDRESS." and the error's message, the
// same text on standard error (for a terminal, a desktop log and tests), then exit code 1.
// Without a display only the text on standard error is left.
[[noreturn]] void ReportUnhandledError(std::exception_ptr error);

// The report's text, as both the box and standard error show it.
std::string UnhandledErrorText(const char* className, const std::string& module, const std::string& address,
                               const std::string& message);

}  // namespace vellum
