#pragma once

#include <cstdint>
#include <string>

// The table functions answer the system's own result codes, never an errno: errno values overlap codes the
// adapter query gives a meaning of their own (ECONNREFUSED is 111, the "buffer too small" answer).
namespace ResultCodes {

uint32_t FromErrno(int errorNumber);

} // namespace ResultCodes

// The errno behind the last failure a backend answered, so that its text survives the mapping.
class TLastSystemError {
public:
    // Answers the result code for the errno and remembers both.
    uint32_t Fail(int errorNumber);
    // The operating system's text of the errno behind the code, when the code is the last one answered.
    std::string Text(uint32_t code) const;

private:
    uint32_t Code = 0;
    int ErrorNumber = 0;
};
