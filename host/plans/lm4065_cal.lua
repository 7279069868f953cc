-- LM-4065 multimeter calibration on the demo bench.
--
-- The unit under test (UUT) is the multimeter at TestPlanGlobals.UUTAddress; the plan
-- drives the station's calibrator and frequency counter, which it finds as every plan
-- does: the station named in System.TestStationID, the instrument database named by the
-- configuration ("VELA SYSTEM" InputDataSource), and the equipment the database assigns
-- to this plan's device substitution groups (DSGs) on that station. Without a configured
-- database the plan uses the demo bench's addresses and says so in the trace.

local PLAN_FILE = "lm4065_cal.lua"
local UUT_MODEL = "LM-4065"
local DEFAULT_STATION = "Demo Bench"
local DEFAULT_ADDRESSES = { -- GPIB board and primary address of the demo bench
    ["DC Calibrator"] = {Board = 0, Address1 = 5, Address2 = 0},
    ["Frequency Counter"] = {Board = 0, Address1 = 10, Address2 = 0},
}

TestPlan {
    Name = "LM4065-CAL",
    Variants = {"Full Calibration", "Performance Check"},
    Globals = {
        ResultsDBName = "", UniqueID = "", ApplyMeasurementUncertainty = 0, TestDataDBName = "",
        CurrentTestID = 0, CurrentTestResult = 0,
        UUTAddress = 22, UUTSerial = "", UUTOptions = "",
    },
}

-- The station's equipment ------------------------------------------------------------

local bench = {} -- DSG name -> instrument object

local function InstrumentDatabase()
    local ok, path = pcall(ConfigValue, "VELA SYSTEM", "InputDataSource")
    if not ok then
        return nil, path
    elseif path == "" then
        return nil, "the configuration names no instrument database"
    end
    local file = io.open(path, "rb")
    if not file then
        return nil, "the instrument database " .. path .. " does not exist"
    end
    file:close()
    return path
end

local ASSIGNMENT = [[
    SELECT g.Board, g.Address1, g.Address2, i.SerialNumber
    FROM TestPlan_uses_Instances u
    JOIN TestStations s ON s.TestStationID = u.TestStationID
    JOIN __sys_TestPlans p ON p.TestPlanID = u.TestPlanID
    JOIN DeviceInstances i ON i.InstanceID = u.DeviceInstanceID
    JOIN InterfaceData_GPIB g ON g.InstanceID = i.InstanceID AND g.TempInterface <> 0
    WHERE s.Name = :station AND p.TPAFileName = :plan AND u.DeviceSubstitutionGroup = :dsg]]

local function Station()
    local station = System.TestStationID
    return station ~= "" and station or DEFAULT_STATION
end

-- The GPIB settings of the instrument assigned to a DSG on this station.
local function Assignment(dsg)
    local database, why = InstrumentDatabase()
    if not database then
        Trace("No instrument database (", why, "): ", dsg, " at its demo bench address")
        return DEFAULT_ADDRESSES[dsg]
    end
    local rows = QueryDatabase(database, ASSIGNMENT, {station = Station(), plan = PLAN_FILE, dsg = dsg})
    if #rows == 0 then
        error(string.format("the station \"%s\" has no GPIB instrument assigned to \"%s\"", Station(), dsg), 0)
    end
    return rows[1]
end

local function Open(name, board, primary, secondary)
    return CreateInstrument("VisaGpib.VisaGpib.1", {
        InstanceName = name, GpibBoardAddress = board, GpibPrimaryAddress = primary,
        GpibSecondaryAddress = secondary or 0,
    })
end

local function Equipment(dsg)
    if not bench[dsg] then
        local a = Assignment(dsg)
        Trace(string.format("%s: GPIB%d::%d%s", dsg, a.Board, a.Address1,
                            (a.Address2 or 0) ~= 0 and "::" .. a.Address2 or ""))
        bench[dsg] = Open(dsg, a.Board, a.Address1, a.Address2)
    end
    return bench[dsg]
end

local function Uut()
    if not bench.UUT then
        bench.UUT = Open("UUT", 0, TestPlanGlobals.UUTAddress)
    end
    return bench.UUT
end

local function Reading(instrument, query)
    return tonumber(instrument:Query(query, 256))
end

local function HasOption(option)
    for fitted in string.gmatch(TestPlanGlobals.UUTOptions, "[^,%s]+") do
        if fitted:upper() == option:upper() then
            return true
        end
    end
    return false
end

