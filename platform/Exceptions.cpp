#include "Exceptions.h"

#include <cerrno>

namespace {

std::string InOutText(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT: return "File not found";
    case EACCES:
    case EPERM:
    case EROFS: return "File access denied";
    case ENOSPC:
    case EDQUOT: return "Disk full";
    default: return "I/O error " + std::to_string(errorNumber);
    }
}

} // namespace

EOSError::EOSError(int code, const std::string& systemText)
    : Exception("System Error.  Code: " + std::to_string(code) + ".\r\n" + systemText), Code(code)
{
}

EInOutError::EInOutError(int errorNumber) : Exception(InOutText(errorNumber)), Code(errorNumber) {}
