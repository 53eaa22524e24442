#pragma once

#include <filesystem>
#include <ostream>

namespace vellum::pack {

// The settings lint that build runs first, alone: its findings on `err` (or a line saying the
// project is clean on `out`); 0 when there are none or only warnings, 1 when there are errors.
int CheckCommand(const std::filesystem::path& projectDir, std::ostream& out, std::ostream& err);

}  // namespace vellum::pack
