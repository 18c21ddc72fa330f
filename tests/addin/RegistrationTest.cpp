// The real VaroAddin.dll registered and unregistered through the system's regsvr32, the way an
// installer or a user does it; the registry is read back afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

const wchar_t kClsidKey[] = L"CLSID\\{41469133-F84A-40AF-9380-CE776F52EF86}";
const wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";
const wchar_t kTypeLibKey[] = L"TypeLib\\{8A572718-D521-46F1-80E6-9BE987AE3284}";

std::wstring Widen(const char* text) {
    return std::wstring(text, text + std::strlen(text));
}

std::wstring Library() {
    return Widen(VARO_TEST_BINARY_DIR) + L"\\bin\\VaroAddin.dll";
}

// regsvr32's result, through a batch file (the console returns the batch's exit code).
DWORD RunRegsvr32(const wchar_t* options) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring batch =
        std::wstring(temp) + L"varo-addin-reg-" + std::to_wstring(::GetCurrentProcessId()) + L".bat";
    {
        std::wofstream out(batch.c_str());
        out << L"@regsvr32 " << options << L" \"" << Library() << L"\"\r\n@exit %errorlevel%\r\n";
    }
    std::wstring command = L"cmd.exe /c \"" + batch + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    DWORD code = 0xFFFFFFFF;
    if (::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                         &startup, &process)) {
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.hProcess, 60000));
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::DeleteFileW(batch.c_str());
    return code;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

std::wstring DefaultValue(HKEY root, const std::wstring& path) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (::RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<none>";
    return value;
}

// Every key and value below `path`, sorted, as "path", "path @ = s 'x'", "path name = d '3'".
void Dump(HKEY root, const std::wstring& path, const std::wstring& shown, std::vector<std::wstring>& out) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    out.push_back(shown);
    std::vector<std::wstring> values, subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0;
        BYTE data[2048];
        DWORD size = sizeof data;
        if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        std::wstring line = shown + L" " + (nameLength ? std::wstring(name) : L"@") + L" = ";
        if (type == REG_DWORD)
            line += L"d '" + std::to_wstring(*reinterpret_cast<DWORD*>(data)) + L"'";
        else if (type == REG_SZ)
            line += L"s '" + std::wstring(reinterpret_cast<wchar_t*>(data)) + L"'";
        else
            line += L"type " + std::to_wstring(type);
        values.push_back(line);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.push_back(name);
    }
    ::RegCloseKey(key);
    std::sort(values.begin(), values.end());
    std::sort(subkeys.begin(), subkeys.end());
    out.insert(out.end(), values.begin(), values.end());
    for (const auto& sub : subkeys)
        Dump(root, path + L"\\" + sub, shown + L"\\" + sub, out);
}

std::vector<std::wstring> AddinEntries() {
    std::vector<std::wstring> out;
    for (const wchar_t* key : {L"VaroAddin.Addin.1", L"VaroAddin.Addin", kClsidKey})
        Dump(HKEY_CLASSES_ROOT, key, std::wstring(L"HKCR\\") + key, out);
    std::wstring addin = std::wstring(kAddinsKey) + L"\\VaroAddin.Addin";
    Dump(HKEY_CURRENT_USER, addin, L"HKCU\\" + addin, out);
    return out;
}

