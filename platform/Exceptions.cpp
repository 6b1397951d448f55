#include "Exceptions.h"

EOSError::EOSError(int code, const std::string& systemText)
    : Exception("System Error.  Code: " + std::to_string(code) + ".\r\n" + systemText), Code(code)
{
}
