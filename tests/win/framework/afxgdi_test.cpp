// Borrowed GDI wrappers: one per live handle, never deleting what they borrow, across the clean-up
// that drops the wrappers of deleted objects.
#include <gtest/gtest.h>

#include "framework/afxwin.h"

TEST(BorrowedGdiObjects, LiveOnesKeepTheirWrapperWhileThoseOfDeletedOnesComeAndGo) {
    CPen live(PS_SOLID, 1, RGB(1, 2, 3));
    const auto liveHandle = static_cast<HPEN>(live.m_hObject);
    HBITMAP bitmapHandle = ::CreateBitmap(4, 4, 1, 1, nullptr);
    CPen* pen = CPen::FromHandle(liveHandle);
    CBitmap* bitmap = CBitmap::FromHandle(bitmapHandle);
    ASSERT_NE(pen, &live);
    ASSERT_EQ(pen->m_hObject, live.m_hObject);

    // A paint's worth of short-lived pens, many times over: far more than one clean-up's threshold.
    for (int i = 0; i < 5000; ++i) {
        HPEN shortLived = ::CreatePen(PS_SOLID, 1, RGB(i & 0xFF, 0, 0));
        CPen* borrowed = CPen::FromHandle(shortLived);
        ASSERT_EQ(borrowed->m_hObject, shortLived);
        ASSERT_EQ(CPen::FromHandle(shortLived), borrowed);
        ASSERT_TRUE(::DeleteObject(shortLived));
    }

    EXPECT_EQ(CPen::FromHandle(liveHandle), pen);
    EXPECT_EQ(pen->m_hObject, live.m_hObject);
    EXPECT_EQ(CBitmap::FromHandle(bitmapHandle), bitmap);
    // Dropped wrappers deleted nothing: the borrowed objects are still there.
    EXPECT_EQ(::GetObjectType(liveHandle), static_cast<DWORD>(OBJ_PEN));
    EXPECT_EQ(::GetObjectType(bitmapHandle), static_cast<DWORD>(OBJ_BITMAP));
    ::DeleteObject(bitmapHandle);
}
