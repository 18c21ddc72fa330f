// The type library embedded in the program: type information for the objects' IDispatch side.
#pragma once
#include "ComPtr.h"

#include <oaidl.h>

class TypeLibrary {
public:
    // Type information that DispInvoke calls through (the vtable side of a dual interface).
    static HRESULT InvokeInfo(REFIID iid, ComPtr<ITypeInfo>& out);
    // Type information handed to clients by IDispatch::GetTypeInfo (the dispatch side).
    static HRESULT DispatchInfo(REFIID iid, ComPtr<ITypeInfo>& out);
    // The library itself, loaded from this program's resources (loaded once).
    static HRESULT Library(ComPtr<ITypeLib>& out);
};
