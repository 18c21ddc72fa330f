#include "Registration.h"

#include "ComPtr.h"
#include "OfficeInterfaces.h"
#include "RegKey.h"
#include "StringConv.h"
#include "com/HexResult.h"
#include "com/TypeLibrary.h"

#include <oleauto.h>

// {15F656B6-F070-4149-ADA1-24804E23DFB3}: the coclass of the type library.
const CLSID kStandInClassId = {0x15f656b6, 0xf070, 0x4149, {0xad, 0xa1, 0x24, 0x80, 0x4e, 0x23, 0xdf, 0xb3}};

namespace {
// {327E6AB7-5686-4F4B-8915-2E850D948F2C}: the library identifier (our own, not Outlook's).
const GUID kLibraryId = {0x327e6ab7, 0x5686, 0x4f4b, {0x89, 0x15, 0x2e, 0x85, 0x0d, 0x94, 0x8f, 0x2c}};
constexpr WORD kLibraryMajor = 1;
constexpr WORD kLibraryMinor = 0;

constexpr char kProgId[] = "Outlook.Application";
constexpr char kClassesRoot[] = "Software\\Classes\\"; // per machine, under HKLM
constexpr char kClassName[] = "Outlook stand-in (Varoscope test server)";
// The one interface whose registration tells whether Outlook's type library is already there.
constexpr char kApplicationInterfaceKey[] = "Interface\\{00063001-0000-0000-C000-000000000046}\\TypeLib";

std::string GuidText(const GUID& guid) {
    wchar_t buf[40] = {};
    ::StringFromGUID2(guid, buf, 40);
    return WideToAnsi(std::wstring(buf));
}

std::string ClassKey() {
    return "CLSID\\" + GuidText(kStandInClassId);
}

// Reads a default value or a named value of a key under HKEY_CLASSES_ROOT (user and machine merged).
bool ReadClassesValue(const std::string& key, const char* name, std::string& value) {
    RegKey k;
    if (k.Open(HKEY_CLASSES_ROOT, key.c_str(), KEY_READ) != ERROR_SUCCESS)
        return false;
    return k.QueryString(name, value);
}

bool ClassesKeyExists(const std::string& key) {
    RegKey k;
    return k.Open(HKEY_CLASSES_ROOT, key.c_str(), KEY_READ) == ERROR_SUCCESS;
}

// The default value of a key under HKLM\Software\Classes.
LONG WriteMachineValue(const std::string& key, const std::wstring& value) {
    RegKey k;
    LONG rc = k.Create(HKEY_LOCAL_MACHINE, (kClassesRoot + key).c_str(), KEY_SET_VALUE);
    if (rc != ERROR_SUCCESS)
        return rc;
    return k.SetString(nullptr, value);
}

void DeleteMachineTree(const std::string& key) {
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kClassesRoot + key).c_str());
}

// Whose Outlook.Application is registered: empty when none; our class identifier when ours.
std::string RegisteredProgIdClass() {
    std::string clsid;
    if (!ReadClassesValue(std::string(kProgId) + "\\CLSID", nullptr, clsid) && ClassesKeyExists(kProgId))
        return "(unreadable)";
    return clsid;
}

// A folder for a quoted command-line argument: a backslash before the closing quote would escape it.
std::wstring QuotableFolder(std::wstring folder) {
    while (folder.size() > 1 && folder.back() == L'\\')
        folder.pop_back();
    if (folder.size() == 2 && folder[1] == L':')
        folder += L"\\.";
    return folder;
}

// The add-in designer library travels as type library resource 2 of the program.
constexpr wchar_t kDesignerResource[] = L"\\2";
constexpr wchar_t kDesignerSuffix[] = L"\\OutlookSubstitute.exe\\2";

std::string DesignerLibraryKey() {
    return "TypeLib\\" + GuidText(office::LIBID_AddInDesignerObjects) + "\\1.0";
}

// Where the registered add-in designer library lives; false when none is registered.
bool RegisteredDesignerPath(std::wstring& path) {
    RegKey k;
    if (k.Open(HKEY_CLASSES_ROOT, (DesignerLibraryKey() + "\\0\\win64").c_str(), KEY_READ) != ERROR_SUCCESS) {
        if (!ClassesKeyExists(DesignerLibraryKey()))
            return false;
        path.clear(); // registered for another platform or unreadable: somebody else's
        return true;
    }
    if (!k.QueryString(nullptr, path))
        path.clear();
    return true;
}

// Registered by a stand-in's --register (whichever build folder it ran from).
bool DesignerLibraryIsOurs(const std::wstring& path) {
    const size_t suffix = wcslen(kDesignerSuffix);
    return path.size() >= suffix && ::lstrcmpiW(path.c_str() + path.size() - suffix, kDesignerSuffix) == 0;
}

// Registers the type library at path (the program, or "program\N" for its type library resource N)
// without a help folder; false with a message on failure.
bool RegisterLibraryAt(const std::wstring& path, const wchar_t* what, std::wstring& message) {
    ComPtr<ITypeLib> lib;
    HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr))
        hr = ::RegisterTypeLib(lib.Get(), const_cast<LPOLESTR>(path.c_str()), nullptr);
    if (FAILED(hr)) {
        message = std::wstring(L"cannot register ") + what + L" (" + com::HexResult(hr) + L")";
        return false;
    }
    return true;
}

