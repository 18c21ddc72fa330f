// A device context and the objects selected into it are given back on every way out.
#include "UniqueHandle.h"

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
