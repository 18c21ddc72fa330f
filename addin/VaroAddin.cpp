// The add-in library's entry points: its one creatable class, registration and unloading.
#include "Addin.h"
#include "ComServer.h"
#include "DebugTrace.h"
#include "TypeLibRegistration.h"
#include "resource.h"

#include <windows.h>

namespace {
const com::CreatableClass kClasses[] = {
    {&CLSID_Addin, &com::CreateAggregatable<CAddin>},
};
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(instance);
        ServerDescription description = {};
        description.classes = kClasses;
        description.classCount = sizeof kClasses / sizeof kClasses[0];
        description.libraries = CAddin::Libraries(description.libraryCount);
        description.registryScript = IDR_ADDIN_REGISTRY;
        CComServer::Instance().Init(instance, description);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded by FreeLibrary: the process goes on, so what the library holds is released.
        // At process end the system takes it all back and COM may already be gone.
        CComServer::Instance().Term();
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return CComServer::Instance().CanUnloadNow();
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    return CComServer::Instance().GetClassObject(clsid, iid, out);
}

STDAPI DllRegisterServer() {
    HRESULT hr = CComServer::Instance().RunRegistryScript(true);
    if (FAILED(hr))
        return hr;
    return TypeLibRegistration::Register(CComServer::Instance().ModuleFile());
}

// Unregistering always succeeds: what is left behind (a never-registered library leaves
// everything) goes to the trace only.
STDAPI DllUnregisterServer() {
    HRESULT hr = CComServer::Instance().RunRegistryScript(false);
    if (FAILED(hr))
        DebugTrace::Failure(L"unregistering: the registration script failed", hr);
    hr = TypeLibRegistration::Unregister(CComServer::Instance().ModuleFile());
    if (FAILED(hr))
        DebugTrace::Failure(L"unregistering: the type library was not unregistered", hr);
    return S_OK;
}
