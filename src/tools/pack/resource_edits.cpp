#include "tools/pack/resource_edits.h"

#include "core/errors.h"
#include "platform/exe_resource_editor.h"
#include "core/text/ascii_case.h"
#include "core/text/utf.h"

namespace vellum::pack {

namespace {

std::string KeyList() {
    std::string list;
    for (std::u16string_view name : kVersionTextNames) list += (list.empty() ? "" : ", ") + Utf16ToUtf8(name);
    return list;
}

}  // namespace

bool TResourceEdits::HasTexts() const {
    for (const auto& text : Texts)
        if (text) return true;
    return false;
}

void AddVersionText(TResourceEdits& edits, const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0)
        throw EVellumError("--version takes KEY=VALUE, not '" + assignment + "'");
    const std::string key = assignment.substr(0, equals);
    const std::string value = assignment.substr(equals + 1);
    for (std::size_t i = 0; i < kVersionTextCount; ++i) {
        if (!EqualIgnoringAsciiCase(Utf16ToUtf8(kVersionTextNames[i]), key)) continue;
        if (edits.Texts[i]) throw EVellumError("--version " + Utf16ToUtf8(kVersionTextNames[i]) + " is given twice");
        if (!IsValidUtf8(value)) throw EVellumError("the value of --version " + key + " is not UTF-8 text");
        edits.Texts[i] = value;
        return;
    }
    throw EVellumError("unknown version key '" + key + "': the keys are " + KeyList());
}

void ApplyResourceEdits(const std::filesystem::path& exe, TImageFormat format, const TResourceEdits& edits) {
    if (edits.Empty()) return;
    if (format != TImageFormat::Pe)
        throw EVellumError("--icon and --version set the icon and version texts of Windows executables; the "
                           "runtime is a Linux program (ELF), whose desktop entry names its icon instead");
    if (edits.Icon) TPeResourceEditor::ChangeExeIcon(exe, *edits.Icon);
    if (!edits.HasTexts()) return;
    TVersionTexts texts;
    for (std::size_t i = 0; i < kVersionTextCount; ++i) {
        const bool versionNumber = kVersionTextNames[i] == u"FileVersion" || kVersionTextNames[i] == u"ProductVersion";
        texts[i] = edits.Texts[i].value_or(versionNumber ? "1.0.0.0" : "");
    }
    if (!TPeResourceEditor::UpdateExeInfo(exe, texts))
        throw EVellumError("the runtime has no version information to rewrite, or its layout cannot take the edit");
}

}  // namespace vellum::pack
