// UTACORE: the variable tables and the error state of the test executive.
#include "halcyon/utacore.h"

#include "api_guard.h"
#include "test_executive.h"

namespace {

using corvid::host::Guarded;
using corvid::host::TestExecutive;
using corvid::host::Variable;

Variable* Find(UtaHandle handle) {
    return TestExecutive::Instance().Variables().Get(handle);
}

} // namespace

UtaHandle UtaTableRegFindData(const char* name, int, const char* table, int) {
    return Guarded(UtaHandle{0}, [&]() -> UtaHandle {
        if (!name || !table) {
            return 0;
        }
        return TestExecutive::Instance().Variables().Find(table, name);
    });
}

int UtaStringSetValue(UtaHandle handle, const char* value) {
    return Guarded(0, [&] {
        Variable* variable = Find(handle);
        if (!variable) {
            return 0;
        }
        variable->SetText(value ? value : "");
        return 1;
    });
}

const char* UtaStringGetValue(UtaHandle handle) {
    return Guarded("", [&] {
        Variable* variable = Find(handle);
        return variable ? variable->text().c_str() : "";
    });
}

int UtaInt32SetValue(UtaHandle handle, std::int32_t value) {
    return Guarded(0, [&] {
        Variable* variable = Find(handle);
        if (!variable) {
            return 0;
        }
        variable->SetNumber(value);
        return 1;
    });
}

std::int32_t UtaInt32GetValue(UtaHandle handle) {
    return Guarded(std::int32_t{0}, [&] {
        Variable* variable = Find(handle);
        return variable ? variable->number() : 0;
    });
}

int UtaExcRegIsError(int) {
    return Guarded(0, [] { return TestExecutive::Instance().LastTestErrored() ? 1 : 0; });
}

// Also called from signal handlers: the body is a single atomic store.
int UtaSetOperatorAbort(int abort) {
    return Guarded(0, [&] {
        TestExecutive::RequestAbort(abort != 0);
        return 1;
    });
}
