// Calling a component's members by name from Lua, against the probe component.
#include "script_fixture.h"

namespace corvid::script::testing {
namespace {

using DispatchBinding = ScriptTest;

TEST_F(DispatchBinding, InArgumentsGoInOrderAndOutValuesComeBack) {
    Expect(R"lua(
        local p = CreateObject("Probe.Probe.1")
        assert(p:Echo("hé\0llo") == "hé\0llo")          -- [out] text, zero bytes kept
        assert(math.type(p:Add(40, 2)) == "integer" and p:Add(40, 2) == 42) -- retval
        local bytes = p:ReadBytes(3)                      -- [out] before [in]
        assert(#bytes == 3 and bytes[1] == 0 and bytes[3] == 2)
        assert(select("#", p:Leave()) == 2)               -- two outs the member left alone
        local text, number = p:Leave()
        assert(text == "" and number == 0)
    )lua");
}

TEST_F(DispatchBinding, PropertiesAreFields) {
    Expect(R"lua(
        local p = CreateObject("Probe.Probe.1")
        p.Name = "bench"
        assert(p.Name == "bench")
        assert(p.Count == 0)
        p.Flag = true
        assert(p.Flag == true)
        p.Flag = false
        assert(p.Flag == false)
        p.name = "any case"                               -- names ignore case, as in automation
        assert(p.NAME == "any case" and p:add(1, 1) == 2)
    )lua");
    EXPECT_EQ(ErrorOf("local p = CreateObject('Probe.Probe.1')\np.Count = 3"),
              "test:2: property 'Count' of IProbe is read-only");
}

TEST_F(DispatchBinding, VariantArgumentsKeepTheKindOfTheirLuaValue) {
    Expect(R"lua(
        local p = CreateObject("Probe.Probe.1")
        assert(p:Describe(5) == "vt 3: 5")
        assert(p:Describe(2.5) == "vt 5: 2.5")
        assert(p:Describe(2^40) == "vt 5: 1099511627776")   -- beyond 32 bits: a double
        assert(p:Describe(true) == "vt 11: True")
        assert(p:Describe("x") == "vt 8: x")
        assert(p:Describe(nil) == "vt 0: ")
        assert(p:Describe(p):find("^vt 9"))                  -- an object as IDispatch
    )lua");
}

TEST_F(DispatchBinding, FailureRaisesTheDescriptionOfTheErrorInformation) {
    EXPECT_EQ(ErrorOf("local p = CreateObject('Probe.Probe.1')\np:Fail('bus jammed')"),
              "test:2: [Message : bus jammed]");
    // Without error information the result says what went wrong.
    EXPECT_EQ(ErrorOf("local p = CreateObject('Probe.Probe.1')\np:Fail('')"),
              "test:2: Fail: Unspecified error (0x80004005)");
    // pcall sees the same text and the script goes on.
    Expect(R"lua(
        local p = CreateObject("Probe.Probe.1")
        local ok, message = pcall(function() p:Fail("first") end)
        assert(not ok and message:find("%[Message : first%]$"), message)
        assert(p:Add(1, 2) == 3)
    )lua");
}

TEST_F(DispatchBinding, MistakesInCallsAreLuaErrorsNamingTheMember) {
    const char* create = "local p = CreateObject('Probe.Probe.1')\n";
    auto error = [&](const char* line) {
        return ErrorOf(std::string(create) + line);
    };
    EXPECT_EQ(error("p:Add('x', 1)"), "test:2: bad argument #1 to 'Add' (integer expected, got string)");
    EXPECT_EQ(error("p:Add(1)"), "test:2: bad argument #2 to 'Add' (integer expected, got no value)");
    EXPECT_EQ(error("p:Add(1, 2, 3)"), "test:2: 'Add' takes 2 arguments, got 3");
    EXPECT_EQ(error("p:Add(2^31, 0)"),
              "test:2: bad argument #1 to 'Add' (value 2147483648 out of range for 32-bit integer)");
    EXPECT_EQ(error("p:Add(1.5, 0)"),
              "test:2: bad argument #1 to 'Add' (number has no integer representation)");
    EXPECT_EQ(error("p.Add(1, 2)"), "test:2: 'Add' is a method: call it as object:Add(...)");
    EXPECT_EQ(error("p:Launch()"), "test:2: 'Launch' is not a member of IProbe");
    EXPECT_EQ(error("p[1] = 2"), "test:2: member names are strings, not numbers");
    EXPECT_EQ(error("p:Describe(print)"),
              "test:2: bad argument #1 to 'Describe' (cannot pass a function to a component)");
}

TEST_F(DispatchBinding, PropertyBagsCarryTableValuesToComponents) {
    Expect(R"lua(
        local p = CreateObject("Probe.Probe.1")
        p:LoadSettings(PropertyBag{Name = "from bag", Count = "7", Flag = true})
        assert(p.Name == "from bag" and p.Count == 7 and p.Flag == true)
    )lua");
    EXPECT_EQ(ErrorOf("CreateObject('Probe.Probe.1'):LoadSettings(PropertyBag{Name = 'x'})"),
              "test:1: [Message : Unable to read property]");
    EXPECT_EQ(ErrorOf("PropertyBag{[1] = 'x'}"),
              "test:1: bad argument #1 to 'PropertyBag' (property names are strings, not numbers)");
}

TEST_F(DispatchBinding, ObjectsCompareByIdentityAndSurviveBeingPassedAround) {
    Expect(R"lua(
        local a, b = CreateObject("Probe.Probe.1"), CreateObject("Probe.Probe.1")
        assert(a ~= b and a == a)
        assert(tostring(a):find("^IProbe object"))
        local t = {a}
        collectgarbage()
        assert(t[1]:Add(1, 1) == 2)
    )lua");
}

TEST_F(DispatchBinding, CreationFailuresSayWhy) {
    EXPECT_EQ(ErrorOf("CreateObject('No.Such.Thing.1')"),
              "test:1: The ProgID \"No.Such.Thing.1\" is not registered");
    EXPECT_EQ(ErrorOf("CreateObject('{00000000-1111-2222-3333-444444444444}')"),
              "test:1: The class {00000000-1111-2222-3333-444444444444} is not registered");
    EXPECT_EQ(ErrorOf("CreateObject()"),
              "test:1: bad argument #1 to 'CreateObject' (string expected, got no value)");
}

} // namespace
} // namespace corvid::script::testing
