#include <windows.h>

#include <oleauto.h>

#include "core/text/str_utils.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

TOleVariant FromVariant(const VARIANT& value) {
    switch (V_VT(&value)) {
        case VT_EMPTY: return std::monostate{};
        case VT_NULL: return TOleNull{};
        case VT_BSTR: {
            const BSTR text = V_BSTR(&value);
            const UINT length = text != nullptr ? SysStringLen(text) : 0;
            return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
        }
        case VT_BOOL: return V_BOOL(&value) != VARIANT_FALSE;
        case VT_I1: return std::int64_t{V_I1(&value)};
        case VT_UI1: return std::int64_t{V_UI1(&value)};
        case VT_I2: return std::int64_t{V_I2(&value)};
        case VT_UI2: return std::int64_t{V_UI2(&value)};
        case VT_I4: return std::int64_t{V_I4(&value)};
        case VT_UI4: return std::int64_t{V_UI4(&value)};
        case VT_INT: return std::int64_t{V_INT(&value)};
        case VT_UINT: return std::int64_t{V_UINT(&value)};
        case VT_I8: return std::int64_t{V_I8(&value)};
        case VT_UI8: return static_cast<std::int64_t>(V_UI8(&value));
        case VT_R4: return double{V_R4(&value)};
        case VT_R8: return V_R8(&value);
        case VT_CY:
        case VT_DECIMAL: {
            VARIANT number;
            VariantInit(&number);
            if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_R8))) return TOleOther{};
            return V_R8(&number);
        }
        case VT_DATE: {
            SYSTEMTIME time{};
            if (!VariantTimeToSystemTime(V_DATE(&value), &time)) return TOleOther{};
            return TOleDate{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
        }
        default: break;
    }
    if (V_VT(&value) & VT_BYREF) {
        VARIANT direct;
        VariantInit(&direct);
        if (FAILED(VariantCopyInd(&direct, const_cast<VARIANT*>(&value)))) return TOleOther{};
        TOleVariant result = FromVariant(direct);
        VariantClear(&direct);
        return result;
    }
    return TOleOther{};
}

}  // namespace

std::string TStrUtils::OleVarToStr(const tagVARIANT& Value) {
    return OleVarToStr(FromVariant(Value));
}

}  // namespace vellum
