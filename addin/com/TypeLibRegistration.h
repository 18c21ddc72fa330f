// Registration of the type library that a library file carries as its "TYPELIB" resource 1
// (else a ".tlb" file beside it).
#pragma once
#include <windows.h>
#include <string>

namespace TypeLibRegistration {

HRESULT Register(const std::wstring& moduleFile);
// Unregisters through oleaut32's UnRegisterTypeLib when the system has it; else nothing happens.
HRESULT Unregister(const std::wstring& moduleFile);

} // namespace TypeLibRegistration
