// CTestInfo: the unit under test and the conditions of one calibration run, and its
// text file ("*.TestInfo").
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace corvid::operatoroutput {

struct CTestInfo {
    std::string Operator;
    std::string GeneralNotes; // lines separated by "\r\n"
    std::string ServiceOrderNumber;
    std::string CustomerName;
    std::string Station;
    std::string TPA;
    std::string TPV;
    std::time_t startTime = 0; // set when a run starts
    double Temperature = 0;
    double Humidity = 0;
    int32_t LineFrequency = 0;
    std::string SerialNumber;
    std::string UUT;
    std::string Options;
    std::string outputDirectory; // OutputPath, '/' and the model
    int32_t UUTModelID = -1;
    int32_t testPlanId = -1;
    int32_t stationId = -1;
    int32_t variantId = 0;
    int32_t UUTInstanceID = 0; // -1 when none
    int32_t applyUncertainty = 0;
};

// Whether the record's model, instance and serial number name a known unit.
using UutValidator = std::function<bool(int32_t model, int32_t instance, const std::string& serialNumber)>;

// Reads a TestInfo file into info (see the implementation for the rules); false when the
// file cannot be opened, the read fields then stay cleared. A unit the validator does not
// know loses its instance (-1), serial number and options.
bool ReadTestInfo(const std::string& path, CTestInfo& info, const UutValidator& isKnownUut);

// Creates or truncates the file and writes the record; false when it cannot be written.
bool WriteTestInfo(const std::string& path, const CTestInfo& info);

} // namespace corvid::operatoroutput
