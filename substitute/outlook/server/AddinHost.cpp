#include "AddinHost.h"

#include "AddinInstanceObject.h"
#include "RegKey.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <chrono>
#include <cwchar>

namespace {
constexpr DWORD kLoadAtStartup = 3;
constexpr DWORD kMaxKeyName = 256;

// The empty custom array that Office passes to every IDTExtensibility2 call.
class CustomArray {
public:
    CustomArray() : m_array(::SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
    ~CustomArray() {
        if (m_array)
            ::SafeArrayDestroy(m_array);
    }
    CustomArray(const CustomArray&) = delete;
    CustomArray& operator=(const CustomArray&) = delete;
    // Callee may replace the array; whatever is there afterwards is ours to destroy.
    SAFEARRAY** Address() { return &m_array; }

private:
    SAFEARRAY* m_array;
};

std::wstring HexResult(HRESULT hr) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

bool ReadDword(HKEY key, const wchar_t* name, DWORD& out) {
    DWORD type = 0, size = sizeof out;
    return ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&out), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
}

std::wstring ReadText(HKEY key, const wchar_t* name) {
    wchar_t buf[512] = {};
    DWORD type = 0, size = sizeof buf - sizeof(wchar_t);
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return buf;
}
} // namespace

AddinHost::AddinHost(IDispatch* application, std::function<void(const std::wstring&)> report)
    : m_application(application), m_report(std::move(report)) {}

AddinHost::~AddinHost() {
    Shutdown();
}

std::vector<AddinHost::Entry> AddinHost::RegisteredAtStartup() {
    std::vector<Entry> entries;
    RegKey addins;
    if (addins.Open(HKEY_CURRENT_USER, office::kOutlookAddinsKey, KEY_READ) != ERROR_SUCCESS)
        return entries;
    for (DWORD i = 0;; ++i) {
        wchar_t name[kMaxKeyName] = {};
        DWORD length = kMaxKeyName;
        LONG rc = ::RegEnumKeyExW(addins.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue; // a name too long for a ProgID is no add-in
        HKEY raw = nullptr;
        if (::RegOpenKeyExW(addins.Get(), name, 0, KEY_READ, &raw) != ERROR_SUCCESS)
            continue;
        RegKey entry;
        entry.Open(raw, "", KEY_READ);
        ::RegCloseKey(raw);
        DWORD behavior = 0;
        if (!entry || !ReadDword(entry.Get(), L"LoadBehavior", behavior) || behavior != kLoadAtStartup)
            continue;
        std::wstring description = ReadText(entry.Get(), L"Description");
        if (description.empty())
            description = ReadText(entry.Get(), L"FriendlyName");
        entries.push_back({name, description});
    }
    return entries;
}

bool AddinHost::Connect(const Entry& entry, ext_ConnectMode mode, Connected& out) {
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(entry.progId.c_str(), &clsid);
    ComPtr<IUnknown> created;
    if (SUCCEEDED(hr))
        hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(created.ReleaseAndGetAddressOf()));
    ComPtr<IDTExtensibility2> addin;
    if (SUCCEEDED(hr))
        hr = created.As(office::IID_IDTExtensibility2, addin);
    if (FAILED(hr) || !addin) {
        m_report(L"add-in " + entry.progId + L" cannot be loaded: " +
                 HexResult(FAILED(hr) ? hr : E_NOINTERFACE));
        return false;
    }
    out.entry = entry;
    out.connected = std::make_shared<bool>(false);
    ComPtr<IDispatch> instance;
    instance.Attach(new AddinInstanceObject(entry.progId, entry.description, out.connected));
    CustomArray custom;
    hr = addin->OnConnection(m_application.Get(), mode, instance.Get(), custom.Address());
    if (FAILED(hr)) {
        m_report(L"add-in " + entry.progId + L" was not connected: OnConnection returned " + HexResult(hr));
        return false;
    }
    *out.connected = true;
    out.object = std::move(addin);
    return true;
}

void AddinHost::Disconnect(Connected& addin, ext_DisconnectMode mode) {
    if (!addin.object)
        return;
    CustomArray custom;
    HRESULT hr = addin.object->OnDisconnection(mode, custom.Address());
    if (FAILED(hr))
        m_report(L"add-in " + addin.entry.progId + L": OnDisconnection returned " + HexResult(hr));
    *addin.connected = false;
    addin.object.Reset();
}

void AddinHost::ConnectAtStartup() {
    for (const Entry& entry : RegisteredAtStartup()) {
        Connected addin;
        if (Connect(entry, ext_cm_Startup, addin))
            m_addins.push_back(std::move(addin));
    }
    for (Connected& addin : m_addins) {
        CustomArray custom;
        addin.object->OnStartupComplete(custom.Address()); // add-ins may answer E_NOTIMPL
    }
}

void AddinHost::Shutdown() {
    for (Connected& addin : m_addins) {
        CustomArray custom;
        if (addin.object)
            addin.object->OnBeginShutdown(custom.Address());
    }
    for (Connected& addin : m_addins)
        Disconnect(addin, ext_dm_HostShutdown);
    m_addins.clear();
}

void AddinHost::Reconnect() {
    for (Connected& addin : m_addins)
        Disconnect(addin, ext_dm_UserClosed);
    m_addins.clear();
    for (const Entry& entry : RegisteredAtStartup()) {
        Connected addin;
        if (Connect(entry, ext_cm_AfterStartup, addin))
            m_addins.push_back(std::move(addin));
    }
    m_report(L"add-ins reconnected: " + std::to_wstring(m_addins.size()));
}

std::vector<std::wstring> AddinHost::ConnectedProgIds() const {
    std::vector<std::wstring> ids;
    for (const Connected& addin : m_addins)
        ids.push_back(addin.entry.progId);
    return ids;
}

void AddinHost::TimeConnections(int repeats) {
    using Clock = std::chrono::steady_clock;
    for (const Entry& entry : RegisteredAtStartup()) {
        for (int i = 0; i < repeats; ++i) {
            Connected addin;
            auto start = Clock::now();
            bool ok = Connect(entry, ext_cm_Startup, addin);
            auto micros = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
            if (!ok)
                break;
            m_report(L"time " + entry.progId + L" " + std::to_wstring(micros) + L" us");
            Disconnect(addin, ext_dm_UserClosed);
            ::CoFreeUnusedLibrariesEx(0, 0); // the next round loads the library again where it can
        }
    }
}
