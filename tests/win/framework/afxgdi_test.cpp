// Borrowed GDI wrappers: one per live handle, never deleting what they borrow, across the clean-up
// that drops the wrappers of deleted objects.
#include <gtest/gtest.h>

#include "afxwin.h"

TEST(BorrowedGdiObjects, LiveOnesKeepTheirWrapperWhileThoseOfDeletedOnesComeAndGo) {
    CPen live(PS_SOLID, 1, RGB(1, 2, 3));
    HBITMAP bitmapHandle = ::CreateBitmap(4, 4, 1, 1, nullptr);
    CPen* pen = CPen::FromHandle(live);
    CBitmap* bitmap = CBitmap::FromHandle(bitmapHandle);
    ASSERT_NE(pen, &live);
    ASSERT_EQ(pen->GetSafeHandle(), live.GetSafeHandle());

    // A paint's worth of short-lived pens, many times over: far more than one clean-up's threshold.
    for (int i = 0; i < 5000; ++i) {
        HPEN shortLived = ::CreatePen(PS_SOLID, 1, RGB(i & 0xFF, 0, 0));
        CPen* borrowed = CPen::FromHandle(shortLived);
        ASSERT_EQ(borrowed->GetSafeHandle(), shortLived);
        ASSERT_EQ(CPen::FromHandle(shortLived), borrowed);
        ASSERT_TRUE(::DeleteObject(shortLived));
    }

    EXPECT_EQ(CPen::FromHandle(live), pen);
    EXPECT_EQ(pen->GetSafeHandle(), live.GetSafeHandle());
    EXPECT_EQ(CBitmap::FromHandle(bitmapHandle), bitmap);
    // Dropped wrappers deleted nothing: the borrowed objects are still there.
    EXPECT_EQ(::GetObjectType(live), static_cast<DWORD>(OBJ_PEN));
    EXPECT_EQ(::GetObjectType(bitmapHandle), static_cast<DWORD>(OBJ_BITMAP));
    ::DeleteObject(bitmapHandle);
}
