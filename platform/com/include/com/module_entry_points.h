// The four exported entry points of a component module whose classes are all made by the
// class objects of one table and registered by one server registration:
//
//   CORVID_COM_MODULE_ENTRY_POINTS(corvid::velaconfig::kClassObjects, corvid::velaconfig::kServer)
//
// at file scope, outside any namespace. Nothing thrown inside crosses them.
#pragma once

#include "com/module.h"
#include "com/registration.h"

#define CORVID_COM_MODULE_ENTRY_POINTS(classObjects, server)                                                 \
    CORVID_COM_EXPORT ::corvid::com::HRESULT DllGetClassObject(::corvid::com::REFCLSID clsid,                \
                                                               ::corvid::com::REFIID iid, void** object) {   \
        return ::corvid::com::GetClassObjectFromTable(classObjects, clsid, iid, object);                     \
    }                                                                                                        \
    CORVID_COM_EXPORT ::corvid::com::HRESULT DllCanUnloadNow() {                                             \
        return ::corvid::com::ModuleCounts::CanUnloadNow();                                                  \
    }                                                                                                        \
    CORVID_COM_EXPORT ::corvid::com::HRESULT DllRegisterServer() {                                           \
        try {                                                                                                \
            return ::corvid::com::RegisterServer(server, ::corvid::com::ThisModulePath());                   \
        } catch (...) {                                                                                      \
            return ::corvid::com::E_UNEXPECTED;                                                              \
        }                                                                                                    \
    }                                                                                                        \
    CORVID_COM_EXPORT ::corvid::com::HRESULT DllUnregisterServer() {                                         \
        try {                                                                                                \
            return ::corvid::com::UnregisterServer(server);                                                  \
        } catch (...) {                                                                                      \
            return ::corvid::com::E_UNEXPECTED;                                                              \
        }                                                                                                    \
    }
