// libFuzzer target for the settings file parser: any text parses without crashing, and what it kept
// survives a write and a second read unchanged, with no damaged line.
#include "platform/linux/RegFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RegFile::TTree tree = RegFile::Parse(text, [](int, std::string_view) {});
    const std::string written = RegFile::Serialize(tree);
    int damaged = 0;
    const RegFile::TTree reread = RegFile::Parse(written, [&](int, std::string_view) { ++damaged; });
    if (damaged != 0 || RegFile::Serialize(reread) != written) std::abort();
    return 0;
}
