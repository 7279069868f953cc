// Names and descriptions of the VISA completion and error codes.
#include "visa/names.h"

#include <algorithm>
#include <array>

namespace corvid::visa {
namespace {

struct StatusText {
    ViStatus status;
    std::string_view name;
    std::string_view description;
};

#define STATUS(name, text)                                                                                   \
    StatusText {                                                                                             \
        name, #name, text                                                                                    \
    }

constexpr std::array kStatusTexts{
    STATUS(VI_SUCCESS, "Operation completed successfully."),
    STATUS(VI_SUCCESS_EVENT_EN,
           "Specified event is already enabled for at least one of the specified mechanisms."),
    STATUS(VI_SUCCESS_EVENT_DIS,
           "Specified event is already disabled for at least one of the specified mechanisms."),
    STATUS(VI_SUCCESS_QUEUE_EMPTY, "Operation completed successfully, but the queue was already empty."),
    STATUS(VI_SUCCESS_TERM_CHAR, "The specified termination character was read."),
    STATUS(VI_SUCCESS_MAX_CNT, "The number of bytes read is equal to the input count."),
    STATUS(VI_SUCCESS_DEV_NPRESENT,
           "Session opened successfully, but the device at the specified address is not responding."),
    STATUS(VI_SUCCESS_TRIG_MAPPED, "The path from the trigger source to the destination is already mapped."),
    STATUS(VI_SUCCESS_QUEUE_NEMPTY,
           "Wait terminated successfully on receipt of an event; more events are queued."),
    STATUS(VI_SUCCESS_NCHAIN, "Event handled successfully; do not invoke any other handlers for this event."),
    STATUS(VI_SUCCESS_NESTED_SHARED, "Shared access granted; the session already held a shared lock."),
    STATUS(VI_SUCCESS_NESTED_EXCLUSIVE,
           "Exclusive access granted; the session already held an exclusive lock."),
    STATUS(VI_SUCCESS_SYNC, "Asynchronous operation request was performed synchronously."),
    STATUS(VI_WARN_QUEUE_OVERFLOW, "The event queue overflowed; at least one event was lost."),
    STATUS(VI_WARN_CONFIG_NLOADED,
           "The specified configuration either does not exist or could not be loaded."),
    STATUS(VI_WARN_NULL_OBJECT, "The specified object reference is uninitialized."),
    STATUS(VI_WARN_NSUP_ATTR_STATE,
           "Although the attribute state is valid, it is not supported by this resource."),
    STATUS(VI_WARN_UNKNOWN_STATUS, "The status code passed to the operation could not be interpreted."),
    STATUS(VI_WARN_NSUP_BUF, "The specified buffer is not supported."),
    STATUS(VI_ERROR_SYSTEM_ERROR, "Unknown system error (miscellaneous error)."),
    STATUS(VI_ERROR_INV_OBJECT, "The given session or object reference is invalid."),
    STATUS(VI_ERROR_RSRC_LOCKED,
           "Specified type of lock cannot be obtained, or the operation cannot be performed, "
           "because the resource is locked."),
    STATUS(VI_ERROR_INV_EXPR, "Invalid expression specified for search."),
    STATUS(VI_ERROR_RSRC_NFOUND,
           "Insufficient location information, or the requested device or resource is not "
           "present in the system."),
    STATUS(VI_ERROR_INV_RSRC_NAME, "Invalid resource reference specified. Parsing error."),
    STATUS(VI_ERROR_INV_ACC_MODE, "Invalid access mode."),
    STATUS(VI_ERROR_TMO, "Timeout expired before operation completed."),
    STATUS(VI_ERROR_CLOSING_FAILED,
           "Unable to deallocate the previously allocated data structures for this session."),
    STATUS(VI_ERROR_INV_DEGREE, "Specified degree is invalid."),
    STATUS(VI_ERROR_INV_JOB_ID, "Specified job identifier is invalid."),
    STATUS(VI_ERROR_NSUP_ATTR,
           "The specified attribute is not defined or not supported by the referenced resource."),
    STATUS(VI_ERROR_NSUP_ATTR_STATE,
           "The specified state of the attribute is not valid, or is not supported by this resource."),
    STATUS(VI_ERROR_ATTR_READONLY, "The specified attribute is read-only."),
    STATUS(VI_ERROR_INV_LOCK_TYPE, "The specified type of lock is not supported by this resource."),
    STATUS(VI_ERROR_INV_ACCESS_KEY,
           "The access key to the resource associated with this session is invalid."),
    STATUS(VI_ERROR_INV_EVENT, "Specified event type is not supported by the resource."),
    STATUS(VI_ERROR_INV_MECH, "Invalid mechanism specified."),
    STATUS(VI_ERROR_HNDLR_NINSTALLED, "A handler is not currently installed for the specified event."),
    STATUS(VI_ERROR_INV_HNDLR_REF, "The given handler reference is invalid."),
    STATUS(VI_ERROR_INV_CONTEXT, "Specified event context is invalid."),
    STATUS(VI_ERROR_QUEUE_OVERFLOW, "The event queue for the specified type has overflowed (usually due to "
                                    "previous events not having been closed)."),
    STATUS(VI_ERROR_NENABLED,
           "The session must be enabled for events of the specified type in order to receive "
           "them."),
    STATUS(VI_ERROR_ABORT, "The operation was aborted."),
    STATUS(VI_ERROR_RAW_WR_PROT_VIOL, "Violation of raw write protocol occurred during transfer."),
    STATUS(VI_ERROR_RAW_RD_PROT_VIOL, "Violation of raw read protocol occurred during transfer."),
    STATUS(VI_ERROR_OUTP_PROT_VIOL, "Device reported an output protocol error during transfer."),
    STATUS(VI_ERROR_INP_PROT_VIOL, "Device reported an input protocol error during transfer."),
    STATUS(VI_ERROR_BERR, "Bus error occurred during transfer."),
    STATUS(VI_ERROR_IN_PROGRESS, "Unable to queue the asynchronous operation because there is already an "
                                 "operation in progress."),
    STATUS(VI_ERROR_INV_SETUP,
           "Unable to start operation because setup is invalid (due to attributes being set "
           "to an inconsistent state)."),
    STATUS(VI_ERROR_QUEUE_ERROR, "Unable to queue the asynchronous operation."),
    STATUS(VI_ERROR_ALLOC, "Insufficient system resources to perform necessary memory allocation."),
    STATUS(VI_ERROR_INV_MASK, "Invalid buffer mask specified."),
    STATUS(VI_ERROR_IO, "Could not perform operation because of I/O error."),
    STATUS(VI_ERROR_INV_FMT, "A format specifier in the format string is invalid."),
    STATUS(VI_ERROR_NSUP_FMT, "A format specifier in the format string is not supported."),
    STATUS(VI_ERROR_LINE_IN_USE, "The specified trigger line is currently in use."),
    STATUS(VI_ERROR_NSUP_MODE, "The specified mode is not supported by this VISA implementation."),
    STATUS(VI_ERROR_SRQ_NOCCURRED, "Service request has not been received for the session."),
    STATUS(VI_ERROR_INV_SPACE, "Invalid address space specified."),
    STATUS(VI_ERROR_INV_OFFSET, "Invalid offset specified."),
    STATUS(VI_ERROR_INV_WIDTH, "Invalid access width specified."),
    STATUS(VI_ERROR_NSUP_OFFSET, "Specified offset is not accessible from this hardware."),
    STATUS(VI_ERROR_NSUP_VAR_WIDTH, "Cannot support source and destination widths that are different."),
    STATUS(VI_ERROR_WINDOW_NMAPPED, "The specified session is not currently mapped."),
    STATUS(VI_ERROR_RESP_PENDING, "A previous response is still pending, causing a multiple query error."),
    STATUS(VI_ERROR_NLISTENERS, "No listeners condition is detected (both NRFD and NDAC are deasserted)."),
    STATUS(VI_ERROR_NCIC,
           "The interface associated with this session is not currently the controller in charge."),
    STATUS(VI_ERROR_NSYS_CNTLR, "The interface associated with this session is not the system controller."),
    STATUS(VI_ERROR_NSUP_OPER, "The given session or object reference does not support this operation."),
    STATUS(VI_ERROR_INTR_PENDING, "An interrupt is still pending from a previous call."),
    STATUS(VI_ERROR_ASRL_PARITY, "A parity error occurred during transfer."),
    STATUS(VI_ERROR_ASRL_FRAMING, "A framing error occurred during transfer."),
    STATUS(VI_ERROR_ASRL_OVERRUN,
           "An overrun error occurred during transfer. A character was not read from the "
           "hardware before the next character arrived."),
    STATUS(VI_ERROR_TRIG_NMAPPED,
           "The path from the trigger source to the destination is not currently mapped."),
    STATUS(VI_ERROR_NSUP_ALIGN_OFFSET,
           "The specified offset is not properly aligned for the access width of the "
           "operation."),
    STATUS(VI_ERROR_USER_BUF,
           "A specified user buffer is not valid or cannot be accessed for the required size."),
    STATUS(VI_ERROR_RSRC_BUSY, "The resource is valid, but VISA cannot currently access it."),
    STATUS(VI_ERROR_NSUP_WIDTH, "Specified width is not supported by this hardware."),
    STATUS(VI_ERROR_INV_PARAMETER, "The value of some parameter (which parameter is not known) is invalid."),
    STATUS(VI_ERROR_INV_PROT, "The protocol specified is invalid."),
    STATUS(VI_ERROR_INV_SIZE, "Invalid size of window specified."),
    STATUS(VI_ERROR_WINDOW_MAPPED, "The specified session currently contains a mapped window."),
    STATUS(VI_ERROR_NIMPL_OPER, "The given operation is not implemented."),
    STATUS(VI_ERROR_INV_LENGTH, "Invalid length specified."),
    STATUS(VI_ERROR_INV_MODE, "The specified mode is invalid."),
    STATUS(VI_ERROR_SESN_NLOCKED, "The current session did not have a lock on the resource."),
    STATUS(VI_ERROR_MEM_NSHARED, "The device does not export any memory."),
    STATUS(VI_ERROR_LIBRARY_NFOUND, "A code library required by VISA could not be located or loaded."),
    STATUS(VI_ERROR_NSUP_INTR,
           "The interface cannot generate an interrupt on the requested level or with the "
           "requested status/ID value."),
    STATUS(VI_ERROR_INV_LINE, "The value specified by the line parameter is invalid."),
    STATUS(VI_ERROR_FILE_ACCESS,
           "An error occurred while trying to open the specified file. Possible reasons "
           "include an invalid path or lack of access rights."),
    STATUS(VI_ERROR_FILE_IO, "An error occurred while performing I/O on the specified file."),
    STATUS(VI_ERROR_NSUP_LINE, "One of the specified lines is not supported by this VISA implementation."),
    STATUS(VI_ERROR_NSUP_MECH, "The specified mechanism is not supported for the given event type."),
    STATUS(VI_ERROR_INTF_NUM_NCONFIG, "The interface type is valid but the specified interface number is not "
                                      "configured."),
    STATUS(VI_ERROR_CONN_LOST, "The connection for the given session has been lost."),
};

#undef STATUS

const StatusText* FindStatus(ViStatus status) {
    auto it = std::find_if(kStatusTexts.begin(), kStatusTexts.end(),
                           [status](const StatusText& text) { return text.status == status; });
    return it == kStatusTexts.end() ? nullptr : &*it;
}

} // namespace

std::string_view StatusName(ViStatus status) {
    const StatusText* text = FindStatus(status);
    return text ? text->name : std::string_view{};
}

std::string_view StatusDescription(ViStatus status) {
    const StatusText* text = FindStatus(status);
    return text ? text->description : std::string_view{};
}

} // namespace corvid::visa
