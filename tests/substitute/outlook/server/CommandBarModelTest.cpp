// The command-bar model inside the stand-in's process, through the same automation objects that
// in-process add-ins call: finding and adding bars and controls, the Click event and its sinks,
// pasted faces, and the bars kept between runs.
#include "ButtonObject.h"
#include "CommandBarSet.h"
#include "CommandBarStore.h"
#include "CommandBarsObject.h"
#include "ControlObjects.h"
#include "Dispatch.h"
#include "OfficeInterfaces.h"
#include "RegKey.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <olectl.h>

#include <functional>

namespace {
CVariant ShortBool(bool value) {
    CVariant v;
    v.Ptr()->vt = VT_I2;
    v.Ptr()->iVal = value ? -1 : 0;
    return v;
}

// A sink that counts Click events and checks their arguments; it may act during the event.
class ClickSink : public IDispatch {
public:
    int clicks = 0;
    bool argumentsRight = true;
    std::function<void()> onClick;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, office::IID_CommandBarButtonEvents)) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; } // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        ++clicks;
        ComPtr<IUnknown> button;
        bool right =
            id == office::kDispidClick && params->cArgs == 2 && params->rgvarg[1].vt == VT_DISPATCH &&
            params->rgvarg[0].vt == (VT_BOOL | VT_BYREF) && *params->rgvarg[0].pboolVal == VARIANT_FALSE &&
            SUCCEEDED(params->rgvarg[1].pdispVal->QueryInterface(
                office::IID_CommandBarButton, reinterpret_cast<void**>(button.ReleaseAndGetAddressOf())));
        argumentsRight = argumentsRight && right;
        if (onClick)
            onClick();
        return S_OK;
    }
};

DWORD Advise(IDispatch* button, ClickSink& sink, ComPtr<IConnectionPoint>& point) {
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(button->QueryInterface(IID_IConnectionPointContainer,
                                     reinterpret_cast<void**>(container.ReleaseAndGetAddressOf())),
              S_OK);
    EXPECT_EQ(
        container->FindConnectionPoint(office::IID_CommandBarButtonEvents, point.ReleaseAndGetAddressOf()),
        S_OK);
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(&sink, &cookie), S_OK);
    return cookie;
}

class CommandBarModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        m_state.commandBars = &m_set;
        ComPtr<_CommandBars> bars;
        bars.Attach(new CommandBarsObject(m_set, m_state));
        ASSERT_EQ(bars.As(IID_IDispatch, m_bars), S_OK);
    }
    void TearDown() override {
        m_bars.Reset();
        m_set.DisconnectAllSinks();
        ::CoUninitialize();
    }
    ComPtr<IDispatch> Get(IDispatch* object, const wchar_t* name, HRESULT* hr = nullptr) {
        return Dispatch::ToDispatch(Dispatch::GetProperty(object, name, hr));
    }
    ComPtr<IDispatch> Call(IDispatch* object, const wchar_t* name, const std::vector<CVariant>& args,
                           HRESULT* hr = nullptr) {
        return Dispatch::ToDispatch(Dispatch::CallMethod(object, name, args, hr));
    }
    ComPtr<IDispatch> AddButton(IDispatch* controls, long before = 0) {
        return Call(controls, L"Add",
                    {CVariant::FromLong(1), CVariant::Omitted(), CVariant::Omitted(),
                     before ? CVariant::FromLong(before) : CVariant::Omitted(), ShortBool(true)});
    }
    ComPtr<IDispatch> Find(const wchar_t* tag, bool visibleOnly = false) {
        return Call(m_bars.Get(), L"FindControl",
                    {CVariant::FromLong(1), CVariant::Omitted(), CVariant::FromString(tag),
                     visibleOnly ? ShortBool(true) : CVariant::Omitted()});
    }

    CommandBarSet m_set;
    ServerState m_state;
    ComPtr<IDispatch> m_bars;
};

