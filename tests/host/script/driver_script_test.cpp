// A script drives the GPIB driver (farlink.so) against the simulated bench, when the
// driver, the VISA stack and the simulator are part of the build.
#include "com/module.h"
#include "script_fixture.h"

#include <dlfcn.h>

namespace corvid::script::testing {
namespace {

class ScriptWithDriver : public ScriptTest {
protected:
    void SetUp() override {
#ifndef FARLINK_MODULE
        GTEST_SKIP() << "the driver, the VISA stack or the simulated bench is not built";
#else
        ScriptTest::SetUp();
        void* module = ::dlopen(FARLINK_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << ::dlerror();
        auto registerServer =
            reinterpret_cast<com::DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
        ASSERT_NE(registerServer, nullptr);
        ASSERT_EQ(registerServer(), com::S_OK);
#endif
    }
};

// The demo bench: a multimeter at GPIB0::22, nobody at 7.
TEST_F(ScriptWithDriver, InitialisesFromABagQueriesAndCloses) {
    Expect(R"lua(
        local log = {}
        local dmm = CreateInstrument("VisaGpib.VisaGpib.1",
            {InstanceName = "DMM", GpibBoardAddress = 0, GpibPrimaryAddress = 22}, log)
        assert(dmm:Query("*IDN?", 256):find("^Larkspur Instruments,LM%-4065"))
        assert(dmm:QueryInt32("*TST?") == 0)
        dmm:SetTimeOut(3000)
        assert(dmm.TimeOut == 3000)
        dmm:Clear()
        dmm:EnableServiceRequestEvent(true)
        dmm:Write("*SRE 32;*ESE 1;*OPC\n")
        dmm:WaitForServiceRequestEvent(5000)
        assert(dmm:ReadSTB() & 0x20 == 0x20)
        dmm:Write("*IDN?")
        assert(#dmm:ReadRaw8Bits(5) == 5)
        dmm:Close()
        local entries = {}
        for i, e in ipairs(log) do entries[i] = e.Entry end
        assert(entries[1] == "Initialize - viOpenDefaultRM" and entries[2] == "Initialize - viOpen")
        assert(entries[3] == "Initialize - viLock" and entries[4] == "Write : *IDN?")
        assert(entries[#entries] == "Close - viClose RM" and log[1].LogName == "DMM (GPIB0::22)")
    )lua");
}

TEST_F(ScriptWithDriver, DriverFailuresRaiseTheirDescription) {
    std::string message = ErrorOf(R"lua(
        local dmm = CreateInstrument("VisaGpib.VisaGpib.1",
            {InstanceName = "DMM", GpibBoardAddress = 0, GpibPrimaryAddress = 22})
        dmm:Read(-1)
    )lua");
    EXPECT_NE(message.find("test:4: [Command : CVisaGpib::Read] [Date : "), std::string::npos) << message;
    EXPECT_NE(message.find("[Message : Can't Read a negative amount of Data]"), std::string::npos) << message;
    message = ErrorOf("CreateInstrument('VisaGpib.VisaGpib.1', {InstanceName = 'X', GpibBoardAddress = 0})");
    EXPECT_NE(message.find("[Message : Unable to retrive object property]"), std::string::npos) << message;
}

} // namespace
} // namespace corvid::script::testing
