// The application object as COM clients find it: in the running-object table under the class that
// Outlook.Application names, and, when COM started the stand-in for a client, as that class's
// object. End (or the destructor) takes both back and cuts the clients off, as Outlook does at exit.
#pragma once
#include "ComPtr.h"
#include "com/ClassFactory.h"

#include <windows.h>

class ServedApplication {
public:
    // The class that clients find through the ProgID; the stand-in's own when it is not registered
    // (said on the console: clients will not find it then).
    static CLSID ClassId();
    static bool AlreadyRunning(const CLSID& clsid);

    ServedApplication() = default;
    ServedApplication(const ServedApplication&) = delete;
    ServedApplication& operator=(const ServedApplication&) = delete;
    ~ServedApplication() { End(); }

    // False, said on the console, when either registration fails; nothing stays registered then.
    bool Begin(IUnknown* application, const CLSID& clsid, bool startedByCom);
    void End();

private:
    ComPtr<IUnknown> m_application;
    ComPtr<com::ClassFactory> m_factory;
    DWORD m_factoryCookie = 0;
    DWORD m_tableCookie = 0;
};
