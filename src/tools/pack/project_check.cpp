#include "tools/pack/project_check.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "app/startup/data_folder_name.h"
#include "core/settings/app_settings.h"
#include "core/styles/theme_catalogue.h"
#include "core/text/ascii_case.h"
#include "core/text/text_decoding.h"
#include "core/text/utf.h"
#include "tools/pack/project_file_reader.h"
#include "tools/pack/settings_keys.h"

namespace vellum::pack {

namespace {

bool HasNonAscii(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

}  // namespace

bool TProjectCheck::HasErrors() const {
    return std::any_of(Findings.begin(), Findings.end(),
                       [](const TFinding& finding) { return finding.Severity == TFinding::TSeverity::Error; });
}

std::string TProjectCheck::Report(const std::string& settingsFileName) const {
    std::ostringstream out;
    for (const TFinding& finding : Findings) {
        out << settingsFileName;
        if (finding.Line > 0) out << ':' << finding.Line;
        out << (finding.Severity == TFinding::TSeverity::Error ? ": error: " : ": warning: ") << finding.Message
            << '\n';
    }
    return out.str();
}

TProjectCheck CheckProject(const std::filesystem::path& projectDir) {
    TProjectCheck check;
    auto error = [&](int line, std::string message) {
        check.Findings.push_back({TFinding::TSeverity::Error, line, std::move(message)});
    };
    auto warning = [&](int line, std::string message) {
        check.Findings.push_back({TFinding::TSeverity::Warning, line, std::move(message)});
    };

    const TProjectFileContents settingsFile = ReadProjectFile(projectDir / "vlm.ini");
    if (settingsFile.Outcome == TProjectFileContents::TOutcome::Missing) {
        error(0, "no settings file: the project folder must hold vlm.ini");
        return check;
    }
    if (settingsFile.Outcome != TProjectFileContents::TOutcome::Read) {
        error(0, "the settings file " + settingsFile.Problem);
        return check;
    }
    const std::string& bytes = settingsFile.Bytes;

    const bool hasBom =
        bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    const std::string text = DecodeTextWithBom(bytes);
    const std::vector<std::string> lines = SplitLines(text);

    if (!hasBom && HasNonAscii(bytes)) {
        const std::vector<std::string> rawLines = SplitLines(bytes);
        int line = 0;
        for (std::size_t i = 0; i < rawLines.size(); ++i)
            if (HasNonAscii(rawLines[i])) {
                line = static_cast<int>(i) + 1;
                break;
            }
        warning(line, IsValidUtf8(bytes)
                          ? "text beyond ASCII without a byte-order mark is read in the system's ANSI code page, "
                            "not as UTF-8: save vlm.ini as UTF-8 with BOM"
                          : "text beyond ASCII without a byte-order mark is read in the system's ANSI code page");
    }
    if (text.find('\0') != std::string::npos)
        warning(0, "the file holds NUL characters; they are kept as part of the text");

    std::string section;
    bool inSection = false;
    std::map<std::string, int> keyLines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        const std::string line = TrimText(lines[i]);
        if (line.empty() || line[0] == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = TrimText(std::string_view(line).substr(1, line.size() - 2));
            inSection = true;
            if (!EqualIgnoringAsciiCase(section, "App"))
                warning(lineNumber, "section [" + section + "] is not read: every setting belongs in [App]");
            continue;
        }
        if (!inSection) {
            warning(lineNumber, "this line stands before the first section header and is ignored");
            continue;
        }
        if (!EqualIgnoringAsciiCase(section, "App")) continue;

        const std::size_t equals = line.find('=');
        const std::string key = TrimText(std::string_view(line).substr(0, equals));
        const TSettingsKey* known = FindSettingsKey(key);
        if (known == nullptr) {
            warning(lineNumber, "unknown key '" + key + "' is ignored");
            continue;
        }
        const std::string folded = FoldAsciiCase(key);
        if (const auto earlier = keyLines.find(folded); earlier != keyLines.end())
            warning(lineNumber, "'" + std::string(known->Name) + "' is set again; this later entry replaces line " +
                                    std::to_string(earlier->second));
        keyLines[folded] = lineNumber;
        if (equals == std::string::npos) {
            warning(lineNumber, "'" + key + "' has no '=': it reads as missing (default '" + known->Default + "')");
            continue;
        }
        const std::string value = TrimText(std::string_view(line).substr(equals + 1));
        if (known->Type != TSettingsKeyType::String && !ParseSettingsInteger(value)) {
            const std::string what =
                known->Type == TSettingsKeyType::Boolean ? "write 1 for yes or 0 for no" : "write a number";
            warning(lineNumber, "'" + std::string(known->Name) + " = " + value +
                                    "' is not a number and reads as the default " + known->Default + ": " + what);
        }
    }

    TAppSettings settings;
    settings.SetStrings(lines);
    auto lineOf = [&](const char* key) {
        const auto found = keyLines.find(FoldAsciiCase(key));
        return found == keyLines.end() ? 0 : found->second;
    };
    for (const char* key : {"ID", "Name", "DirName"}) {
        if (settings.ReadString("App", key, "").empty())
            error(lineOf(key),
                  std::string("'") + key + "' is missing or empty in [App]: the app would end at start without a word");
    }
    const std::string id = settings.ReadString("App", "ID", "");
    if (!id.empty())
        if (const auto problem = DataFolderNameProblem(id))
            error(lineOf("ID"), "ID '" + id + "' " + *problem +
                                    ": the ID names the app's data folder, one folder of its own in the user's local "
                                    "application data, so the app would end at start without a word");

    // The runtime finds a theme in any letter case; a name it lacks gets an error box at every start.
    const std::string theme = settings.ReadString("App", "Theme", "Windows");
    if (!FindCatalogueName(theme))
        warning(lineOf("Theme"), "Theme '" + theme + "' names no theme: the app would show \"Style '" + theme +
                                     "' not found\" at every start and keep the native look");

    check.DirName = settings.ReadString("App", "DirName", "");
    if (!check.DirName.empty()) {
        const std::filesystem::path appDir = projectDir / PathFromUtf8(check.DirName);
        if (check.DirName.find_first_of("/\\") != std::string::npos || check.DirName == "." || check.DirName == "..") {
            error(lineOf("DirName"), "DirName '" + check.DirName + "' must name one folder inside the project folder");
        } else if (!std::filesystem::is_directory(appDir)) {
            error(lineOf("DirName"),
                  "DirName names the folder '" + check.DirName + "', which the project folder does not hold");
        } else {
            const std::string indexHtml = settings.ReadString("App", "IndexHtml", "index.html");
            std::string relative = indexHtml;
            std::replace(relative.begin(), relative.end(), '\\', '/');
            if (!std::filesystem::is_regular_file(appDir / PathFromUtf8(relative)))
                error(lineOf("IndexHtml"), "the start page '" + indexHtml + "' (IndexHtml) is not in the folder '" +
                                               check.DirName + "': the window would show no page");
        }
    }
    return check;
}

}  // namespace vellum::pack