TEST_F(CommandBarModelTest, MenuBarHasOutlooksMenusWithToolsFifthAndBarsAreFoundByNameOrNumber) {
    ComPtr<IDispatch> menuBar = Get(m_bars.Get(), L"ActiveMenuBar");
    ASSERT_TRUE(menuBar);
    ComPtr<IDispatch> menus = Get(menuBar.Get(), L"Controls");
    EXPECT_EQ(Dispatch::ToLong(Dispatch::GetProperty(menus.Get(), L"Count")), 7);
    ComPtr<IDispatch> fifth = Call(menus.Get(), L"Item", {CVariant::FromLong(5)});
    EXPECT_EQ(Dispatch::ToWString(Dispatch::GetProperty(fifth.Get(), L"Caption")), L"Tools");
    ComPtr<IDispatch> popup = Get(fifth.Get(), L"Control");
    ComPtr<IDispatch> asPopup, asButton;
    EXPECT_EQ(popup.As(office::IID_CommandBarPopup, asPopup), S_OK);
    EXPECT_EQ(popup.As(office::IID_CommandBarButton, asButton), E_NOINTERFACE);

    HRESULT hr = S_OK;
    EXPECT_FALSE(Call(m_bars.Get(), L"Item", {CVariant::FromString(L"My Bar")}, &hr));
    EXPECT_TRUE(FAILED(hr));
    ComPtr<IDispatch> bar =
        Call(m_bars.Get(), L"Add",
             {CVariant::FromString(L"My Bar"), CVariant::FromLong(1), CVariant::Omitted(), ShortBool(false)});
    ASSERT_TRUE(bar);
    EXPECT_EQ(Dispatch::GetProperty(bar.Get(), L"Visible").Get().boolVal,
              VARIANT_FALSE);                                                    // hidden until shown
    EXPECT_TRUE(Call(m_bars.Get(), L"Item", {CVariant::FromString(L"my bar")})); // names ignore case
    ComPtr<IDispatch> second = Call(m_bars.Get(), L"Item", {CVariant::FromLong(2)});
    EXPECT_EQ(Dispatch::ToWString(Dispatch::GetProperty(second.Get(), L"Name")), L"My Bar");
    EXPECT_FALSE(Call(m_bars.Get(), L"Add", {CVariant::FromString(L"MY BAR")}, &hr)); // a name is taken once
    EXPECT_TRUE(FAILED(hr));
    ComPtr<IDispatch> unnamed = Call(m_bars.Get(), L"Add", {});
    EXPECT_EQ(Dispatch::ToWString(Dispatch::GetProperty(unnamed.Get(), L"Name")), L"Custom 1");
}

TEST_F(CommandBarModelTest, ControlsGoWhereBeforeSaysAndFindControlSearchesBarsThenMenusDepthFirst) {
    ComPtr<IDispatch> bar = Call(m_bars.Get(), L"Add", {CVariant::FromString(L"B")});
    ComPtr<IDispatch> controls = Get(bar.Get(), L"Controls");
    ComPtr<IDispatch> first = AddButton(controls.Get());
    ComPtr<IDispatch> front = AddButton(controls.Get(), 1);
    ASSERT_TRUE(first && front);
    Dispatch::PutProperty(first.Get(), L"Caption", CVariant::FromString(L"first"));
    Dispatch::PutProperty(front.Get(), L"Caption", CVariant::FromString(L"front"));
    ComPtr<IDispatch> one = Call(controls.Get(), L"Item", {CVariant::FromLong(1)});
    EXPECT_EQ(Dispatch::ToWString(Dispatch::GetProperty(one.Get(), L"Caption")), L"front");
    HRESULT hr = S_OK;
    EXPECT_FALSE(
        Call(controls.Get(), L"Add",
             {CVariant::FromLong(1), CVariant::Omitted(), CVariant::Omitted(), CVariant::FromLong(4)}, &hr));
    EXPECT_EQ(hr, E_INVALIDARG);
    EXPECT_FALSE(Call(controls.Get(), L"Item", {CVariant::FromLong(3)}, &hr));

    // The same tag in the Tools menu (menu bar first) and on the bar: the menu's is found first.
    ComPtr<IDispatch> menus = Get(Get(m_bars.Get(), L"ActiveMenuBar").Get(), L"Controls");
    ComPtr<IDispatch> tools = Get(Call(menus.Get(), L"Item", {CVariant::FromLong(5)}).Get(), L"Control");
    ComPtr<IDispatch> item = AddButton(Get(tools.Get(), L"Controls").Get());
    Dispatch::PutProperty(item.Get(), L"Tag", CVariant::FromString(L"shared"));
    Dispatch::PutProperty(item.Get(), L"Caption", CVariant::FromString(L"in menu"));
    Dispatch::PutProperty(first.Get(), L"Tag", CVariant::FromString(L"shared"));
    EXPECT_EQ(Dispatch::ToWString(Dispatch::GetProperty(Find(L"shared").Get(), L"Caption")), L"in menu");
    Dispatch::PutProperty(item.Get(), L"Visible", CVariant::FromBool(false));
    EXPECT_EQ(Dispatch::ToWString(Dispatch::GetProperty(Find(L"shared", true).Get(), L"Caption")), L"first");
    EXPECT_FALSE(Find(L"Shared")); // tags compare exactly
}

