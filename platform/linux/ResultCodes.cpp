#include "ResultCodes.h"

#include "platform/IIpHelper.h"

#include <cerrno>
#include <cstring>

namespace ResultCodes {

uint32_t FromErrno(int errorNumber)
{
    switch (errorNumber) {
    case 0: return NO_ERROR;
    case EPERM:
    case EACCES: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    // The kernel does not offer the request (a kernel built without rtnetlink or a request it lacks).
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    // The interface asked for does not exist (or has gone).
    case ENODEV:
    case ENXIO: return ERROR_INVALID_PARAMETER;
    default: return ERROR_GEN_FAILURE;
    }
}

} // namespace ResultCodes

uint32_t TLastSystemError::Fail(int errorNumber)
{
    Code = ResultCodes::FromErrno(errorNumber);
    ErrorNumber = errorNumber;
    return Code;
}

std::string TLastSystemError::Text(uint32_t code) const
{
    if (code == Code && ErrorNumber != 0) return std::strerror(ErrorNumber);
    switch (code) {
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough memory resources are available to process this command.";
    case ERROR_BUFFER_OVERFLOW: return "The buffer is too small for the table.";
    default: return "Unknown error " + std::to_string(code);
    }
}
