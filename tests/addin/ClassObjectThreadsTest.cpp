// VaroAddin.dll's class object asked for by several threads at once, each round in a freshly loaded
// copy of the library (so that no class object exists yet): every thread gets the one class
// object, and the library's lock count comes back to nothing.
#include "ComPtr.h"
#include "UniqueHandle.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// {41469133-F84A-40AF-9380-CE776F52EF86}
constexpr CLSID kClsidAddin = {0x41469133, 0xF84A, 0x40AF, {0x93, 0x80, 0xCE, 0x77, 0x6F, 0x52, 0xEF, 0x86}};
constexpr int kThreads = 8;
constexpr int kRounds = 25;
constexpr int kReferencesPerThread = 200;

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// A copy of the library under a name of its own, removed again at the end.
class LibraryCopy {
public:
    LibraryCopy() {
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring folder(self);
        folder.resize(folder.find_last_of(L'\\') + 1);
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_path =
            std::wstring(temp) + L"varo-addin-threads-" + std::to_wstring(::GetCurrentProcessId()) + L".dll";
        m_copied = ::CopyFileW((folder + L"VaroAddin.dll").c_str(), m_path.c_str(), FALSE) != FALSE;
    }
    ~LibraryCopy() { ::DeleteFileW(m_path.c_str()); }
    bool Copied() const { return m_copied; }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
    bool m_copied = false;
};

template <typename Fn> Fn Export(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

TEST(ClassObjectThreads, EveryThreadGetsTheOneClassObjectAndTheLockCountBalances) {
    LibraryCopy copy;
    ASSERT_TRUE(copy.Copied());
    for (int round = 0; round < kRounds; ++round) {
        UniqueModule library(::LoadLibraryW(copy.Path().c_str()));
        ASSERT_TRUE(library);
        auto getClassObject = Export<GetClassObjectFn>(library.Get(), "DllGetClassObject");
        auto canUnloadNow = Export<CanUnloadNowFn>(library.Get(), "DllCanUnloadNow");
        ASSERT_TRUE(getClassObject && canUnloadNow);
        ASSERT_EQ(S_OK, canUnloadNow());

        std::vector<ComPtr<IClassFactory>> got(kThreads);
        std::vector<HRESULT> results(kThreads, E_FAIL);
        std::atomic<int> waiting{kThreads};
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&, i] {
                // All start together: the first requests race for the class object's making.
                waiting.fetch_sub(1);
                while (waiting.load() > 0)
                    std::this_thread::yield();
                results[i] = getClassObject(kClsidAddin, IID_IClassFactory,
                                            reinterpret_cast<void**>(got[i].ReleaseAndGetAddressOf()));
                if (FAILED(results[i]) || !got[i])
                    return;
                // References and server locks taken and given back while the others do the same.
                for (int n = 0; n < kReferencesPerThread; ++n) {
                    ComPtr<IClassFactory> another(got[i].Get());
                    another->LockServer(TRUE);
                    another->LockServer(FALSE);
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();

        for (int i = 0; i < kThreads; ++i) {
            ASSERT_EQ(S_OK, results[i]) << "round " << round << ", thread " << i;
            EXPECT_EQ(got[0].Get(), got[i].Get()) << "round " << round << ", thread " << i;
        }
        EXPECT_EQ(S_FALSE, canUnloadNow()) << "round " << round; // the class object is held out here
        got.clear();
        EXPECT_EQ(S_OK, canUnloadNow()) << "round " << round;
    }
}

} // namespace
