#include "ServedApplication.h"

#include "Console.h"
#include "Registration.h"
#include "com/HexResult.h"

#include <objbase.h>
#include <oleauto.h>

#include <utility>

namespace {
constexpr wchar_t kProgId[] = L"Outlook.Application";
}

CLSID ServedApplication::ClassId() {
    CLSID clsid = kStandInClassId;
    if (FAILED(::CLSIDFromProgID(kProgId, &clsid))) {
        Console::Error(
            L"Outlook.Application is not registered (run --register); clients will not find this server");
        clsid = kStandInClassId;
    }
    return clsid;
}

bool ServedApplication::AlreadyRunning(const CLSID& clsid) {
    ComPtr<IUnknown> running;
    return SUCCEEDED(::GetActiveObject(clsid, nullptr, running.ReleaseAndGetAddressOf())) && running;
}

bool ServedApplication::Begin(IUnknown* application, const CLSID& clsid, bool startedByCom) {
    if (startedByCom) {
        m_factory.Attach(new com::ClassFactory(application));
        HRESULT hr = ::CoRegisterClassObject(clsid, static_cast<IClassFactory*>(m_factory.Get()),
                                             CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &m_factoryCookie);
        if (FAILED(hr)) {
            // COM started us for a client that now waits for this class object: say why it never comes.
            Console::Error(L"cannot register the class object with COM (" + com::HexResult(hr) +
                           L"); the client that started the stand-in will not reach it");
            End();
            return false;
        }
    }
    if (FAILED(::RegisterActiveObject(application, clsid, ACTIVEOBJECT_STRONG, &m_tableCookie))) {
        Console::Error(L"cannot enter the running-object table");
        End();
        return false;
    }
    m_application = ComPtr<IUnknown>(application);
    return true;
}

void ServedApplication::End() {
    if (m_tableCookie)
        ::RevokeActiveObject(std::exchange(m_tableCookie, 0), nullptr);
    if (m_factoryCookie)
        ::CoRevokeClassObject(std::exchange(m_factoryCookie, 0));
    m_factory.Reset();
    // Clients that still hold the application (or anything it handed out) are cut off.
    if (ComPtr<IUnknown> application = std::move(m_application))
        ::CoDisconnectObject(application.Get(), 0);
}
