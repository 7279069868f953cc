// farlink.so as a client loads it: its entry points, self-registration, version record,
// creation by ProgID and, when the VISA stack and the simulated bench are built beside
// it, calls to the simulated instruments.
#include "com/creation.h"
#include "com/error_info.h"
#include "com/module.h"
#include "com/property_bag.h"
#include "driver/interfaces.h"
#include "platform/file_version.h"
#include "platform/registry.h"
#include "testsupport/sandbox.h"

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>

namespace corvid::driver {
namespace {

using platform::RegistryRoot;
using ::testing::ElementsAre;

const std::string kClassKey = "CLSID\\{ADF86D73-9285-11D1-AF74-0060B01A7E89}";
const std::string kCategory = "{2C69C3F6-ADA2-11D3-A6A7-00108301E2E0}";
const std::string kLibraryKey = "TypeLib\\{ADF86D63-9285-11D1-AF74-0060B01A7E89}";

std::string ModulePath() {
    return std::filesystem::canonical(FARLINK_MODULE).string();
}

void* LoadedModule() {
    static void* module = ::dlopen(ModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
    return module;
}

template <class Function>
Function EntryPoint(const char* name) {
    return reinterpret_cast<Function>(::dlsym(LoadedModule(), name));
}

HRESULT Register() {
    return EntryPoint<DllRegisterServerFunction>("DllRegisterServer")();
}

HRESULT Unregister() {
    return EntryPoint<DllUnregisterServerFunction>("DllUnregisterServer")();
}

// Every key and value of the classes root, one line each: "key" or "key | name = value".
std::set<std::string> ClassesEntries() {
    platform::RegistryKeyTree tree = platform::RegistrySnapshot(RegistryRoot::ClassesRoot);
    std::set<std::string> entries;
    std::vector<std::string> pending = tree.SubKeys("");
    while (!pending.empty()) {
        std::string key = pending.back();
        pending.pop_back();
        entries.insert(key);
        for (const auto& [name, value] : tree.Values(key))
            entries.insert(key + " | " + name + " = " + value.text);
        for (const std::string& child : tree.SubKeys(key))
            pending.push_back(key + "\\" + child);
    }
    return entries;
}

std::set<std::string> RegisteredEntries(const std::string& path) {
    std::string directory = std::filesystem::path(path).parent_path().string();
    return {
        "VisaGpib.VisaGpib.1",
        "VisaGpib.VisaGpib.1 |  = VisaGpib Class",
        "VisaGpib.VisaGpib.1\\CLSID",
        "VisaGpib.VisaGpib.1\\CLSID |  = {ADF86D73-9285-11D1-AF74-0060B01A7E89}",
        "VisaGpib.VisaGpib",
        "VisaGpib.VisaGpib |  = VisaGpib Class",
        "VisaGpib.VisaGpib\\CurVer",
        "VisaGpib.VisaGpib\\CurVer |  = VisaGpib.VisaGpib.1",
        "CLSID",
        kClassKey,
        kClassKey + " |  = VisaGpib Class",
        kClassKey + "\\ProgID",
        kClassKey + "\\ProgID |  = VisaGpib.VisaGpib.1",
        kClassKey + "\\VersionIndependentProgID",
        kClassKey + "\\VersionIndependentProgID |  = VisaGpib.VisaGpib",
        kClassKey + "\\Programmable",
        kClassKey + "\\InprocServer32",
        kClassKey + "\\InprocServer32 |  = " + path,
        kClassKey + "\\InprocServer32 | ThreadingModel = Apartment",
        kClassKey + "\\Implemented Categories",
        kClassKey + "\\Implemented Categories\\" + kCategory,
        "TypeLib",
        kLibraryKey,
        kLibraryKey + "\\1.0",
        kLibraryKey + "\\1.0 |  = fennel 1.0 Type Library",
        kLibraryKey + "\\1.0\\0",
        kLibraryKey + "\\1.0\\0\\win32",
        kLibraryKey + "\\1.0\\0\\win32 |  = " + path,
        kLibraryKey + "\\1.0\\FLAGS",
        kLibraryKey + "\\1.0\\FLAGS |  = 0",
        kLibraryKey + "\\1.0\\HELPDIR",
        kLibraryKey + "\\1.0\\HELPDIR |  = " + directory,
        "Component Categories",
        "Component Categories\\" + kCategory,
        "Component Categories\\" + kCategory + " | 409 = Corvid Halcyon IO Drivers",
    };
}

class Module : public testing::SandboxTest {
protected:
    void SetUp() override { ASSERT_NE(LoadedModule(), nullptr) << ::dlerror(); }
};

TEST_F(Module, ExportsTheFourEntryPointsAndTheVersionRecord) {
    for (const char* name :
         {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(::dlsym(LoadedModule(), name), nullptr) << name;
    auto version = platform::ReadFileVersion(ModulePath());
    ASSERT_TRUE(version);
    EXPECT_EQ(platform::FormatVersion(*version), "1.1.0.0");
    EXPECT_THAT(version->ProductVersion(), ElementsAre(1, 1, 0, 0));
}

TEST_F(Module, RegistrationWritesExactlyItsEntries) {
    ASSERT_EQ(Register(), S_OK);
    EXPECT_EQ(ClassesEntries(), RegisteredEntries(ModulePath()));
    // Registering again replaces the class key: still one, with the same entries.
    platform::RegistrySetString(RegistryRoot::ClassesRoot, kClassKey + "\\Stale", "", "x");
    ASSERT_EQ(Register(), S_OK);
    EXPECT_EQ(ClassesEntries(), RegisteredEntries(ModulePath()));
    auto classes = platform::RegistrySubKeys(RegistryRoot::ClassesRoot, "CLSID");
    EXPECT_EQ(classes.size(), 1u);
}

TEST_F(Module, UnregistrationKeepsTheCategory) {
    ASSERT_EQ(Register(), S_OK);
    ASSERT_EQ(Unregister(), S_OK);
    std::set<std::string> expected = {
        "CLSID",
        "TypeLib",
        "Component Categories",
        "Component Categories\\" + kCategory,
        "Component Categories\\" + kCategory + " | 409 = Corvid Halcyon IO Drivers",
    };
    std::set<std::string> left = ClassesEntries();
    // An empty TypeLib parent may or may not stay; nothing of the driver may.
    left.erase("TypeLib");
    expected.erase("TypeLib");
    EXPECT_EQ(left, expected);
    EXPECT_EQ(Unregister(), S_OK); // nothing left to remove is no failure
}

TEST_F(Module, CreationByProgIdAndTheUnloadCheck) {
    ComPtr<IGpib> gpib;
    EXPECT_EQ(CreateInstance(kVisaGpibProgId, gpib), CO_E_CLASSSTRING); // not registered yet
    ASSERT_EQ(Register(), S_OK);
    auto canUnload = EntryPoint<DllCanUnloadNowFunction>("DllCanUnloadNow");
    EXPECT_EQ(canUnload(), S_OK);
    ASSERT_EQ(CreateInstance(kVisaGpibVersionIndependentProgId, gpib), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(CLSID_VisaGpib, IClassFactory::iid, factory.OutVoid()), S_OK);
    factory->LockServer(1);
    gpib = nullptr;
    EXPECT_EQ(canUnload(), S_FALSE);
    factory->LockServer(0);
    factory = nullptr;
    EXPECT_EQ(canUnload(), S_OK);
}

// An ILog that keeps the entry texts.
class EntryLog final : public ComClass<EntryLog, ILog> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<EntryLog, ILog>(),
                                                   Entry<EntryLog, IDispatch, ILog>()};
        return table;
    }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT LogEntry(BSTR, BSTR entry, BSTR, BSTR result) override {
        texts.push_back(Utf8FromBstr(entry) + " " + Utf8FromBstr(result));
        return S_OK;
    }
    std::vector<std::string> texts;

private:
    ~EntryLog() override = default;
};

// The VISA stack with the simulated bench (GPIB0: multimeter at 22, calibrator at 5,
// counter at 10), found beside the module.
class SimulatedBench : public Module {
protected:
    void SetUp() override {
        Module::SetUp();
        std::filesystem::path directory = std::filesystem::path(ModulePath()).parent_path();
        if (!std::filesystem::exists(directory / "sbviio32.so") ||
            !std::filesystem::exists(directory / "simgpib.so"))
            GTEST_SKIP() << "the VISA I/O component or the simulated bench is not built";
        ASSERT_EQ(Register(), S_OK);
    }

