// Tests of the check-box image scaling: crisp frame lines, the inside stretched to its nearest pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "checklist/core/checklist_image.h"
#include "checklist/core/checklist_scroll.h"

namespace {

using namespace checklist;

// The shipped checked image, 13 x 12: K black, D dark grey, S silver, W white.
const char* const kCheck[] = {
    "DDDDDDDDDDDDD", "DKKKKKKKKKKKW", "DKWWWWWWWWWSW", "DKWWWWWWWKWSW", "DKWWWWWWKKWSW", "DKWKWWWKKKWSW",
    "DKWKKWKKKWWSW", "DKWKKKKKWWWSW", "DKWWKKKWWWWSW", "DKWWWKWWWWWSW", "DKSSSSSSSSSSW", "DWWWWWWWWWWWW",
};

std::vector<uint32_t> Pixels(const char* const* rows, int32_t width, int32_t height) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            out.push_back(static_cast<uint8_t>(rows[y][x]));
    return out;
}

std::vector<std::string> Rows(const std::vector<uint32_t>& pixels, int32_t width) {
    std::vector<std::string> out;
    for (size_t i = 0; i < pixels.size(); i += width) {
        std::string row;
        for (int32_t x = 0; x < width; ++x)
            row += static_cast<char>(pixels[i + x]);
        out.push_back(row);
    }
    return out;
}

const std::vector<uint32_t> kCheckPixels = Pixels(kCheck, 13, 12);

TEST(CheckImageScale, TheSameSizeGivesTheSameImage) {
    EXPECT_EQ(kCheckPixels, ScaleCheckImage(kCheckPixels, 13, 12, 13, 12));
}

TEST(CheckImageScale, At144TheFrameStaysTwoLinesAndTheTickGrows) {
    const int32_t w = ScaleToDpi(13, 144), h = ScaleToDpi(12, 144);
    ASSERT_EQ(20, w);
    ASSERT_EQ(18, h);
    const auto rows = Rows(ScaleCheckImage(kCheckPixels, 13, 12, w, h), w);
    ASSERT_EQ(18u, rows.size());
    // One-pixel lines all round: dark and black at the top and left, silver and white at the bottom
    // and right, each one pixel wide.
    EXPECT_EQ(std::string(20, 'D'), rows[0]);
    EXPECT_EQ("D" + std::string(18, 'K') + "W", rows[1]);
    EXPECT_EQ("DK" + std::string(17, 'S') + "W", rows[16]);
    EXPECT_EQ("D" + std::string(19, 'W'), rows[17]);
    for (int y = 2; y < 16; ++y) {
        EXPECT_EQ("DK", rows[y].substr(0, 2)) << y;
        EXPECT_EQ("SW", rows[y].substr(18)) << y;
    }
    // The inside keeps only the image's colours and its tick, larger: 16 x 14 instead of 9 x 8.
    int black = 0;
    for (int y = 2; y < 16; ++y)
        for (int x = 2; x < 18; ++x) {
            ASSERT_TRUE(rows[y][x] == 'K' || rows[y][x] == 'W') << x << "," << y;
            black += rows[y][x] == 'K';
        }
    EXPECT_GT(black, 2 * 21);   // the 96-DPI tick has 21 black pixels
    EXPECT_EQ('W', rows[2][2]); // the corners inside stay white
    EXPECT_EQ('W', rows[15][17]);
}

TEST(CheckImageScale, EachInsidePixelTakesTheNearestSourcePixel) {
    // A 6 x 6 image whose inside is a 2 x 2 chequer, doubled: each inside pixel becomes a 2 x 2 block.
    const char* const grid[] = {"DDDDDD", "DKKKKW", "DKabSW", "DKcdSW", "DKSSSW", "DWWWWW"};
    const auto rows = Rows(ScaleCheckImage(Pixels(grid, 6, 6), 6, 6, 8, 8), 8);
    EXPECT_EQ("DKaabbSW", rows[2]);
    EXPECT_EQ("DKaabbSW", rows[3]);
    EXPECT_EQ("DKccddSW", rows[4]);
    EXPECT_EQ("DKccddSW", rows[5]);
    EXPECT_EQ("DKSSSSSW", rows[6]);
}

TEST(CheckImageScale, SmallerSizesAndTinyImagesStayWithinTheSource) {
    // Down to 75 % (72 DPI) and up to 250 %: only the image's own colours, frame intact.
    const std::set<uint32_t> colours(kCheckPixels.begin(), kCheckPixels.end());
    for (int32_t dpi : {72, 120, 168, 192, 240}) {
        const int32_t w = ScaleToDpi(13, dpi), h = ScaleToDpi(12, dpi);
        const auto out = ScaleCheckImage(kCheckPixels, 13, 12, w, h);
        ASSERT_EQ(static_cast<size_t>(w) * h, out.size()) << dpi;
        for (uint32_t p : out)
            ASSERT_TRUE(colours.count(p)) << dpi;
        const auto rows = Rows(out, w);
        EXPECT_EQ(std::string(w, 'D'), rows[0]) << dpi;
        EXPECT_EQ("D" + std::string(w - 1, 'W'), rows[h - 1]) << dpi;
    }
    // Too small for a frame on both sides: the nearest pixel throughout.
    const std::vector<uint32_t> two{1, 2, 3, 4};
    EXPECT_EQ((std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}),
              ScaleCheckImage(two, 2, 2, 4, 4));
    EXPECT_EQ(std::vector<uint32_t>{4}, ScaleCheckImage(two, 2, 2, 1, 1));
}

TEST(CheckImageScale, BadSizesGiveNothing) {
    EXPECT_TRUE(ScaleCheckImage(kCheckPixels, 13, 11, 20, 18).empty()); // pixels do not match the size
    EXPECT_TRUE(ScaleCheckImage(kCheckPixels, 13, 12, 0, 18).empty());
    EXPECT_TRUE(ScaleCheckImage(kCheckPixels, 13, 12, 20, -1).empty());
    EXPECT_TRUE(ScaleCheckImage(kCheckPixels, 13, 12, kMaxImageSide + 1, 18).empty());
    EXPECT_TRUE(ScaleCheckImage({}, 0, 0, 20, 18).empty());
    EXPECT_EQ(static_cast<size_t>(kMaxImageSide) * kMaxImageSide,
              ScaleCheckImage(kCheckPixels, 13, 12, kMaxImageSide, kMaxImageSide).size());
}

} // namespace
