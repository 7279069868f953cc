// The attributes and event types the library knows, with their value types.
#include "visa/names.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace corvid::visa {
namespace {

constexpr std::array kAttributes{
    // clang-format off
    AttributeInfo{VI_ATTR_RSRC_IMPL_VERSION, "VI_ATTR_RSRC_IMPL_VERSION", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_RSRC_LOCK_STATE, "VI_ATTR_RSRC_LOCK_STATE", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_MAX_QUEUE_LENGTH, "VI_ATTR_MAX_QUEUE_LENGTH", AttributeType::UInt32, false},
    AttributeInfo{VI_ATTR_USER_DATA_32, "VI_ATTR_USER_DATA_32", AttributeType::UInt32, false},
    AttributeInfo{VI_ATTR_USER_DATA_64, "VI_ATTR_USER_DATA_64", AttributeType::UInt64, false},
    AttributeInfo{VI_ATTR_FDC_CHNL, "VI_ATTR_FDC_CHNL", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_FDC_MODE, "VI_ATTR_FDC_MODE", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_FDC_GEN_SIGNAL_EN, "VI_ATTR_FDC_GEN_SIGNAL_EN", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_FDC_USE_PAIR, "VI_ATTR_FDC_USE_PAIR", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_SEND_END_EN, "VI_ATTR_SEND_END_EN", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_TERMCHAR, "VI_ATTR_TERMCHAR", AttributeType::UInt8, false},
    AttributeInfo{VI_ATTR_TMO_VALUE, "VI_ATTR_TMO_VALUE", AttributeType::UInt32, false},
    AttributeInfo{VI_ATTR_GPIB_READDR_EN, "VI_ATTR_GPIB_READDR_EN", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_IO_PROT, "VI_ATTR_IO_PROT", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_DMA_ALLOW_EN, "VI_ATTR_DMA_ALLOW_EN", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_ASRL_BAUD, "VI_ATTR_ASRL_BAUD", AttributeType::UInt32, false},
    AttributeInfo{VI_ATTR_ASRL_DATA_BITS, "VI_ATTR_ASRL_DATA_BITS", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_ASRL_PARITY, "VI_ATTR_ASRL_PARITY", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_ASRL_STOP_BITS, "VI_ATTR_ASRL_STOP_BITS", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_ASRL_FLOW_CNTRL, "VI_ATTR_ASRL_FLOW_CNTRL", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_RD_BUF_OPER_MODE, "VI_ATTR_RD_BUF_OPER_MODE", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_RD_BUF_SIZE, "VI_ATTR_RD_BUF_SIZE", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_WR_BUF_OPER_MODE, "VI_ATTR_WR_BUF_OPER_MODE", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_WR_BUF_SIZE, "VI_ATTR_WR_BUF_SIZE", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_SUPPRESS_END_EN, "VI_ATTR_SUPPRESS_END_EN", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_TERMCHAR_EN, "VI_ATTR_TERMCHAR_EN", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_DEST_ACCESS_PRIV, "VI_ATTR_DEST_ACCESS_PRIV", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_DEST_BYTE_ORDER, "VI_ATTR_DEST_BYTE_ORDER", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_SRC_ACCESS_PRIV, "VI_ATTR_SRC_ACCESS_PRIV", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_SRC_BYTE_ORDER, "VI_ATTR_SRC_BYTE_ORDER", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_SRC_INCREMENT, "VI_ATTR_SRC_INCREMENT", AttributeType::Int32, false},
    AttributeInfo{VI_ATTR_DEST_INCREMENT, "VI_ATTR_DEST_INCREMENT", AttributeType::Int32, false},
    AttributeInfo{VI_ATTR_WIN_ACCESS_PRIV, "VI_ATTR_WIN_ACCESS_PRIV", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_WIN_BYTE_ORDER, "VI_ATTR_WIN_BYTE_ORDER", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_GPIB_ATN_STATE, "VI_ATTR_GPIB_ATN_STATE", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_GPIB_ADDR_STATE, "VI_ATTR_GPIB_ADDR_STATE", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_GPIB_CIC_STATE, "VI_ATTR_GPIB_CIC_STATE", AttributeType::Boolean, true},
    AttributeInfo{VI_ATTR_GPIB_NDAC_STATE, "VI_ATTR_GPIB_NDAC_STATE", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_GPIB_SRQ_STATE, "VI_ATTR_GPIB_SRQ_STATE", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_GPIB_SYS_CNTRL_STATE, "VI_ATTR_GPIB_SYS_CNTRL_STATE", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_GPIB_HS488_CBL_LEN, "VI_ATTR_GPIB_HS488_CBL_LEN", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_CMDR_LA, "VI_ATTR_CMDR_LA", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_VXI_DEV_CLASS, "VI_ATTR_VXI_DEV_CLASS", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_MAINFRAME_LA, "VI_ATTR_MAINFRAME_LA", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_VXI_VME_INTR_STATUS, "VI_ATTR_VXI_VME_INTR_STATUS", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_VXI_TRIG_STATUS, "VI_ATTR_VXI_TRIG_STATUS", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_VXI_VME_SYSFAIL_STATE, "VI_ATTR_VXI_VME_SYSFAIL_STATE", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_WIN_BASE_ADDR_32, "VI_ATTR_WIN_BASE_ADDR_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_WIN_SIZE, "VI_ATTR_WIN_SIZE", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_WIN_BASE_ADDR_64, "VI_ATTR_WIN_BASE_ADDR_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_ASRL_AVAIL_NUM, "VI_ATTR_ASRL_AVAIL_NUM", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_MEM_BASE_32, "VI_ATTR_MEM_BASE_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_ASRL_CTS_STATE, "VI_ATTR_ASRL_CTS_STATE", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_ASRL_DCD_STATE, "VI_ATTR_ASRL_DCD_STATE", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_ASRL_DISCARD_NULL, "VI_ATTR_ASRL_DISCARD_NULL", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_ASRL_DSR_STATE, "VI_ATTR_ASRL_DSR_STATE", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_ASRL_DTR_STATE, "VI_ATTR_ASRL_DTR_STATE", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_ASRL_END_IN, "VI_ATTR_ASRL_END_IN", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_ASRL_END_OUT, "VI_ATTR_ASRL_END_OUT", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_ASRL_REPLACE_CHAR, "VI_ATTR_ASRL_REPLACE_CHAR", AttributeType::UInt8, false},
    AttributeInfo{VI_ATTR_ASRL_RI_STATE, "VI_ATTR_ASRL_RI_STATE", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_ASRL_RTS_STATE, "VI_ATTR_ASRL_RTS_STATE", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_ASRL_XON_CHAR, "VI_ATTR_ASRL_XON_CHAR", AttributeType::UInt8, false},
    AttributeInfo{VI_ATTR_ASRL_XOFF_CHAR, "VI_ATTR_ASRL_XOFF_CHAR", AttributeType::UInt8, false},
    AttributeInfo{VI_ATTR_WIN_ACCESS, "VI_ATTR_WIN_ACCESS", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_RM_SESSION, "VI_ATTR_RM_SESSION", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_MEM_BASE_64, "VI_ATTR_MEM_BASE_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_MEM_SIZE_64, "VI_ATTR_MEM_SIZE_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_VXI_LA, "VI_ATTR_VXI_LA", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_MANF_ID, "VI_ATTR_MANF_ID", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_MEM_SIZE_32, "VI_ATTR_MEM_SIZE_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_MEM_SPACE, "VI_ATTR_MEM_SPACE", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_MODEL_CODE, "VI_ATTR_MODEL_CODE", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_SLOT, "VI_ATTR_SLOT", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_IMMEDIATE_SERV, "VI_ATTR_IMMEDIATE_SERV", AttributeType::Boolean, true},
    AttributeInfo{VI_ATTR_INTF_PARENT_NUM, "VI_ATTR_INTF_PARENT_NUM", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_RSRC_SPEC_VERSION, "VI_ATTR_RSRC_SPEC_VERSION", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_INTF_TYPE, "VI_ATTR_INTF_TYPE", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_GPIB_PRIMARY_ADDR, "VI_ATTR_GPIB_PRIMARY_ADDR", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_GPIB_SECONDARY_ADDR, "VI_ATTR_GPIB_SECONDARY_ADDR", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_RSRC_MANF_ID, "VI_ATTR_RSRC_MANF_ID", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_INTF_NUM, "VI_ATTR_INTF_NUM", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_TRIG_ID, "VI_ATTR_TRIG_ID", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_GPIB_REN_STATE, "VI_ATTR_GPIB_REN_STATE", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_GPIB_UNADDR_EN, "VI_ATTR_GPIB_UNADDR_EN", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_DEV_STATUS_BYTE, "VI_ATTR_DEV_STATUS_BYTE", AttributeType::UInt8, false},
    AttributeInfo{VI_ATTR_FILE_APPEND_EN, "VI_ATTR_FILE_APPEND_EN", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_VXI_TRIG_SUPPORT, "VI_ATTR_VXI_TRIG_SUPPORT", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_TCPIP_PORT, "VI_ATTR_TCPIP_PORT", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_TCPIP_NODELAY, "VI_ATTR_TCPIP_NODELAY", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_TCPIP_KEEPALIVE, "VI_ATTR_TCPIP_KEEPALIVE", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_4882_COMPLIANT, "VI_ATTR_4882_COMPLIANT", AttributeType::Boolean, true},
    AttributeInfo{VI_ATTR_USB_INTFC_NUM, "VI_ATTR_USB_INTFC_NUM", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_USB_BULK_OUT_PIPE, "VI_ATTR_USB_BULK_OUT_PIPE", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_USB_BULK_IN_PIPE, "VI_ATTR_USB_BULK_IN_PIPE", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_USB_INTR_IN_PIPE, "VI_ATTR_USB_INTR_IN_PIPE", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_USB_CLASS, "VI_ATTR_USB_CLASS", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_USB_SUBCLASS, "VI_ATTR_USB_SUBCLASS", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_USB_PROTOCOL, "VI_ATTR_USB_PROTOCOL", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_USB_ALT_SETTING, "VI_ATTR_USB_ALT_SETTING", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_USB_END_IN, "VI_ATTR_USB_END_IN", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_USB_NUM_INTFCS, "VI_ATTR_USB_NUM_INTFCS", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_USB_NUM_PIPES, "VI_ATTR_USB_NUM_PIPES", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_USB_BULK_OUT_STATUS, "VI_ATTR_USB_BULK_OUT_STATUS", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_USB_BULK_IN_STATUS, "VI_ATTR_USB_BULK_IN_STATUS", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_USB_INTR_IN_STATUS, "VI_ATTR_USB_INTR_IN_STATUS", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_USB_MAX_INTR_SIZE, "VI_ATTR_USB_MAX_INTR_SIZE", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_USB_CTRL_PIPE, "VI_ATTR_USB_CTRL_PIPE", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_ASRL_CONNECTED, "VI_ATTR_ASRL_CONNECTED", AttributeType::Boolean, true},
    AttributeInfo{VI_ATTR_ASRL_BREAK_STATE, "VI_ATTR_ASRL_BREAK_STATE", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_ASRL_BREAK_LEN, "VI_ATTR_ASRL_BREAK_LEN", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_ASRL_ALLOW_TRANSMIT, "VI_ATTR_ASRL_ALLOW_TRANSMIT", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_PXI_DEV_NUM, "VI_ATTR_PXI_DEV_NUM", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_PXI_FUNC_NUM, "VI_ATTR_PXI_FUNC_NUM", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_PXI_BUS_NUM, "VI_ATTR_PXI_BUS_NUM", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_PXI_CHASSIS, "VI_ATTR_PXI_CHASSIS", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_PXI_SLOT_LBUS_LEFT, "VI_ATTR_PXI_SLOT_LBUS_LEFT", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_PXI_SLOT_LBUS_RIGHT, "VI_ATTR_PXI_SLOT_LBUS_RIGHT", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_PXI_TRIG_BUS, "VI_ATTR_PXI_TRIG_BUS", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_PXI_STAR_TRIG_BUS, "VI_ATTR_PXI_STAR_TRIG_BUS", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_PXI_STAR_TRIG_LINE, "VI_ATTR_PXI_STAR_TRIG_LINE", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_PXI_SRC_TRIG_BUS, "VI_ATTR_PXI_SRC_TRIG_BUS", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_PXI_DEST_TRIG_BUS, "VI_ATTR_PXI_DEST_TRIG_BUS", AttributeType::Int16, false},
    AttributeInfo{VI_ATTR_PXI_MEM_TYPE_BAR0, "VI_ATTR_PXI_MEM_TYPE_BAR0", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_PXI_MEM_TYPE_BAR1, "VI_ATTR_PXI_MEM_TYPE_BAR1", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_PXI_MEM_TYPE_BAR2, "VI_ATTR_PXI_MEM_TYPE_BAR2", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_PXI_MEM_TYPE_BAR3, "VI_ATTR_PXI_MEM_TYPE_BAR3", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_PXI_MEM_TYPE_BAR4, "VI_ATTR_PXI_MEM_TYPE_BAR4", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_PXI_MEM_TYPE_BAR5, "VI_ATTR_PXI_MEM_TYPE_BAR5", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR0_32, "VI_ATTR_PXI_MEM_BASE_BAR0_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR1_32, "VI_ATTR_PXI_MEM_BASE_BAR1_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR2_32, "VI_ATTR_PXI_MEM_BASE_BAR2_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR3_32, "VI_ATTR_PXI_MEM_BASE_BAR3_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR4_32, "VI_ATTR_PXI_MEM_BASE_BAR4_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR5_32, "VI_ATTR_PXI_MEM_BASE_BAR5_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR0_64, "VI_ATTR_PXI_MEM_BASE_BAR0_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR1_64, "VI_ATTR_PXI_MEM_BASE_BAR1_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR2_64, "VI_ATTR_PXI_MEM_BASE_BAR2_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR3_64, "VI_ATTR_PXI_MEM_BASE_BAR3_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR4_64, "VI_ATTR_PXI_MEM_BASE_BAR4_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_BASE_BAR5_64, "VI_ATTR_PXI_MEM_BASE_BAR5_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR0_32, "VI_ATTR_PXI_MEM_SIZE_BAR0_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR1_32, "VI_ATTR_PXI_MEM_SIZE_BAR1_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR2_32, "VI_ATTR_PXI_MEM_SIZE_BAR2_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR3_32, "VI_ATTR_PXI_MEM_SIZE_BAR3_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR4_32, "VI_ATTR_PXI_MEM_SIZE_BAR4_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR5_32, "VI_ATTR_PXI_MEM_SIZE_BAR5_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR0_64, "VI_ATTR_PXI_MEM_SIZE_BAR0_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR1_64, "VI_ATTR_PXI_MEM_SIZE_BAR1_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR2_64, "VI_ATTR_PXI_MEM_SIZE_BAR2_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR3_64, "VI_ATTR_PXI_MEM_SIZE_BAR3_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR4_64, "VI_ATTR_PXI_MEM_SIZE_BAR4_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_MEM_SIZE_BAR5_64, "VI_ATTR_PXI_MEM_SIZE_BAR5_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_PXI_IS_EXPRESS, "VI_ATTR_PXI_IS_EXPRESS", AttributeType::Boolean, true},
    AttributeInfo{VI_ATTR_PXI_SLOT_LWIDTH, "VI_ATTR_PXI_SLOT_LWIDTH", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_PXI_MAX_LWIDTH, "VI_ATTR_PXI_MAX_LWIDTH", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_PXI_ACTUAL_LWIDTH, "VI_ATTR_PXI_ACTUAL_LWIDTH", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_PXI_DSTAR_BUS, "VI_ATTR_PXI_DSTAR_BUS", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_PXI_DSTAR_SET, "VI_ATTR_PXI_DSTAR_SET", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_TCPIP_HISLIP_OVERLAP_EN, "VI_ATTR_TCPIP_HISLIP_OVERLAP_EN", AttributeType::Boolean, false},
    AttributeInfo{VI_ATTR_TCPIP_HISLIP_VERSION, "VI_ATTR_TCPIP_HISLIP_VERSION", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_TCPIP_HISLIP_MAX_MESSAGE_KB, "VI_ATTR_TCPIP_HISLIP_MAX_MESSAGE_KB", AttributeType::UInt32, false},
    AttributeInfo{VI_ATTR_TCPIP_IS_HISLIP, "VI_ATTR_TCPIP_IS_HISLIP", AttributeType::Boolean, true},
    AttributeInfo{VI_ATTR_JOB_ID, "VI_ATTR_JOB_ID", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_EVENT_TYPE, "VI_ATTR_EVENT_TYPE", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_SIGP_STATUS_ID, "VI_ATTR_SIGP_STATUS_ID", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_RECV_TRIG_ID, "VI_ATTR_RECV_TRIG_ID", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_INTR_STATUS_ID, "VI_ATTR_INTR_STATUS_ID", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_STATUS, "VI_ATTR_STATUS", AttributeType::Int32, true},
    AttributeInfo{VI_ATTR_RET_COUNT_32, "VI_ATTR_RET_COUNT_32", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_BUFFER, "VI_ATTR_BUFFER", AttributeType::Address, true},
    AttributeInfo{VI_ATTR_RET_COUNT_64, "VI_ATTR_RET_COUNT_64", AttributeType::UInt64, true},
    AttributeInfo{VI_ATTR_RECV_INTR_LEVEL, "VI_ATTR_RECV_INTR_LEVEL", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_VXI_TRIG_LINES_EN, "VI_ATTR_VXI_TRIG_LINES_EN", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_VXI_TRIG_DIR, "VI_ATTR_VXI_TRIG_DIR", AttributeType::UInt16, false},
    AttributeInfo{VI_ATTR_GPIB_RECV_CIC_STATE, "VI_ATTR_GPIB_RECV_CIC_STATE", AttributeType::Boolean, true},
    AttributeInfo{VI_ATTR_USB_RECV_INTR_SIZE, "VI_ATTR_USB_RECV_INTR_SIZE", AttributeType::UInt16, true},
    AttributeInfo{VI_ATTR_PXI_RECV_INTR_SEQ, "VI_ATTR_PXI_RECV_INTR_SEQ", AttributeType::Int16, true},
    AttributeInfo{VI_ATTR_PXI_RECV_INTR_DATA, "VI_ATTR_PXI_RECV_INTR_DATA", AttributeType::UInt32, true},
    AttributeInfo{VI_ATTR_RSRC_CLASS, "VI_ATTR_RSRC_CLASS", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_RSRC_NAME, "VI_ATTR_RSRC_NAME", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_MANF_NAME, "VI_ATTR_MANF_NAME", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_MODEL_NAME, "VI_ATTR_MODEL_NAME", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_INTF_INST_NAME, "VI_ATTR_INTF_INST_NAME", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_RSRC_MANF_NAME, "VI_ATTR_RSRC_MANF_NAME", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_TCPIP_ADDR, "VI_ATTR_TCPIP_ADDR", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_TCPIP_HOSTNAME, "VI_ATTR_TCPIP_HOSTNAME", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_TCPIP_DEVICE_NAME, "VI_ATTR_TCPIP_DEVICE_NAME", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_USB_SERIAL_NUM, "VI_ATTR_USB_SERIAL_NUM", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_PXI_SLOTPATH, "VI_ATTR_PXI_SLOTPATH", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_OPER_NAME, "VI_ATTR_OPER_NAME", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_RECV_TCPIP_ADDR, "VI_ATTR_RECV_TCPIP_ADDR", AttributeType::Text, true},
    AttributeInfo{VI_ATTR_USB_RECV_INTR_DATA, "VI_ATTR_USB_RECV_INTR_DATA", AttributeType::Address, true},
    // clang-format on
};

struct EventText {
    ViEventType type;
    std::string_view name;
};

#define EVENT(name)                                                                                          \
    EventText {                                                                                              \
        name, #name                                                                                          \
    }
constexpr std::array kEvents{
    EVENT(VI_EVENT_IO_COMPLETION),   EVENT(VI_EVENT_TRIG),
    EVENT(VI_EVENT_SERVICE_REQ),     EVENT(VI_EVENT_CLEAR),
    EVENT(VI_EVENT_EXCEPTION),       EVENT(VI_EVENT_GPIB_CIC),
    EVENT(VI_EVENT_GPIB_TALK),       EVENT(VI_EVENT_GPIB_LISTEN),
    EVENT(VI_EVENT_VXI_VME_SYSFAIL), EVENT(VI_EVENT_VXI_VME_SYSRESET),
    EVENT(VI_EVENT_VXI_SIGP),        EVENT(VI_EVENT_VXI_VME_INTR),
    EVENT(VI_EVENT_PXI_INTR),        EVENT(VI_EVENT_TCPIP_CONNECT),
    EVENT(VI_EVENT_USB_INTR),        EVENT(VI_ALL_ENABLED_EVENTS),
};
#undef EVENT

bool SameName(std::string_view full, std::string_view prefix, std::string_view wanted) {
    if (wanted.size() == full.size() - prefix.size()) {
        full.remove_prefix(prefix.size());
    }
    return std::equal(full.begin(), full.end(), wanted.begin(), wanted.end(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
    });
}

} // namespace

std::size_t AttributeWidth(AttributeType type) {
    switch (type) {
    case AttributeType::UInt8:
    case AttributeType::Int8:
        return 1;
    case AttributeType::UInt16:
    case AttributeType::Int16:
    case AttributeType::Boolean:
        return 2;
    case AttributeType::UInt32:
    case AttributeType::Int32:
        return 4;
    case AttributeType::UInt64:
    case AttributeType::Int64:
    case AttributeType::Address:
        return 8;
    case AttributeType::Text:
        return VI_FIND_BUFLEN;
    }
    return 0;
}

std::span<const AttributeInfo> Attributes() {
    return kAttributes;
}

const AttributeInfo* FindAttribute(ViAttr id) {
    auto it = std::find_if(kAttributes.begin(), kAttributes.end(),
                           [id](const AttributeInfo& a) { return a.id == id; });
    return it == kAttributes.end() ? nullptr : &*it;
}

const AttributeInfo* FindAttribute(std::string_view name) {
    auto it = std::find_if(kAttributes.begin(), kAttributes.end(),
                           [name](const AttributeInfo& a) { return SameName(a.name, "VI_ATTR_", name); });
    return it == kAttributes.end() ? nullptr : &*it;
}

std::string_view EventName(ViEventType type) {
    auto it =
        std::find_if(kEvents.begin(), kEvents.end(), [type](const EventText& e) { return e.type == type; });
    return it == kEvents.end() ? std::string_view{} : it->name;
}

bool FindEvent(std::string_view name, ViEventType& type) {
    auto it = std::find_if(kEvents.begin(), kEvents.end(),
                           [name](const EventText& e) { return SameName(e.name, "VI_EVENT_", name); });
    if (it == kEvents.end()) {
        return false;
    }
    type = it->type;
    return true;
}

} // namespace corvid::visa