    ComPtr<IInitializeGpib> Instrument(LONG primary, LONG board = 0) {
        ComPtr<IInitializeGpib> setup;
        EXPECT_EQ(CreateInstance(kVisaGpibProgId, setup), S_OK);
        ComPtr<IPropertyBag> bag = MakeMemoryPropertyBag();
        PropertyBagWrite(bag.get(), "InstanceName", Variant("bench"));
        PropertyBagWrite(bag.get(), "GpibBoardAddress", Variant(board));
        PropertyBagWrite(bag.get(), "GpibPrimaryAddress", Variant(primary));
        EXPECT_EQ(setup->InitializeData(bag.get()), S_OK);
        return setup;
    }

    static std::string Error() {
        auto details = TakeErrorDetails();
        return details ? details->description : "";
    }
};

TEST_F(SimulatedBench, QueriesTheMultimeterAndReadsItsStatus) {
    auto setup = Instrument(22);
    ComPtr<EntryLog> log = MakeObject<EntryLog>();
    ASSERT_EQ(setup->put_LogInterface(static_cast<ILog*>(log.get())), S_OK);
    ASSERT_EQ(setup->Initialize(), S_OK) << Error();
    ComPtr<IGpib> dmm = setup.As<IGpib>();
    Bstr identity;
    ASSERT_EQ(dmm->Query(Bstr("*IDN?").get(), identity.Out(), 256), S_OK) << Error();
    EXPECT_EQ(identity.Utf8(), "Larkspur Instruments,LM-4065,LK4065-01123,2.07\n");
    LONG number = -1;
    ASSERT_EQ(dmm->QueryInt32(Bstr("*TST?").get(), &number), S_OK) << Error();
    EXPECT_EQ(number, 0);
    ASSERT_EQ(dmm->SetTimeOut(3000), S_OK) << Error();
    ASSERT_EQ(dmm->SetTermChar('\n'), S_OK) << Error();
    ASSERT_EQ(dmm->TermCharOnOff(VARIANT_TRUE), S_OK) << Error();
    ASSERT_EQ(dmm->SendEndOnOff(VARIANT_TRUE), S_OK) << Error();
    DOUBLE volts = 1;
    ASSERT_EQ(dmm->QueryDouble(Bstr("MEAS:VOLT?").get(), &volts), S_OK) << Error();
    EXPECT_NEAR(volts, 0.0, 0.01); // the calibrator's output is off
    ASSERT_EQ(dmm->Clear(), S_OK) << Error();
    ASSERT_EQ(dmm->Trigger(), S_OK) << Error();
    ASSERT_EQ(dmm->EnableServiceRequestEvent(VARIANT_TRUE), S_OK) << Error();
    ASSERT_EQ(dmm->Write(Bstr("*SRE 32;*ESE 1;*OPC\n").get()), S_OK) << Error();
    ASSERT_EQ(dmm->WaitForServiceRequestEvent(5000), S_OK) << Error();
    BYTE stb = 0;
    ASSERT_EQ(dmm->ReadSTB(&stb), S_OK) << Error();
    EXPECT_EQ(stb & 0x20, 0x20);
    EXPECT_EQ(setup->Close(), S_OK);
    EXPECT_THAT(log->texts,
                ElementsAre("Initialize - viOpenDefaultRM PASSED", "Initialize - viOpen PASSED",
                            "Initialize - viLock PASSED", "Write : *IDN? PASSED",
                            "Read : Larkspur Instruments,LM-4065,LK4065-01123,2.07\n PASSED",
                            "Write : *TST? PASSED", "Read : 0\n PASSED", "SetTimeOut 3000 PASSED",
                            "SetTermChar PASSED", " TermCharOnOff On PASSED", "SendEndOnOff On PASSED",
                            "Write : MEAS:VOLT? PASSED", ::testing::StartsWith("Read : "), "Clear PASSED",
                            "Trigger PASSED", "EnableServiceRequestEvent PASSED",
                            "Write : *SRE 32;*ESE 1;*OPC\n PASSED", "WaitForServiceRequestEvent PASSED",
                            ::testing::StartsWith("ReadSTB : "), "Close - viUnlock PASSED",
                            "Close - viClose PASSED", "Close - viClose RM PASSED"));
}

TEST_F(SimulatedBench, RawReadsOfEveryElementTypeTakeTheReplyBytes) {
    auto setup = Instrument(10);
    ASSERT_EQ(setup->Initialize(), S_OK) << Error();
    ComPtr<IGpib> counter = setup.As<IGpib>();
    const std::string identity = "Orbis Metrology,FC-3120,OM3120-2291,4.01\n";
    using ReadRaw = HRESULT (IMessageIO::*)(SAFEARRAY**, LONG);
    const std::pair<ReadRaw, ULONG> reads[] = {{&IMessageIO::ReadRawDoubles, 8},
                                               {&IMessageIO::ReadRawFloats, 4},
                                               {&IMessageIO::ReadRaw8Bits, 1},
                                               {&IMessageIO::ReadRaw16Bits, 2},
                                               {&IMessageIO::ReadRaw32Bits, 4}};
    for (const auto& [read, size] : reads) {
        SCOPED_TRACE(size);
        ASSERT_EQ(counter->Write(Bstr("*IDN?").get()), S_OK) << Error();
        SafeArrayPtr array;
        ASSERT_EQ((counter.get()->*read)(array.Out(), 3), S_OK) << Error();
        ASSERT_EQ(SafeArrayElementCount(array.get()), 3u);
        void* data = nullptr;
        SafeArrayAccessData(array.get(), &data);
        EXPECT_EQ(std::string(static_cast<const char*>(data), 3 * size), identity.substr(0, 3 * size));
        SafeArrayUnaccessData(array.get());
        ASSERT_EQ(counter->Clear(), S_OK) << Error(); // drops the rest of the reply
    }
    DOUBLE frequency = 0;
    ASSERT_EQ(counter->QueryDouble(Bstr("MEAS:FREQ?").get(), &frequency), S_OK) << Error();
    EXPECT_NEAR(frequency, 1e7, 10);
}

TEST_F(SimulatedBench, AbsentBoardsAndInstruments) {
    auto setup = Instrument(7, 3); // there is no board 3
    EXPECT_EQ(setup->Initialize(), VISAGPIB_E_IO);
    EXPECT_NE(Error().find("[Message : Can't Open IO, bench (GPIB3::7)]"), std::string::npos);

    setup = Instrument(7); // nobody listens at 7
    ASSERT_EQ(setup->Initialize(), S_OK) << Error();
    EXPECT_EQ(setup.As<IGpib>()->Write(Bstr("*IDN?").get()), VISAGPIB_E_IO);
    EXPECT_NE(Error().find("[Message : GPIB Error: "), std::string::npos);
}

} // namespace
} // namespace corvid::driver
