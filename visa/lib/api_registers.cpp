// The exported register access functions: viIn*, viOut*, viMoveIn*, viMoveOut*,
// viMapAddress, viUnmapAddress, viPeek*, viPoke*. The offsets of the plain and the Ex
// forms are the same 64-bit type here, so each plain form is its Ex form.
#include "api_guard.h"
#include "visa/visa.h"

using namespace corvid::visa;

namespace {

template <class T>
ViStatus In(ViSession vi, ViUInt16 space, ViBusAddress64 offset, T* value, const char* name) {
    return OnSession(vi, name, true, [&](Session& s) -> ViStatus {
        if (!value) {
            return VI_ERROR_USER_BUF;
        }
        ViUInt64 read = 0;
        ViStatus status = CallOperation(s, &SbvisaOperations::in, space, offset, ViUInt16{sizeof(T)}, &read);
        if (status >= VI_SUCCESS) {
            *value = static_cast<T>(read);
        }
        return status;
    });
}

template <class T>
ViStatus Out(ViSession vi, ViUInt16 space, ViBusAddress64 offset, T value, const char* name) {
    return OnSession(vi, name, true, [&](Session& s) {
        return CallOperation(s, &SbvisaOperations::out, space, offset, ViUInt16{sizeof(T)}, ViUInt64{value});
    });
}

template <class T>
ViStatus MoveIn(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length, T* buffer,
                const char* name) {
    return OnSession(vi, name, true, [&](Session& s) -> ViStatus {
        if (!buffer && length > 0) {
            return VI_ERROR_USER_BUF;
        }
        return CallOperation(s, &SbvisaOperations::moveIn, space, offset, ViUInt16{sizeof(T)}, length,
                             static_cast<void*>(buffer));
    });
}

template <class T>
ViStatus MoveOut(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length, const T* buffer,
                 const char* name) {
    return OnSession(vi, name, true, [&](Session& s) -> ViStatus {
        if (!buffer && length > 0) {
            return VI_ERROR_USER_BUF;
        }
        return CallOperation(s, &SbvisaOperations::moveOut, space, offset, ViUInt16{sizeof(T)}, length,
                             static_cast<const void*>(buffer));
    });
}

// viPeek and viPoke answer nothing: a failed peek reads all ones, as a bus without an
// answer does.
template <class T>
void Peek(ViSession vi, ViAddr address, T* value) {
    ViUInt64 read = ~ViUInt64{0};
    OnSession(vi, "viPeek", false, [&](Session& s) {
        return CallOperation(s, &SbvisaOperations::peek, address, ViUInt16{sizeof(T)}, &read);
    });
    if (value) {
        *value = static_cast<T>(read);
    }
}

template <class T>
void Poke(ViSession vi, ViAddr address, T value) {
    OnSession(vi, "viPoke", false, [&](Session& s) {
        return CallOperation(s, &SbvisaOperations::poke, address, ViUInt16{sizeof(T)}, ViUInt64{value});
    });
}

} // namespace

extern "C" {

ViStatus viIn8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViPUInt8 val8) {
    return In(vi, space, offset, val8, "viIn8");
}
ViStatus viIn16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViPUInt16 val16) {
    return In(vi, space, offset, val16, "viIn16");
}
ViStatus viIn32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViPUInt32 val32) {
    return In(vi, space, offset, val32, "viIn32");
}
ViStatus viIn64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViPUInt64 val64) {
    return In(vi, space, offset, val64, "viIn64");
}
ViStatus viIn8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt8 val8) {
    return viIn8Ex(vi, space, offset, val8);
}
ViStatus viIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt16 val16) {
    return viIn16Ex(vi, space, offset, val16);
}
ViStatus viIn32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt32 val32) {
    return viIn32Ex(vi, space, offset, val32);
}
ViStatus viIn64(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt64 val64) {
    return viIn64Ex(vi, space, offset, val64);
}

ViStatus viOut8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt8 val8) {
    return Out(vi, space, offset, val8, "viOut8");
}
ViStatus viOut16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt16 val16) {
    return Out(vi, space, offset, val16, "viOut16");
}
ViStatus viOut32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt32 val32) {
    return Out(vi, space, offset, val32, "viOut32");
}
ViStatus viOut64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViUInt64 val64) {
    return Out(vi, space, offset, val64, "viOut64");
}
ViStatus viOut8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt8 val8) {
    return viOut8Ex(vi, space, offset, val8);
}
ViStatus viOut16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt16 val16) {
    return viOut16Ex(vi, space, offset, val16);
}
ViStatus viOut32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt32 val32) {
    return viOut32Ex(vi, space, offset, val32);
}
ViStatus viOut64(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt64 val64) {
    return viOut64Ex(vi, space, offset, val64);
}