TEST_F(CommandBarModelTest, ClickReachesEverySinkWithTheButtonAndCancelDefaultEvenWhenOneLeavesDuringIt) {
    ComPtr<IDispatch> bar = Call(m_bars.Get(), L"Add", {CVariant::FromString(L"B")});
    ComPtr<IDispatch> button = AddButton(Get(bar.Get(), L"Controls").Get());
    Dispatch::PutProperty(button.Get(), L"Tag", CVariant::FromString(L"t"));
    ClickSink leaving, staying;
    ComPtr<IConnectionPoint> point, point2;
    DWORD leavingCookie = Advise(button.Get(), leaving, point);
    leaving.onClick = [&] { point->Unadvise(leavingCookie); };
    Advise(Find(L"t").Get(), staying, point2); // another object for the same control: one event source

    CommandBarSet::Criteria criteria;
    std::wstring tag = L"t";
    criteria.tag = &tag;
    m_set.Click(m_set.FindControl(criteria));
    m_set.Click(m_set.FindControl(criteria));
    EXPECT_EQ(leaving.clicks, 1);
    EXPECT_EQ(staying.clicks, 2);
    EXPECT_TRUE(leaving.argumentsRight && staying.argumentsRight);

    Dispatch::PutProperty(button.Get(), L"Enabled", CVariant::FromBool(false));
    m_set.Click(m_set.FindControl(criteria));
    EXPECT_EQ(staying.clicks, 2); // a disabled control does not fire
    EXPECT_EQ(point2->Unadvise(12345), CONNECT_E_NOCONNECTION);
}

TEST_F(CommandBarModelTest, PasteFaceTakesTheClipboardPictureAndFailsWithoutOne) {
    ComPtr<IDispatch> bar = Call(m_bars.Get(), L"Add", {CVariant::FromString(L"B")});
    ComPtr<IDispatch> button = AddButton(Get(bar.Get(), L"Controls").Get());
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::CloseClipboard();
    HRESULT hr = Dispatch::Invoke(button.Get(), L"PasteFace", DISPATCH_METHOD, {}, nullptr);
    EXPECT_TRUE(FAILED(hr));

    HDC screen = ::GetDC(nullptr);
    HBITMAP picture = ::CreateCompatibleBitmap(screen, 32, 32);
    ::ReleaseDC(nullptr, screen);
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::SetClipboardData(CF_BITMAP, picture); // the clipboard owns it now
    ::CloseClipboard();
    EXPECT_EQ(Dispatch::Invoke(button.Get(), L"PasteFace", DISPATCH_METHOD, {}, nullptr), S_OK);
    CommandBarSet::Criteria any;
    any.type = kControlButton;
    std::wstring none;
    auto control = m_set.FindControl(any);
    ASSERT_TRUE(m_set.Bars().back()->controls->back()->face);
    ASSERT_TRUE(::OpenClipboard(nullptr));
    EXPECT_TRUE(::GetClipboardData(CF_BITMAP)); // pasting leaves the clipboard as it was
    ::CloseClipboard();
}

TEST_F(CommandBarModelTest, PermanentBarsAreSavedWithPositionAndVisibilityTemporaryOnesAreNot) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, CommandBarStore::KeyPath());
    ComPtr<IDispatch> kept = Call(m_bars.Get(), L"Add",
                                  {CVariant::FromString(L"K\u00e9pt \u6771"), CVariant::FromLong(1),
                                   CVariant::Omitted(), ShortBool(false)});
    Dispatch::PutProperty(kept.Get(), L"Visible", CVariant::FromBool(true));
    Call(m_bars.Get(), L"Add",
         {CVariant::FromString(L"Gone"), CVariant::FromLong(1), CVariant::Omitted(), ShortBool(true)});
    ASSERT_TRUE(m_set.SavePermanentBars());

    CommandBarSet next;
    next.LoadPermanentBars();
    ASSERT_EQ(next.Bars().size(), 2u); // the menu bar and the kept one
    EXPECT_EQ(next.Bars()[1]->name, L"K\u00e9pt \u6771");
    EXPECT_EQ(next.Bars()[1]->position, 1);
    EXPECT_TRUE(next.Bars()[1]->visible);
    EXPECT_TRUE(next.Bars()[1]->controls->empty());
    EXPECT_FALSE(next.FindBar(L"Gone"));
    ::RegDeleteTreeA(HKEY_CURRENT_USER, CommandBarStore::KeyPath());
}

TEST_F(CommandBarModelTest, FaultSwitchesMakeCommandBarsMembersFail) {
    m_state.failActiveMenuBar = true;
    HRESULT hr = S_OK;
    EXPECT_FALSE(Get(m_bars.Get(), L"ActiveMenuBar", &hr));
    EXPECT_EQ(hr, kFailActiveMenuBarResult);
}
} // namespace
