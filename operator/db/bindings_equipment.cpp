#include "operatordb/bindings_equipment.h"

namespace corvid::operatordb {

DB_DevTypes::DB_DevTypes(DatabaseRef db) : RecordBinding(std::move(db), "[__sys_DeviceTypes]") {
    BindColumn("DeviceTypeID", DeviceTypeID);
    BindColumn("Model", Model);
    BindColumn("Alias", Alias);
    BindColumn("IconID", IconID);
    BindColumn("CalibrationInterval", CalibrationInterval);
    BindColumn("CalDataQuery", CalDataQuery);
    BindColumn("CopyDefaultCalDataQuery", CopyDefaultCalDataQuery);
    BindColumn("CalColumnsCount", CalColumnsCount);
    BindColumn("ProgID", ProgID);
    BindColumn("ValidIOs", ValidIOs);
    BindColumn("DefaultIOType", DefaultIOType);
    BindColumn("MultiComponent", MultiComponent);
}

DB_DevTypeUndetectableOptions::DB_DevTypeUndetectableOptions(DatabaseRef db)
    : RecordBinding(std::move(db), "[__sys_Device_has_UnDetectableOptions]") {
    BindColumn("DeviceTypeID", DeviceTypeID);
    BindColumn("DeviceOptionID", DeviceOptionID);
    BindColumn("Description", Description);
}

DB_InstancesAll::DB_InstancesAll(DatabaseRef db) : RecordBinding(std::move(db), "[DeviceInstances]") {
    BindColumn("InstanceID", InstanceID);
    BindColumn("DeviceTypeID", DeviceTypeID);
    BindColumn("SerialNumber", SerialNumber);
    BindColumn("Priority", Priority);
    BindColumn("LastCalibration", LastCalibration);
    BindColumn("TraceNumber", TraceNumber);
    BindColumn("Temporary", Temporary);
    BindColumn("UUTChecked", UUTChecked);
    BindColumn("InterfaceType", InterfaceType);
}

DB_InstanceOptions::DB_InstanceOptions(DatabaseRef db)
    : RecordBinding(std::move(db), "[DeviceInstance_has_Options]") {
    BindColumn("InstanceID", InstanceID);
    BindColumn("DeviceOptionID", DeviceOptionID);
    BindColumn("Undetectable", Undetectable);
}

DB_InterfaceTypes::DB_InterfaceTypes(DatabaseRef db)
    : RecordBinding(std::move(db), "[__sys_InterfaceTypes]") {
    BindColumn("InterfaceID", InterfaceID);
    BindColumn("Name", Name);
}

DB_InterfaceData_GPIB::DB_InterfaceData_GPIB(DatabaseRef db)
    : RecordBinding(std::move(db), "[InterfaceData_GPIB]") {
    BindColumn("InstanceID", InstanceID);
    BindColumn("TempInterface", TempInterface);
    BindColumn("Board", Board);
    BindColumn("Address1", Address1);
    BindColumn("Address2", Address2);
    BindColumn("Timeout", Timeout);
}

DB_InterfaceData_GPIB2::DB_InterfaceData_GPIB2(DatabaseRef db)
    : RecordBinding(std::move(db), "[__sys_InterfaceData_GPIB]") {
    BindColumn("DeviceTypeID", DeviceTypeID);
    BindColumn("Board", Board);
    BindColumn("Address1", Address1);
    BindColumn("Address2", Address2);
    BindColumn("Timeout", Timeout);
}

DB_InterfaceData_RS232::DB_InterfaceData_RS232(DatabaseRef db)
    : RecordBinding(std::move(db), "[InterfaceData_RS232]") {
    BindColumn("InstanceID", InstanceID);
    BindColumn("TempInterface", TempInterface);
    BindColumn("PortAddress", PortAddress);
    BindColumn("BaudRate", BaudRate);
    BindColumn("DataBits", DataBits);
    BindColumn("FlowControl", FlowControl);
    BindColumn("Parity", Parity);
    BindColumn("StopBits", StopBits);
}

DB_InterfaceData_RS2322::DB_InterfaceData_RS2322(DatabaseRef db)
    : RecordBinding(std::move(db), "[__sys_InterfaceData_RS232]") {
    BindColumn("DeviceTypeID", DeviceTypeID);
    BindColumn("PortAddress", PortAddress);
    BindColumn("BaudRate", BaudRate);
    BindColumn("DataBits", DataBits);
    BindColumn("FlowControl", FlowControl);
    BindColumn("Parity", Parity);
    BindColumn("StopBits", StopBits);
}

DB_InterfaceData_VXI::DB_InterfaceData_VXI(DatabaseRef db)
    : RecordBinding(std::move(db), "[InterfaceData_VXI]") {
    BindColumn("InstanceID", InstanceID);
    BindColumn("TempInterface", TempInterface);
    BindColumn("BoardAddress", BoardAddress);
    BindColumn("LogicalAddress", LogicalAddress);
}

DB_InterfaceData_VXI2::DB_InterfaceData_VXI2(DatabaseRef db)
    : RecordBinding(std::move(db), "[__sys_InterfaceData_VXI]") {
    BindColumn("DeviceTypeID", DeviceTypeID);
    BindColumn("BoardAddress", BoardAddress);
    BindColumn("LogicalAddress", LogicalAddress);
}

DB_InstancesInstalled::DB_InstancesInstalled(DatabaseRef db)
    : RecordBinding(std::move(db), "[qry_GUI_ModelInstances]") {
    BindColumn("InstanceID", InstanceID);
    BindColumn("SerialNumber", SerialNumber);
    BindParameter("TestStation_1", param.TestStation_1);
    BindParameter("TestStation_2", param.TestStation_2);
    BindParameter("DeviceType_1", param.DeviceType_1);
    BindParameter("DeviceType_2", param.DeviceType_2);
}

DB_InstanceAddlProps::DB_InstanceAddlProps(DatabaseRef db)
    : RecordBinding(std::move(db), "[qry_GUI_EquipProperties]") {
    BindColumn("InstanceID", InstanceID);
    BindColumn("DeviceProperty", DeviceProperty);
    BindColumn("ValueType", ValueType);
    BindColumn("Value", Value);
    BindParameter("Instance_ID", param.Instance_ID);
}

} // namespace corvid::operatordb