ViStatus viMoveIn8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length, ViAUInt8 buf8) {
    return MoveIn(vi, space, offset, length, buf8, "viMoveIn8");
}
ViStatus viMoveIn16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length,
                      ViAUInt16 buf16) {
    return MoveIn(vi, space, offset, length, buf16, "viMoveIn16");
}
ViStatus viMoveIn32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length,
                      ViAUInt32 buf32) {
    return MoveIn(vi, space, offset, length, buf32, "viMoveIn32");
}
ViStatus viMoveIn64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length,
                      ViAUInt64 buf64) {
    return MoveIn(vi, space, offset, length, buf64, "viMoveIn64");
}
ViStatus viMoveIn8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length, ViAUInt8 buf8) {
    return viMoveIn8Ex(vi, space, offset, length, buf8);
}
ViStatus viMoveIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length, ViAUInt16 buf16) {
    return viMoveIn16Ex(vi, space, offset, length, buf16);
}
ViStatus viMoveIn32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length, ViAUInt32 buf32) {
    return viMoveIn32Ex(vi, space, offset, length, buf32);
}
ViStatus viMoveIn64(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length, ViAUInt64 buf64) {
    return viMoveIn64Ex(vi, space, offset, length, buf64);
}

ViStatus viMoveOut8Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length, ViAUInt8 buf8) {
    return MoveOut(vi, space, offset, length, buf8, "viMoveOut8");
}
ViStatus viMoveOut16Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length,
                       ViAUInt16 buf16) {
    return MoveOut(vi, space, offset, length, buf16, "viMoveOut16");
}
ViStatus viMoveOut32Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length,
                       ViAUInt32 buf32) {
    return MoveOut(vi, space, offset, length, buf32, "viMoveOut32");
}
ViStatus viMoveOut64Ex(ViSession vi, ViUInt16 space, ViBusAddress64 offset, ViBusSize length,
                       ViAUInt64 buf64) {
    return MoveOut(vi, space, offset, length, buf64, "viMoveOut64");
}
ViStatus viMoveOut8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length, ViAUInt8 buf8) {
    return viMoveOut8Ex(vi, space, offset, length, buf8);
}
ViStatus viMoveOut16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length, ViAUInt16 buf16) {
    return viMoveOut16Ex(vi, space, offset, length, buf16);
}
ViStatus viMoveOut32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length, ViAUInt32 buf32) {
    return viMoveOut32Ex(vi, space, offset, length, buf32);
}
ViStatus viMoveOut64(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length, ViAUInt64 buf64) {
    return viMoveOut64Ex(vi, space, offset, length, buf64);
}

ViStatus viMapAddressEx(ViSession vi, ViUInt16 mapSpace, ViBusAddress64 mapOffset, ViBusSize mapSize,
                        ViBoolean access, ViAddr suggested, ViPAddr address) {
    return OnSession(vi, "viMapAddress", true, [&](Session& s) -> ViStatus {
        if (!address) {
            return VI_ERROR_USER_BUF;
        }
        if (access != VI_FALSE) {
            return VI_ERROR_INV_ACC_MODE;
        }
        return CallOperation(s, &SbvisaOperations::mapAddress, mapSpace, mapOffset, mapSize, suggested,
                             address);
    });
}
ViStatus viMapAddress(ViSession vi, ViUInt16 mapSpace, ViBusAddress mapOffset, ViBusSize mapSize,
                      ViBoolean access, ViAddr suggested, ViPAddr address) {
    return viMapAddressEx(vi, mapSpace, mapOffset, mapSize, access, suggested, address);
}

ViStatus viUnmapAddress(ViSession vi) {
    return OnSession(vi, "viUnmapAddress", false,
                     [&](Session& s) { return CallOperation(s, &SbvisaOperations::unmapAddress); });
}

void viPeek8(ViSession vi, ViAddr address, ViPUInt8 val8) {
    Peek(vi, address, val8);
}
void viPeek16(ViSession vi, ViAddr address, ViPUInt16 val16) {
    Peek(vi, address, val16);
}
void viPeek32(ViSession vi, ViAddr address, ViPUInt32 val32) {
    Peek(vi, address, val32);
}
void viPeek64(ViSession vi, ViAddr address, ViPUInt64 val64) {
    Peek(vi, address, val64);
}
void viPoke8(ViSession vi, ViAddr address, ViUInt8 val8) {
    Poke(vi, address, val8);
}
void viPoke16(ViSession vi, ViAddr address, ViUInt16 val16) {
    Poke(vi, address, val16);
}
void viPoke32(ViSession vi, ViAddr address, ViUInt32 val32) {
    Poke(vi, address, val32);
}
void viPoke64(ViSession vi, ViAddr address, ViUInt64 val64) {
    Poke(vi, address, val64);
}

} // extern "C"
