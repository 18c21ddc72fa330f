// The registry operations a registration script needs, so that scripts can be applied to the
// system's registry or to an in-memory one (tests, fuzzing). Results are Win32 error codes.
#pragma once
#include "RegScript.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Registrar {

using KeyHandle = std::uintptr_t;

constexpr long kSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidData = 13;
constexpr long kErrorKeyDeleted = 1018;

enum class Access { Read, Full };

class IRegistryAccess {
public:
    virtual ~IRegistryAccess() = default;
    // The predefined key of a root; it is never closed.
    virtual KeyHandle Root(RootKey root) = 0;
    virtual long Open(KeyHandle parent, const std::string& name, Access access, KeyHandle& out) = 0;
    // Opens the key with full access, creating it when missing.
    virtual long Create(KeyHandle parent, const std::string& name, KeyHandle& out) = 0;
    virtual void Close(KeyHandle key) = 0;
    // An empty name means the key's default value.
    virtual long SetString(KeyHandle key, const std::string& name, const std::string& value) = 0;
    virtual long SetNumber(KeyHandle key, const std::string& name, std::uint32_t value) = 0;
    virtual long DeleteValue(KeyHandle key, const std::string& name) = 0;
    virtual long Count(KeyHandle key, std::size_t& subkeys, std::size_t& values) = 0;
    // Deletes a key with everything below it.
    virtual long DeleteTree(KeyHandle parent, const std::string& name) = 0;
    // Deletes a key that has no subkeys, with its values.
    virtual long DeleteKey(KeyHandle parent, const std::string& name) = 0;
};

} // namespace Registrar
