// Ids of the test-only bitmaps: 13 x 12 check and uncheck images, a taller middle one, a wider uncheck one.
#pragma once

#define IDB_TEST_CHECK 140
#define IDB_TEST_UNCHECK 141
#define IDB_TEST_TALL_MIDDLE 142
#define IDB_TEST_WIDE_UNCHECK 143
#define IDB_TEST_MISSING 199
