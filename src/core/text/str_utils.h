#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/ole_variant.h"

#ifdef _WIN32
struct tagVARIANT;
#endif

namespace vellum {

using TArrayStrings = std::vector<std::string>;

// The search options of SubStringExists, a set over soDown, soMatchCase and soWholeWord.
enum TSearchOption : unsigned { soDown = 1, soMatchCase = 2, soWholeWord = 4 };
using TSearchOptions = unsigned;

// Static string operations shared by the runtime and the packaging tool. Strings are UTF-8;
// operations defined on UTF-16 code units convert explicitly.
class TStrUtils {
public:
    TStrUtils() = delete;

    static std::string AddTrailingUrlSlash(std::string_view URL);
    static std::string Capitalize(std::string_view Value);
    static std::string QuoteJavascript(std::string_view Value);
    static std::string UnquoteJavascript(std::string_view Value);
    static std::string QuoteArguments(std::string_view Value);
    static std::string UnquoteArguments(std::string_view Value);
    static std::string OleVarToStr(const TOleVariant& Value);
#ifdef _WIN32
    static std::string OleVarToStr(const tagVARIANT& Value);
#endif
    // A complete JSON string literal, quotes included, escaping by UTF-16 code unit.
    static std::string StringToJsonString(std::string_view value);
    // The content type of a file by its extension; "application/octet-stream" when unknown.
    static std::string GetFileMIMEType(std::string_view FileName);
    static bool FilePathIsHttpUrl(std::string_view Path);
    static bool FilePathIsAppRelative(std::string_view Path);
    static bool FilePathIsPluginRelative(std::string_view Path);
    static std::string GetControlRandomSuffix(std::string_view Name);
    // Throws EVellumError for an empty ACharSequence when characters are asked for.
    static std::string GetRandomString(std::int32_t ALength, std::string_view ACharSequence);
    static std::string AddLeadingZeroes(std::int32_t Number, std::int32_t Length);
    static std::string RepeatString(std::string_view Value, std::int32_t Count);
    static TArrayStrings ExplodeStrings(std::string_view Separator, std::string_view Value);
    static std::string ImplodeStrings(std::string_view Separator, const TArrayStrings& ArrayString);
    static void GetUrlArguments(std::string_view URL, std::vector<std::string>& Arguments);
    // Throws EConvertError for a number beyond 32 bits; the outputs keep -1 until converted.
    static void StrToResolution(std::string_view Value, std::int32_t& Width, std::int32_t& Height);
    static std::string GetJavascriptArrayFromMultilineString(std::string_view Value);
    static std::string GetCompilerCacheDir(std::string_view AppFilePath, std::string_view Suffix,
                                           std::string_view TempCache, std::string_view DefaultDir);
    static bool SubStringExists(std::string_view AString, std::string_view ASubString, TSearchOptions ASearchOptions);
};

}  // namespace vellum
