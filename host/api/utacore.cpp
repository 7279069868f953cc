// UTACORE: the variable tables and the error state of the test executive.
#include "halcyon/utacore.h"

#include "test_executive.h"

#include <new>

namespace {

using corvid::host::TestExecutive;
using corvid::host::Variable;

Variable* Find(UtaHandle handle) {
    return TestExecutive::Instance().Variables().Get(handle);
}

} // namespace

UtaHandle UtaTableRegFindData(const char* name, int, const char* table, int) {
    if (!name || !table)
        return 0;
    return TestExecutive::Instance().Variables().Find(table, name);
}

int UtaStringSetValue(UtaHandle handle, const char* value) {
    Variable* variable = Find(handle);
    if (!variable)
        return 0;
    try {
        variable->SetText(value ? value : "");
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

const char* UtaStringGetValue(UtaHandle handle) {
    Variable* variable = Find(handle);
    return variable ? variable->text().c_str() : "";
}

int UtaInt32SetValue(UtaHandle handle, std::int32_t value) {
    Variable* variable = Find(handle);
    if (!variable)
        return 0;
    variable->SetNumber(value);
    return 1;
}

std::int32_t UtaInt32GetValue(UtaHandle handle) {
    Variable* variable = Find(handle);
    return variable ? variable->number() : 0;
}

int UtaExcRegIsError(int) {
    return TestExecutive::Instance().LastTestErrored() ? 1 : 0;
}

int UtaSetOperatorAbort(int abort) {
    TestExecutive::RequestAbort(abort != 0);
    return 1;
}
