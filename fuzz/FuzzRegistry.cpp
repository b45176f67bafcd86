// The component registry's file on arbitrary bytes: never a crash, and what
// it reads it writes in a form that reads back to the same text.
#include "Registry.h"

#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    zemtra::RegistryFile registry("/nonexistent/registry.reg");
    registry.read(in);
    const std::string text = registry.text();
    std::istringstream again(text);
    zemtra::RegistryFile reread("/nonexistent/registry.reg");
    reread.read(again);
    if (reread.text() != text)
        __builtin_trap();
    return 0;
}
