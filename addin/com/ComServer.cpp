#include "ComServer.h"

#include "RegExecutor.h"
#include "RegScript.h"
#include "StringConv.h"
#include "Win32Registry.h"

CComServer& CComServer::Instance() {
    static CComServer s_server;
    return s_server;
}

void CComServer::Init(HINSTANCE instance, const ServerDescription& description) {
    m_instance = instance;
    m_registryScript = description.registryScript;
    m_classes = std::make_unique<com::ClassTable>(description.classes, description.classCount, m_lock);
    // The add-in's clients get the interface half of a dual interface, the one calls go through.
    for (std::size_t i = 0; i < description.libraryCount; ++i)
        m_libraries.emplace_back(description.libraries[i], instance, com::TypeLibrary::ClientView::Interface);
}

void CComServer::Term() {
    if (m_classes)
        m_classes->Release();
    for (com::TypeLibrary& library : m_libraries)
        library.Release();
}

HRESULT CComServer::RunRegistryScript(bool registering) {
    HRSRC found = ::FindResourceW(m_instance, MAKEINTRESOURCEW(m_registryScript), L"REGISTRY");
    HGLOBAL loaded = found ? ::LoadResource(m_instance, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (!bytes)
        return HRESULT_FROM_WIN32(::GetLastError() ? ::GetLastError() : ERROR_RESOURCE_DATA_NOT_FOUND);
    std::string text(bytes, ::SizeofResource(m_instance, found));
    std::wstring module = ModuleFile();
    if (module.empty())
        return HRESULT_FROM_WIN32(::GetLastError());
    std::string expanded;
    Registrar::Script script;
    if (!Registrar::ExpandTokens(text, {{"MODULE", Registrar::QuoteForScript(WideToUtf8(module))}},
                                 expanded) ||
        !Registrar::Parse(expanded, script))
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    Registrar::CWin32Registry registry;
    long result =
        registering ? Registrar::Register(registry, script) : Registrar::Unregister(registry, script);
    return HRESULT_FROM_WIN32(static_cast<unsigned long>(result));
}
