// Applies a parsed registration script to a registry.
//
// Register: keys are opened (full access, else read access) or created, in text order; a
// ForceRemove key is deleted with everything below it and made anew; values are written. The
// first failure ends the run and is returned; what was written before stays.
//
// Unregister: a key that cannot be opened is skipped with its block; listed named values are
// deleted; after its block a key without subkeys is deleted (values and all) unless NoRemove.
// Failures do not stop the run; the first one is returned for information.
#pragma once
#include "RegScript.h"
#include "RegistryAccess.h"

namespace Registrar {

long Register(IRegistryAccess& registry, const Script& script);
long Unregister(IRegistryAccess& registry, const Script& script);

} // namespace Registrar
