// The demo unit model's UUT configuration component "DemoUut.LM4065.1": it identifies the
// unit on the bench over GPIB and records it and its fitted options in the instrument
// database.
#pragma once

#include "com/dispatch.h"
#include "operatortabs/uut_configuration.h"

namespace corvid::demouut {

using namespace corvid::com;

inline constexpr CLSID CLSID_DemoUut = MakeGuid("{9CB77C9E-CBB2-469C-9AE1-B68B5D175071}");
inline constexpr GUID LIBID_DemoUut = MakeGuid("{46A6FED1-2340-4A2D-97C0-0D41BF48CC48}");
inline constexpr const char* kDemoUutProgId = "DemoUut.LM4065.1";

// The interface itself belongs to the operator interface, which drives it.
using operatortabs::IUutConfiguration;
using operatortabs::kDispClose;
using operatortabs::kDispConfigure;
using operatortabs::kDispGetInstanceID;
using operatortabs::kDispGetSerialNumber;
using operatortabs::kDispInitialize;

} // namespace corvid::demouut
