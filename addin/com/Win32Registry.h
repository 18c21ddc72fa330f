// The system's registry behind the registration script's operations. Script text is UTF-8; the
// wide registry functions take it, so install paths outside the ANSI code page survive.
#pragma once
#include "RegistryAccess.h"

namespace Registrar {

class CWin32Registry : public IRegistryAccess {
public:
    KeyHandle Root(RootKey root) override;
    long Open(KeyHandle parent, const std::string& name, Access access, KeyHandle& out) override;
    long Create(KeyHandle parent, const std::string& name, KeyHandle& out) override;
    void Close(KeyHandle key) override;
    long SetString(KeyHandle key, const std::string& name, const std::string& value) override;
    long SetNumber(KeyHandle key, const std::string& name, std::uint32_t value) override;
    long DeleteValue(KeyHandle key, const std::string& name) override;
    long Count(KeyHandle key, std::size_t& subkeys, std::size_t& values) override;
    long DeleteTree(KeyHandle parent, const std::string& name) override;
    long DeleteKey(KeyHandle parent, const std::string& name) override;
};

} // namespace Registrar
