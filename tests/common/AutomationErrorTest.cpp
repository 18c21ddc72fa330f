// The error text a user sees for a failed automation call, and the late-bound call helpers.
#include "AutomationError.h"
#include "ComString.h"
#include "Dispatch.h"
#include "FakeDispatch.h"

#include <gtest/gtest.h>

TEST(AutomationError, SystemTextLosesOnlyItsFinalLineBreak) {
    // A code the system has text for (a plain Win32 code is one on every system).
    std::string text = CAutomationError::DescribeError(static_cast<HRESULT>(ERROR_ACCESS_DENIED));
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_EQ(text.find("Unknown error"), std::string::npos);
    EXPECT_EQ(text, DescribeSystemError(ERROR_ACCESS_DENIED));
    // E_POINTER either has the system's text or the unknown form, never a stray line break.
    std::string pointer = CAutomationError::DescribeError(E_POINTER);
    EXPECT_EQ(pointer.find("\r\n"), std::string::npos);
    EXPECT_FALSE(pointer.empty());
}

TEST(AutomationError, CodesWithoutSystemTextUseTheDispatchOrUnknownForm) {
    EXPECT_EQ(CAutomationError::DescribeError(static_cast<HRESULT>(0x8004FFFFUL)), "IDispatch error #65023");
    EXPECT_EQ(CAutomationError::DescribeError(static_cast<HRESULT>(0x8004F001UL)), "IDispatch error #60929");
    // Just outside the dispatch range on either side.
    EXPECT_EQ(CAutomationError::DescribeError(static_cast<HRESULT>(0x80050000UL)),
              "Unknown error 0x80050000");
    EXPECT_EQ(CAutomationError::DescribeError(static_cast<HRESULT>(0x2345ABCDUL)),
              "Unknown error 0x2345ABCD");
    EXPECT_EQ(CAutomationError::DescribeError(static_cast<HRESULT>(0xA0000001UL)),
              "Unknown error 0xA0000001");
}

TEST(AutomationError, CarriesItsCode) {
    try {
        ThrowIfFailed(DISP_E_TYPEMISMATCH);
        FAIL() << "no throw";
    } catch (const CAutomationError& e) {
        EXPECT_EQ(e.Error(), DISP_E_TYPEMISMATCH);
    }
    EXPECT_NO_THROW(ThrowIfFailed(S_FALSE));
}

TEST(Dispatch, PassesArgumentsInOrderAndOmittedOnesAsParamNotFound) {
    auto object = FakeDispatch::Create();
    std::vector<VARTYPE> types;
    std::wstring first;
    object->On(L"Call", [&](const std::vector<VARIANT*>& args, WORD, VARIANT* result) {
        for (VARIANT* a : args)
            types.push_back(a->vt);
        first = args[0]->bstrVal;
        EXPECT_EQ(args[2]->scode, DISP_E_PARAMNOTFOUND);
        result->vt = VT_I4;
        result->lVal = 42;
        return S_OK;
    });
    HRESULT hr = E_FAIL;
    CVariant r = Dispatch::CallMethod(
        object.Get(), L"call", {CVariant::FromString(L"x"), CVariant::FromLong(7), CVariant::Omitted()}, &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(Dispatch::ToLong(r), 42);
    EXPECT_EQ(first, L"x");
    EXPECT_EQ(types, (std::vector<VARTYPE>{VT_BSTR, VT_I4, VT_ERROR}));
}

TEST(Dispatch, FailuresGiveEmptyValuesAndTheirCode) {
    auto object = FakeDispatch::Create();
    object->Fail(L"Broken", E_ACCESSDENIED);
    HRESULT hr = S_OK;
    CVariant v = Dispatch::GetProperty(object.Get(), L"Broken", &hr);
    EXPECT_EQ(hr, E_ACCESSDENIED);
    EXPECT_EQ(v.Type(), VT_EMPTY);
    EXPECT_EQ(Dispatch::ToWString(v), L"");
    EXPECT_FALSE(Dispatch::ToDispatch(v));
    Dispatch::GetProperty(object.Get(), L"Missing", &hr);
    EXPECT_EQ(hr, DISP_E_UNKNOWNNAME);
}

TEST(Dispatch, AbsentObjectRaisesInvalidPointer) {
    try {
        Dispatch::GetProperty(nullptr, L"Anything");
        FAIL() << "no throw";
    } catch (const CAutomationError& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
}

TEST(Dispatch, PutUsesTheNamedPropertyPutArgument) {
    auto object = FakeDispatch::Create();
    WORD seen = 0;
    long value = 0;
    object->On(L"Size", [&](const std::vector<VARIANT*>& args, WORD flags, VARIANT*) {
        seen = flags;
        value = args.size() == 1 ? args[0]->lVal : -1;
        return S_OK;
    });
    EXPECT_EQ(Dispatch::PutProperty(object.Get(), L"Size", CVariant::FromLong(9)), S_OK);
    EXPECT_EQ(seen, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(value, 9);
}

TEST(Dispatch, ConversionsAndOwnership) {
    auto object = FakeDispatch::Create();
    ULONG before = object->References();
    {
        CVariant v = CVariant::FromDispatch(object.Get());
        CVariant copy = v;
        EXPECT_EQ(object->References(), before + 2);
        EXPECT_EQ(Dispatch::ToDispatch(copy).Get(), object.Get());
    }
    EXPECT_EQ(object->References(), before);
    EXPECT_EQ(Dispatch::ToLong(CVariant::FromString(L"12")), 12);
    EXPECT_EQ(Dispatch::ToWString(CVariant::FromLong(5)), L"5");
    CComString s(L"text");
    EXPECT_EQ(s.Length(), 4u);
    EXPECT_EQ(s.ToWString(), L"text");
}

TEST(Dispatch, IdCacheSkipsTheLookupForObjectsOfOneTypeAndRecoversFromAStaleId) {
    auto make = [](std::vector<std::wstring> members) {
        auto o = FakeDispatch::Create();
        for (const auto& m : members)
            o->Value(m, CVariant::FromString(m));
        return o;
    };
    Dispatch::CDispIdCache cache;
    auto first = make({L"FileName", L"Size"});
    auto second = make({L"FileName", L"Size"});
    EXPECT_EQ(Dispatch::ToWString(Dispatch::GetProperty(first.Get(), L"Size", nullptr, &cache)), L"Size");
    EXPECT_EQ(Dispatch::ToWString(Dispatch::GetProperty(second.Get(), L"Size", nullptr, &cache)), L"Size");
    EXPECT_EQ(first->Lookups(), 1);
    EXPECT_EQ(second->Lookups(), 0);
    // An object that does not know the cached id is asked by name.
    auto other = make({L"Size"});
    EXPECT_EQ(Dispatch::ToWString(Dispatch::GetProperty(other.Get(), L"Size", nullptr, &cache)), L"Size");
    EXPECT_EQ(other->Lookups(), 1);
}
