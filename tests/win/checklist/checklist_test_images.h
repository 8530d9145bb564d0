// Ids of the test-only bitmaps: three images of which the middle one is a row taller.
#pragma once

#define IDB_TEST_CHECK 140
#define IDB_TEST_UNCHECK 141
#define IDB_TEST_TALL_MIDDLE 142
#define IDB_TEST_WIDE_UNCHECK 143
#define IDB_TEST_MISSING 199
