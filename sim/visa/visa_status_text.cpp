#include "sim/visa/visa_status_text.h"

#include "sim/visa/visa_statuses.h"

namespace {

struct status_row_t {
    ViStatus status;
    const char* text;
};

constexpr status_row_t rows[] = {
    {VI_SUCCESS, "VI_SUCCESS: Operation completed successfully."},
    {VI_SUCCESS_TERM_CHAR, "VI_SUCCESS_TERM_CHAR: The specified termination character was read."},
    {VI_SUCCESS_MAX_CNT,
     "VI_SUCCESS_MAX_CNT: The number of bytes read is equal to the input count."},
    {VI_SUCCESS_NESTED_EXCLUSIVE,
     "VI_SUCCESS_NESTED_EXCLUSIVE: Operation completed successfully, and this session has "
     "nested exclusive locks."},
    {VI_WARN_CONFIG_NLOADED,
     "VI_WARN_CONFIG_NLOADED: The specified configuration either does not exist or could not "
     "be loaded; VISA-specified defaults will be used."},
    {VI_WARN_NULL_OBJECT, "VI_WARN_NULL_OBJECT: The specified object reference is uninitialized."},
    {VI_ERROR_SYSTEM_ERROR, "VI_ERROR_SYSTEM_ERROR: Unknown system error."},
    {VI_ERROR_INV_OBJECT, "VI_ERROR_INV_OBJECT: The given session or object reference is invalid."},
    {VI_ERROR_RSRC_LOCKED,
     "VI_ERROR_RSRC_LOCKED: Specified type of lock cannot be obtained, or specified operation "
     "cannot be performed, because the resource is locked."},
    {VI_ERROR_INV_ACC_MODE, "VI_ERROR_INV_ACC_MODE: Invalid access mode."},
    {VI_ERROR_INV_LOCK_TYPE,
     "VI_ERROR_INV_LOCK_TYPE: The specified type of lock is not supported "
     "by this resource."},
    {VI_ERROR_NSUP_OPER,
     "VI_ERROR_NSUP_OPER: The given session or object reference does not support this "
     "operation."},
    {VI_ERROR_SESN_NLOCKED,
     "VI_ERROR_SESN_NLOCKED: The current session did not have any lock on the resource."},
    {VI_ERROR_INV_EXPR, "VI_ERROR_INV_EXPR: Invalid expression specified for search."},
    {VI_ERROR_RSRC_NFOUND,
     "VI_ERROR_RSRC_NFOUND: Insufficient location information or the requested device or "
     "resource is not present in the system."},
    {VI_ERROR_INV_RSRC_NAME, "VI_ERROR_INV_RSRC_NAME: Invalid resource reference specified."},
    {VI_ERROR_TMO, "VI_ERROR_TMO: Timeout expired before operation completed."},
    {VI_ERROR_NSUP_ATTR,
     "VI_ERROR_NSUP_ATTR: The specified attribute is not defined or supported by the "
     "referenced session, event, or find list."},
    {VI_ERROR_NSUP_ATTR_STATE,
     "VI_ERROR_NSUP_ATTR_STATE: The specified state of the attribute is not valid, or is not "
     "supported as defined by the session, event, or find list."},
    {VI_ERROR_ATTR_READONLY, "VI_ERROR_ATTR_READONLY: The specified attribute is read-only."},
    {VI_ERROR_CONN_LOST, "VI_ERROR_CONN_LOST: The connection for the given session has been lost."},
};

}  // namespace

const char* visa_status_text(ViStatus status) {
    for (const status_row_t& row : rows) {
        if (row.status == status) {
            return row.text;
        }
    }
    return nullptr;
}
