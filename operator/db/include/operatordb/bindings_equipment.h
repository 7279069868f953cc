// Record bindings of equipment models, instances and their communication settings.
#pragma once

#include "operatordb/record_binding.h"

#include <cstdint>
#include <string>

namespace corvid::operatordb {

// [__sys_DeviceTypes]: One row per equipment model.
class DB_DevTypes : public RecordBinding {
public:
    explicit DB_DevTypes(DatabaseRef db);

    int32_t DeviceTypeID = 0;
    std::string Model;
    std::string Alias;
    int32_t IconID = 0;
    int32_t CalibrationInterval = 0;
    std::string CalDataQuery;
    std::string CopyDefaultCalDataQuery;
    int32_t CalColumnsCount = 0;
    std::string ProgID;
    int32_t ValidIOs = 0;
    int32_t DefaultIOType = 0;
    bool MultiComponent = false;
};

// [__sys_Device_has_UnDetectableOptions]: Per model, the options that must be declared.
class DB_DevTypeUndetectableOptions : public RecordBinding {
public:
    explicit DB_DevTypeUndetectableOptions(DatabaseRef db);

    int32_t DeviceTypeID = 0;
    std::string DeviceOptionID;
    std::string Description;
};

// [DeviceInstances]: One row per physical unit.
class DB_InstancesAll : public RecordBinding {
public:
    explicit DB_InstancesAll(DatabaseRef db);

    int32_t InstanceID = 0;
    int32_t DeviceTypeID = 0;
    std::string SerialNumber;
    uint8_t Priority = 0;
    std::string LastCalibration;
    std::string TraceNumber;
    bool Temporary = false;
    bool UUTChecked = false;
    int32_t InterfaceType = 0;
};

// [DeviceInstance_has_Options]: The options present in an instance.
class DB_InstanceOptions : public RecordBinding {
public:
    explicit DB_InstanceOptions(DatabaseRef db);

    int32_t InstanceID = 0;
    std::string DeviceOptionID;
    bool Undetectable = false;
};

// [__sys_InterfaceTypes]: Names of the interface types 1, 2, 4, 8.
class DB_InterfaceTypes : public RecordBinding {
public:
    explicit DB_InterfaceTypes(DatabaseRef db);

    int32_t InterfaceID = 0;
    std::string Name;
};

// [InterfaceData_GPIB]: An instance's GPIB settings: in use (TempInterface) or standing.
class DB_InterfaceData_GPIB : public RecordBinding {
public:
    explicit DB_InterfaceData_GPIB(DatabaseRef db);

    int32_t InstanceID = 0;
    bool TempInterface = false;
    uint8_t Board = 0;
    uint8_t Address1 = 0;
    uint8_t Address2 = 0;
    uint8_t Timeout = 0;
};

// [__sys_InterfaceData_GPIB]: A model's default GPIB settings.
class DB_InterfaceData_GPIB2 : public RecordBinding {
public:
    explicit DB_InterfaceData_GPIB2(DatabaseRef db);

    int32_t DeviceTypeID = 0;
    uint8_t Board = 0;
    uint8_t Address1 = 0;
    uint8_t Address2 = 0;
    uint8_t Timeout = 0;
};

// [InterfaceData_RS232]: An instance's serial settings: in use (TempInterface) or standing.
class DB_InterfaceData_RS232 : public RecordBinding {
public:
    explicit DB_InterfaceData_RS232(DatabaseRef db);

    int32_t InstanceID = 0;
    bool TempInterface = false;
    int32_t PortAddress = 0;
    int32_t BaudRate = 0;
    int32_t DataBits = 0;
    int32_t FlowControl = 0;
    int32_t Parity = 0;
    int32_t StopBits = 0;
};

// [__sys_InterfaceData_RS232]: A model's default serial settings.
class DB_InterfaceData_RS2322 : public RecordBinding {
public:
    explicit DB_InterfaceData_RS2322(DatabaseRef db);

    int32_t DeviceTypeID = 0;
    int32_t PortAddress = 0;
    int32_t BaudRate = 0;
    int32_t DataBits = 0;
    int32_t FlowControl = 0;
    int32_t Parity = 0;
    int32_t StopBits = 0;
};

// [InterfaceData_VXI]: An instance's VXI settings: in use (TempInterface) or standing.
class DB_InterfaceData_VXI : public RecordBinding {
public:
    explicit DB_InterfaceData_VXI(DatabaseRef db);

    int32_t InstanceID = 0;
    bool TempInterface = false;
    int32_t BoardAddress = 0;
    int32_t LogicalAddress = 0;
};

// [__sys_InterfaceData_VXI]: A model's default VXI settings.
class DB_InterfaceData_VXI2 : public RecordBinding {
public:
    explicit DB_InterfaceData_VXI2(DatabaseRef db);

    int32_t DeviceTypeID = 0;
    int32_t BoardAddress = 0;
    int32_t LogicalAddress = 0;
};

// [qry_GUI_ModelInstances]: Instances installed at a station in [TestStation_1, TestStation_2] of a model in
// [DeviceType_1, DeviceType_2]; pass 0 and 2147483647 for any.
class DB_InstancesInstalled : public RecordBinding {
public:
    explicit DB_InstancesInstalled(DatabaseRef db);

    int32_t InstanceID = 0;
    std::string SerialNumber;
    struct {
        int32_t TestStation_1 = 0;
        int32_t TestStation_2 = 0;
        int32_t DeviceType_1 = 0;
        int32_t DeviceType_2 = 0;
    } param;
};

// [qry_GUI_EquipProperties]: The additional properties of an instance.
class DB_InstanceAddlProps : public RecordBinding {
public:
    explicit DB_InstanceAddlProps(DatabaseRef db);

    int32_t InstanceID = 0;
    std::string DeviceProperty;
    std::string ValueType;
    std::string Value;
    struct {
        int32_t Instance_ID = 0;
    } param;
};

} // namespace corvid::operatordb
