#include "tools/pack/check_command.h"

#include <algorithm>

#include "core/text/utf.h"
#include "tools/pack/project_check.h"

namespace vellum::pack {

int CheckCommand(const std::filesystem::path& projectDir, std::ostream& out, std::ostream& err) {
    const TProjectCheck check = CheckProject(projectDir);
    err << check.Report(PathToUtf8(projectDir / "vlm.ini"));
    const auto errors = std::count_if(check.Findings.begin(), check.Findings.end(), [](const TFinding& finding) {
        return finding.Severity == TFinding::TSeverity::Error;
    });
    const auto warnings = static_cast<std::ptrdiff_t>(check.Findings.size()) - errors;
    if (check.Findings.empty())
        out << PathToUtf8(projectDir) << ": no findings; the project is ready to build\n";
    else
        err << PathToUtf8(projectDir) << ": " << errors << (errors == 1 ? " error, " : " errors, ") << warnings
            << (warnings == 1 ? " warning" : " warnings") << (errors > 0 ? "; build would refuse it" : "") << '\n';
    return errors > 0 ? 1 : 0;
}

}  // namespace vellum::pack
