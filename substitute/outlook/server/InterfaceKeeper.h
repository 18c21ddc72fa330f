// Keeps one stub of every interface that the stand-in serves, for as long as it serves.
//
// Wine (8.0) takes an interface out of its RPC server when the last stub of that interface goes,
// and waits there until the calls on it have been counted out. A call that is counted out while
// that wait is being set up is missed, and the apartment waits for ever: a client that releases
// an object right after calling it (OutlookDump and the viewer do this for every attachment)
// hangs the stand-in now and then, more often on a loaded machine. With a stub of each interface
// kept, no interface is taken out while clients come and go.
#pragma once
#include "ComPtr.h"

#include <objidl.h>
#include <oaidl.h>

#include <vector>

class InterfaceKeeper {
public:
    // The dual interfaces of library, and the standard ones that the stand-in hands out.
    explicit InterfaceKeeper(ITypeLib* library);
    InterfaceKeeper(const InterfaceKeeper&) = delete;
    InterfaceKeeper& operator=(const InterfaceKeeper&) = delete;
    ~InterfaceKeeper();

private:
    void Keep(REFIID iid);

    ComPtr<IUnknown> m_placeholder;
    std::vector<ComPtr<IStream>> m_kept; // marshal data that nobody unmarshals
};
