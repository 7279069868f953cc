#include "com/hresult.h"

#include <cstdio>

namespace corvid::com {
namespace {

struct ResultText {
    HRESULT code;
    const char* text;
};

// One table for every code this component model produces.
constexpr ResultText kResultTexts[] = {
    {S_OK, "Success"},
    {S_FALSE, "Success (false)"},
    {E_NOTIMPL, "Not implemented"},
    {E_NOINTERFACE, "No such interface supported"},
    {E_POINTER, "Invalid pointer"},
    {E_ABORT, "Operation aborted"},
    {E_FAIL, "Unspecified error"},
    {E_UNEXPECTED, "Catastrophic failure"},
    {E_ACCESSDENIED, "Access denied"},
    {E_HANDLE, "Invalid handle"},
    {E_OUTOFMEMORY, "Out of memory"},
    {E_INVALIDARG, "One or more arguments are invalid"},
    {CLASS_E_NOAGGREGATION, "Class does not support aggregation"},
    {CLASS_E_CLASSNOTAVAILABLE, "The module does not provide this class"},
    {REGDB_E_READREGDB, "Could not read the registry"},
    {REGDB_E_WRITEREGDB, "Could not write the registry"},
    {REGDB_E_KEYMISSING, "A registry key is missing"},
    {REGDB_E_CLASSNOTREG, "Class not registered"},
    {SELFREG_E_TYPELIB, "Could not register the type library"},
    {SELFREG_E_CLASS, "Could not register the class"},
    {CO_E_CLASSSTRING, "Invalid class string"},
    {CO_E_DLLNOTFOUND, "Module for class not found"},
    {CO_E_ERRORINDLL, "The module for the class could not be loaded"},
    {HResultFromWin32(ERROR_FILE_NOT_FOUND), "File not found"},
    {HResultFromWin32(ERROR_MOD_NOT_FOUND), "Module not found"},
    {HResultFromWin32(ERROR_PROC_NOT_FOUND), "The module does not export the entry point"},
    {DISP_E_UNKNOWNINTERFACE, "Unknown interface"},
    {DISP_E_MEMBERNOTFOUND, "Member not found"},
    {DISP_E_PARAMNOTFOUND, "Parameter not found"},
    {DISP_E_TYPEMISMATCH, "Type mismatch"},
    {DISP_E_UNKNOWNNAME, "Unknown name"},
    {DISP_E_NONAMEDARGS, "No named arguments"},
    {DISP_E_BADVARTYPE, "Bad variable type"},
    {DISP_E_EXCEPTION, "Exception occurred"},
    {DISP_E_OVERFLOW, "Out of present range"},
    {DISP_E_BADINDEX, "Invalid index"},
    {DISP_E_ARRAYISLOCKED, "Array locked"},
    {DISP_E_BADPARAMCOUNT, "Invalid number of parameters"},
    {DISP_E_PARAMNOTOPTIONAL, "Parameter not optional"},
    {TYPE_E_REGISTRYACCESS, "Error accessing the registry"},
    {TYPE_E_LIBNOTREGISTERED, "Library not registered"},
    {TYPE_E_ELEMENTNOTFOUND, "Element not found"},
};

} // namespace

std::string FormatHResult(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

std::string HResultText(HRESULT hr) {
    for (const auto& entry : kResultTexts)
        if (entry.code == hr)
            return entry.text;
    return "Unknown error " + FormatHResult(hr);
}

} // namespace corvid::com
