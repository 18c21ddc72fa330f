// The window base: objects bound to handles, and objects that end with their window.
#include "Wnd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

namespace {
constexpr char kClassName[] = "VaroWndTestWindow";
constexpr unsigned char kPoison = 0xA5;

// Closes itself on WM_CLOSE and ends its own life in PostNcDestroy, as a frame window does.
// The object lives in a caller's buffer, which is poisoned once the object is gone.
class SelfEndingWnd : public CWnd {
public:
    explicit SelfEndingWnd(unsigned char* storage, size_t size) : m_storage(storage), m_size(size) {}

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_CLOSE) {
            DestroyWindow();
            return 0;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }
    void PostNcDestroy() override {
        unsigned char* storage = m_storage;
        size_t size = m_size;
        this->~SelfEndingWnd();
        std::memset(storage, kPoison, size);
    }

private:
    unsigned char* m_storage;
    size_t m_size;
};

bool AllPoisoned(const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != kPoison)
            return false;
    return true;
}
} // namespace

TEST(Wnd, AWindowThatEndsItsObjectInsideAMessageIsNotTouchedAfterwards) {
    ASSERT_TRUE(CWnd::RegisterWndClass(kClassName, 0, nullptr, nullptr, nullptr));
    alignas(SelfEndingWnd) unsigned char storage[sizeof(SelfEndingWnd)];
    auto* wnd = new (storage) SelfEndingWnd(storage, sizeof storage);
    ASSERT_TRUE(wnd->CreateEx(0, kClassName, "test", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    HWND hwnd = wnd->m_hWnd;
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), wnd);

    ::SendMessageA(hwnd, WM_CLOSE, 0, 0);

    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    // Nothing wrote into the object's memory after it had ended.
    EXPECT_TRUE(AllPoisoned(storage, sizeof storage));
}
