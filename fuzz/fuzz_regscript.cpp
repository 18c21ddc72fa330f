// Fuzz target for the registration-script reader and its executor: any bytes are either refused
// or give a script that registers and unregisters against an in-memory registry without leaking
// keys; registering twice gives what registering once gave.
#include "MemoryRegistry.h"
#include "RegExecutor.h"
#include "RegScript.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
void Check(bool condition) {
    if (!condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string expanded;
    if (!Registrar::ExpandTokens(text, {{"MODULE", Registrar::QuoteForScript("C:\\It's here\\x.dll")}},
                                 expanded))
        return 0;
    Registrar::Script script;
    if (!Registrar::Parse(expanded, script))
        return 0;
    Registrar::CMemoryRegistry registry;
    if (Registrar::Register(registry, script) != Registrar::kSuccess)
        return 0;
    std::string once = registry.Dump();
    Check(registry.OpenKeys() == 0);
    Check(Registrar::Register(registry, script) == Registrar::kSuccess);
    Check(registry.Dump() == once);
    // Unregistering twice need not leave the same: a key listed twice in one block may keep its
    // subkeys at the first visit and lose them at the second. It must only run cleanly.
    Registrar::Unregister(registry, script);
    Check(registry.OpenKeys() == 0);
    Registrar::Unregister(registry, script);
    Check(registry.OpenKeys() == 0);
    return 0;
}
