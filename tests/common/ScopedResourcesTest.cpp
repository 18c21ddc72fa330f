// A device context and the objects selected into it are given back on every way out; a copied
// VARIANT is whole or not made.
#include "AutomationError.h"
#include "UniqueHandle.h"
#include "Variant.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <utility>

TEST(ScopedResources, SelectedObjectsAreSelectedBackOnceAndTheirOwnersCanThenGo) {
    UniqueWindowDc screen(nullptr);
    ASSERT_TRUE(screen);
    UniqueDc memory(::CreateCompatibleDC(screen.Get()));
    ASSERT_TRUE(memory);
    const HGDIOBJ initial = ::GetCurrentObject(memory.Get(), OBJ_BITMAP);
    UniqueBitmap first(::CreateCompatibleBitmap(screen.Get(), 4, 4));
    UniqueBitmap second(::CreateCompatibleBitmap(screen.Get(), 4, 4));
    {
        SelectedObject outer(memory.Get(), first.Get());
        ASSERT_TRUE(outer);
        EXPECT_EQ(::GetCurrentObject(memory.Get(), OBJ_BITMAP), first.Get());
        SelectedObject moved;
        {
            SelectedObject inner(memory.Get(), second.Get());
            moved = std::move(inner); // only the new owner selects back
        }
        EXPECT_EQ(::GetCurrentObject(memory.Get(), OBJ_BITMAP), second.Get());
        moved.Reset();
        EXPECT_EQ(::GetCurrentObject(memory.Get(), OBJ_BITMAP), first.Get());
    }
    EXPECT_EQ(::GetCurrentObject(memory.Get(), OBJ_BITMAP), initial);
    // Nothing holds them any more, so they can be deleted.
    EXPECT_TRUE(::DeleteObject(first.Release()));
    EXPECT_TRUE(::DeleteObject(second.Release()));

    // Nothing to select, or nowhere to select it: nothing to give back.
    EXPECT_FALSE(SelectedObject(memory.Get(), nullptr));
    EXPECT_FALSE(SelectedObject(nullptr, ::GetStockObject(WHITE_BRUSH)));
}

TEST(ScopedResources, AVariantCopyIsDeepAndAFailedOneIsSeenAndChangesNothing) {
    CVariant text = CVariant::FromString(L"report");
    CVariant copy(text);
    ASSERT_EQ(copy.Type(), VT_BSTR);
    EXPECT_NE(copy.Get().bstrVal, text.Get().bstrVal);
    EXPECT_STREQ(copy.Get().bstrVal, L"report");

    // A value of a type the runtime does not know cannot be copied.
    CVariant unknownType;
    unknownType.Ptr()->vt = 0x7F;
    try {
        CVariant failed(unknownType);
        ADD_FAILURE() << "copied a value of an unknown type";
    } catch (const CAutomationError& e) {
        EXPECT_EQ(e.Error(), DISP_E_BADVARTYPE);
    }
    CVariant target = CVariant::FromLong(7);
    EXPECT_THROW(target = unknownType, CAutomationError);
    ASSERT_EQ(target.Type(), VT_I4); // the old value stays
    EXPECT_EQ(target.Get().lVal, 7);
    unknownType.Ptr()->vt = VT_EMPTY;

    target = text;
    ASSERT_EQ(target.Type(), VT_BSTR);
    EXPECT_STREQ(target.Get().bstrVal, L"report");
}