-- The options of the unit as the database records them for its serial number.
local function RecordedOptions(serial)
    local database = InstrumentDatabase()
    if not database then
        return nil
    end
    local rows = QueryDatabase(database, [[
        SELECT o.DeviceOptionID FROM DeviceInstance_has_Options o
        JOIN DeviceInstances i ON i.InstanceID = o.InstanceID
        JOIN __sys_DeviceTypes t ON t.DeviceTypeID = i.DeviceTypeID
        WHERE i.SerialNumber = :serial AND t.Alias = :model ORDER BY o.DeviceOptionID]],
        {serial = serial, model = UUT_MODEL})
    local options = {}
    for _, row in ipairs(rows) do
        options[#options + 1] = row.DeviceOptionID
    end
    return table.concat(options, ",")
end

-- Tolerance of a reading: parts of the reading plus parts of the range.
local function Limits(nominal, range, ofReading, ofRange)
    local tolerance = math.abs(nominal) * ofReading + range * ofRange
    return nominal - tolerance, nominal + tolerance
end

-- A test's verdict, also published in CurrentTestResult: with Apply Measurement
-- Uncertainty on, the operator interface judges every test by that variable.
local function Verdict(judgement)
    TestPlanGlobals.CurrentTestResult = judgement
    return judgement
end

-- The measurements' verdict.
local function Finish()
    return Verdict(Judgement())
end

local function Source(mode, level)
    local cal = Equipment("DC Calibrator")
    cal:Write(string.format("OUTP OFF;FUNC %s;%s %.6g;OUTP ON", mode, mode, level))
end

local function SourceOff()
    if bench["DC Calibrator"] then
        bench["DC Calibrator"]:Write("OUTP OFF")
    end
end

-- The tests --------------------------------------------------------------------------

Test("TestServicesStart", function()
    Report("Station: ", Station(), "   Variant: ", Variant())
    Equipment("DC Calibrator")
    if Variant() == "Full Calibration" or HasOption("OPT-FRQ") then
        Equipment("Frequency Counter")
    end
    SourceOff()
end)

Test("Identify", function()
    local identity = Uut():Query("*IDN?", 256)
    local maker, model, serial, firmware = identity:match("^([^,]*),([^,]*),([^,]*),([^,\r\n]*)")
    Report("UUT: ", (identity:gsub("%s+$", "")))
    if model ~= UUT_MODEL then
        Report("Expected an ", UUT_MODEL, ", found ", tostring(model))
        return Verdict(1)
    end
    TestPlanGlobals.UUTSerial = serial
    local options = RecordedOptions(serial)
    if options then
        TestPlanGlobals.UUTOptions = options
    end
    Report("Maker ", maker, ", firmware ", firmware, ", options: ",
           TestPlanGlobals.UUTOptions ~= "" and TestPlanGlobals.UUTOptions or "none")
    return Verdict(0)
end)

Test("Self Test", {Variants = {"Full Calibration"}}, function()
    local result = Uut():QueryInt32("*TST?")
    Report("Self-test result: ", result)
    return Verdict(result == 0 and 0 or 1)
end)

Test("Zero Offset", {Variants = {"Full Calibration"}}, function()
    SourceOff()
    local low, high = -5e-6, 5e-6
    Measure("DCV zero, 100 mV range", Reading(Uut(), "MEAS:VOLT:DC? 0.1"), low, high, "V")
    return Finish()
end)

Test("DC Voltage", function()
    Report("UUT serial ", TestPlanGlobals.UUTSerial)
    local points = Variant() == "Full Calibration" and {1, 5, 10, -10} or {10}
    for _, volts in ipairs(points) do
        Source("VOLT", volts)
        local low, high = Limits(volts, 10, 30e-6, 35e-6)
        Measure(string.format("DCV %+g V, 10 V range", volts), Reading(Uut(), "MEAS:VOLT:DC? 10"), low, high, "V")
    end
    SourceOff()
    return Finish()
end)

Test("DC Current", {Variants = {"Full Calibration"}}, function()
    for _, amps in ipairs({0.1, 1}) do
        Source("CURR", amps)
        local low, high = Limits(amps, 1, 500e-6, 50e-6)
        Measure(string.format("DCI %+g A, 1 A range", amps), Reading(Uut(), "MEAS:CURR:DC? 1"), low, high, "A")
    end
    SourceOff()
    return Finish()
end)

-- Only units with the 10 A range option.
Test("High Current", {Variants = {"Full Calibration"}}, function()
    if not HasOption("OPT-HC") then
        Report("Option OPT-HC not fitted: the 10 A range is not tested")
        return Verdict(0)
    end
    Source("CURR", 5)
    local low, high = Limits(5, 10, 1e-3, 100e-6)
    Measure("DCI +5 A, 10 A range", Reading(Uut(), "MEAS:CURR:DC? 10"), low, high, "A")
    SourceOff()
    return Finish()
end)

-- Only units with the frequency option: the 10 MHz reference at the frequency input,
-- checked against the station's counter.
Test("Frequency", function()
    if not HasOption("OPT-FRQ") then
        Report("Option OPT-FRQ not fitted: the frequency function is not tested")
        return Verdict(0)
    end
    local counter = Equipment("Frequency Counter")
    counter:Write("FREQ:APER 1")
    Measure("Reference 10 MHz", Reading(counter, "MEAS:FREQ?"), 10e6 - 1, 10e6 + 1, "Hz")
    return Finish()
end)

Test("TestServicesStop", function()
    SourceOff()
    for name, instrument in pairs(bench) do
        instrument:Close()
        bench[name] = nil
    end
end)
