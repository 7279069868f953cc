-- The cost of one Write and one Query through IDispatch from Lua against the simulated
-- multimeter. Usage: ascript dispatch_bench.lua [COUNT] [LABEL]
local count = tonumber(arg[1] or 2000)
local label = arg[2] or "lua"
local dmm <close> = CreateInstrument("VisaGpib.VisaGpib.1",
    {InstanceName = "DMM", GpibBoardAddress = 0, GpibPrimaryAddress = 22})

local function measure(call, body)
    for _ = 1, count // 10 + 1 do body() end -- warm up
    local start = clock()
    for _ = 1, count do body() end
    print(string.format('{"path":"%s","call":"%s","us":%.2f}', label, call, (clock() - start) / count * 1e6))
end

measure("Write", function() dmm:Write("*CLS\n") end)
measure("Query", function() dmm:Query("*IDN?", 256) end)
