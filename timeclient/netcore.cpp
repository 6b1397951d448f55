#include "netcore.h"

ENetCore::ENetCore(int32_t code, const std::string& text) : Exception(std::to_string(code) + ": " + text), Code(code) {}

std::exception_ptr TNetCore::CreateException(int32_t code, const std::string& text) const
{
    return std::make_exception_ptr(ENetCore(code, text));
}
