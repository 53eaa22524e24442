#pragma once

#include <filesystem>

#include "core/resources/version_info.h"

namespace vellum {

// Gives a Windows executable the application's icon and version texts without the Windows
// API, so that the packaging tool can do it on any system. Both edits read the image whole,
// edit it in memory and put the new file in place in one step: on any error the executable is
// left as it was.
class TPeResourceEditor {
public:
    // Replaces the main icon group "MAINICON" and its images with all the images of the icon
    // file (identifiers 100, 101, ... in language 1033). Throws EVellumError with the messages
    // of TExeUtils::ChangeExeIcon ("Icon file is too large", "Icon file is invalid",
    // "FindResource failed (1)", ...), and EFileError when a file cannot be read or written.
    static void ChangeExeIcon(const std::filesystem::path& exePath, const std::filesystem::path& icoPath);

    // Rewrites the version texts within their rooms and stores the block in the neutral
    // language, beside the original. False, with nothing changed, when the file is missing,
    // is no PE image or has no version information, or when its layout cannot take the edit.
    static bool UpdateExeInfo(const std::filesystem::path& exePath, const TVersionTexts& texts);
};

}  // namespace vellum