std::vector<std::wstring> Expected() {
    const std::wstring c = std::wstring(L"HKCR\\") + kClsidKey;
    const std::wstring a = std::wstring(L"HKCU\\") + kAddinsKey + L"\\VaroAddin.Addin";
    return {
        L"HKCR\\VaroAddin.Addin.1",
        L"HKCR\\VaroAddin.Addin.1 @ = s 'Addin Class'",
        L"HKCR\\VaroAddin.Addin.1\\CLSID",
        L"HKCR\\VaroAddin.Addin.1\\CLSID @ = s '{41469133-F84A-40AF-9380-CE776F52EF86}'",
        L"HKCR\\VaroAddin.Addin",
        L"HKCR\\VaroAddin.Addin @ = s 'Addin Class'",
        L"HKCR\\VaroAddin.Addin\\CLSID",
        L"HKCR\\VaroAddin.Addin\\CLSID @ = s '{41469133-F84A-40AF-9380-CE776F52EF86}'",
        L"HKCR\\VaroAddin.Addin\\CurVer",
        L"HKCR\\VaroAddin.Addin\\CurVer @ = s 'VaroAddin.Addin.1'",
        c,
        c + L" @ = s 'Addin Class'",
        c + L"\\InprocServer32",
        c + L"\\InprocServer32 @ = s '" + Library() + L"'",
        c + L"\\InprocServer32 ThreadingModel = s 'Apartment'",
        c + L"\\ProgID",
        c + L"\\ProgID @ = s 'VaroAddin.Addin.1'",
        c + L"\\Programmable",
        c + L"\\TypeLib",
        c + L"\\TypeLib @ = s '{8A572718-D521-46F1-80E6-9BE987AE3284}'",
        c + L"\\VersionIndependentProgID",
        c + L"\\VersionIndependentProgID @ = s 'VaroAddin.Addin'",
        a,
        a + L" CommandLineSafe = d '0'",
        a + L" Description = s 'Outlook VAROAddin Addin'",
        a + L" FriendlyName = s 'VAROAddin Addin'",
        a + L" LoadBehavior = d '3'",
    };
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0u, RunRegsvr32(L"/u /s")); }
    void TearDown() override {
        ::RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(kAddinsKey) + L"\\Other.Addin").c_str());
        RunRegsvr32(L"/u /s");
    }
};

TEST_F(Registration, RegisteringWritesTheTableAndTheTypeLibraryOnceHoweverOften) {
    ASSERT_EQ(0u, RunRegsvr32(L"/s"));
    EXPECT_EQ(Expected(), AddinEntries());
    std::wstring tlb = std::wstring(kTypeLibKey) + L"\\1.0";
    EXPECT_EQ(L"VaroAddin 1.0 Type Library", DefaultValue(HKEY_CLASSES_ROOT, tlb));
    EXPECT_EQ(Library(), DefaultValue(HKEY_CLASSES_ROOT, tlb + L"\\0\\win64"));
    std::wstring folder = Library().substr(0, Library().find_last_of(L'\\') + 1);
    EXPECT_EQ(folder, DefaultValue(HKEY_CLASSES_ROOT, tlb + L"\\HELPDIR"));

    // A left-over subkey of an older version goes when the class key is rewritten.
    HKEY stale = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kClsidKey) + L"\\LocalServer32").c_str(), 0,
                                nullptr, 0, KEY_ALL_ACCESS, nullptr, &stale, nullptr));
    ::RegCloseKey(stale);
    ASSERT_EQ(0u, RunRegsvr32(L"/s"));
    EXPECT_EQ(Expected(), AddinEntries());
}

TEST_F(Registration, UnregisteringRemovesTheAddinAndKeepsWhatOthersUse) {
    ASSERT_EQ(0u, RunRegsvr32(L"/s"));
    HKEY other = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kAddinsKey) + L"\\Other.Addin").c_str(), 0,
                                nullptr, 0, KEY_ALL_ACCESS, nullptr, &other, nullptr));
    DWORD load = 3;
    ::RegSetValueExW(other, L"LoadBehavior", 0, REG_DWORD, reinterpret_cast<BYTE*>(&load), sizeof load);
    ::RegCloseKey(other);

    ASSERT_EQ(0u, RunRegsvr32(L"/u /s"));
    EXPECT_TRUE(AddinEntries().empty());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::wstring(kAddinsKey) + L"\\Other.Addin"));

    // As the only add-in, its going takes the Addins key along.
    ::RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(kAddinsKey) + L"\\Other.Addin").c_str());
    ASSERT_EQ(0u, RunRegsvr32(L"/s"));
    ASSERT_EQ(0u, RunRegsvr32(L"/u /s"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddinsKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
}

TEST_F(Registration, UnregisteringWhatWasNeverRegisteredSucceeds) {
    EXPECT_TRUE(AddinEntries().empty());
    EXPECT_EQ(0u, RunRegsvr32(L"/u /s"));
    EXPECT_TRUE(AddinEntries().empty());
}

} // namespace