// Registers the add-in designer library unless one is registered already; false with a message on failure.
bool RegisterDesignerLibrary(const std::wstring& exe, std::wstring& message) {
    std::wstring existing;
    if (RegisteredDesignerPath(existing))
        return true; // the platform's own (or an earlier run's) is left as it is
    return RegisterLibraryAt(exe + kDesignerResource, L"the add-in designer type library", message);
}

bool TypeLibraryIsOurs() {
    std::string lib;
    if (!ReadClassesValue(kApplicationInterfaceKey, nullptr, lib))
        return true; // nobody's
    return lstrcmpiA(lib.c_str(), GuidText(kLibraryId).c_str()) == 0;
}
} // namespace

RegistrationResult RegisterServer(const std::wstring& mailbox, std::wstring& message) {
    const std::string ours = GuidText(kStandInClassId);
    std::string owner = RegisteredProgIdClass();
    if (!owner.empty() && lstrcmpiA(owner.c_str(), ours.c_str()) != 0) {
        std::string server;
        ReadClassesValue("CLSID\\" + owner + "\\LocalServer32", nullptr, server);
        message =
            L"refusing to register: Outlook.Application is already registered by another program (class " +
            AnsiToWide(owner) + (server.empty() ? L"" : L", server " + AnsiToWide(server)) +
            L"). Nothing was changed.";
        return kRegistrationRefused;
    }
    if (!TypeLibraryIsOurs()) {
        message = L"refusing to register: the Outlook application interface is already described by another "
                  L"type library. Nothing was changed.";
        return kRegistrationRefused;
    }

    const std::wstring exe = com::ModuleFile(nullptr);
    std::wstring command = L"\"" + exe + L"\"";
    if (!mailbox.empty())
        command += L" --mailbox \"" + QuotableFolder(mailbox) + L"\"";
    const std::wstring progId = AnsiToWide(kProgId);
    const std::wstring className = AnsiToWide(kClassName);
    LONG rc = ERROR_SUCCESS;
    auto write = [&](const std::string& key, const std::wstring& value) {
        if (rc == ERROR_SUCCESS)
            rc = WriteMachineValue(key, value);
    };
    write(kProgId, className);
    write(std::string(kProgId) + "\\CLSID", AnsiToWide(ours));
    write(ClassKey(), className);
    write(ClassKey() + "\\ProgID", progId);
    write(ClassKey() + "\\VersionIndependentProgID", progId);
    write(ClassKey() + "\\LocalServer32", command);
    write(ClassKey() + "\\TypeLib", AnsiToWide(GuidText(kLibraryId)));
    if (rc != ERROR_SUCCESS) {
        message = L"cannot write the registry (error " + std::to_wstring(rc) + L")";
        return kRegistrationFailed;
    }
    if (!RegisterLibraryAt(exe, L"the type library", message) || !RegisterDesignerLibrary(exe, message))
        return kRegistrationFailed;
    message = L"registered Outlook.Application -> " + command;
    return kRegistered;
}

RegistrationResult UnregisterServer(std::wstring& message) {
    const std::string ours = GuidText(kStandInClassId);
    std::string owner = RegisteredProgIdClass();
    bool removedAnything = false;
    if (!owner.empty() && lstrcmpiA(owner.c_str(), ours.c_str()) == 0) {
        DeleteMachineTree(kProgId);
        removedAnything = true;
    }
    if (ClassesKeyExists(ClassKey())) {
        DeleteMachineTree(ClassKey());
        removedAnything = true;
    }
    // The type library's interface keys are only removed while they point at our library.
    std::string lib;
    if (ReadClassesValue(kApplicationInterfaceKey, nullptr, lib) && TypeLibraryIsOurs()) {
        ::UnRegisterTypeLib(kLibraryId, kLibraryMajor, kLibraryMinor, LOCALE_NEUTRAL, SYS_WIN64);
        removedAnything = true;
    }
    if (ClassesKeyExists("TypeLib\\" + GuidText(kLibraryId))) {
        DeleteMachineTree("TypeLib\\" + GuidText(kLibraryId));
        removedAnything = true;
    }
    std::wstring designer;
    if (RegisteredDesignerPath(designer) && DesignerLibraryIsOurs(designer)) {
        ::UnRegisterTypeLib(office::LIBID_AddInDesignerObjects, office::kAddInDesignerMajor,
                            office::kAddInDesignerMinor, LOCALE_NEUTRAL, SYS_WIN64);
        // Wine leaves the emptied library key behind; the key is ours only while nothing else is in it.
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT,
                        ("TypeLib\\" + GuidText(office::LIBID_AddInDesignerObjects)).c_str());
        removedAnything = true;
    }
    message = removedAnything ? L"unregistered" : L"nothing of ours was registered";
    if (!owner.empty() && lstrcmpiA(owner.c_str(), ours.c_str()) != 0)
        message += L"; Outlook.Application belongs to another program and was left alone";
    return kRegistered;
}
