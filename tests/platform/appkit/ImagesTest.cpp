// Images by name: a picture the build drew beforehand at the size asked for is read from its file,
// any other size is drawn from the SVG, and a name without an SVG stays a placeholder even when a
// stray drawing of that name lies in the bundle.
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "support/TestSupport.h"

namespace morvex::appkit {
namespace {

// A bundle whose "mark" is a red square in its SVG, with a blue 8 × 8 drawing beside it and two
// damaged ones, and a blue drawing of "stray", which has no SVG.
class ImagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto resources = Bundle(dir_.path()).resourcePath();
        std::filesystem::create_directories(resources / "Images");
        std::filesystem::create_directories(resources / "Rasters");
        std::ofstream(resources / "Images/mark.svg")
            << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 8 8\"><rect width=\"8\" height=\"8\" fill=\"#ff0000\"/></svg>\n";
        // Drawings as the build writes them: width, height, then premultiplied ARGB pixels.
        const auto write = [&](const char* file, std::uint32_t width, std::uint32_t height, std::size_t pixels) {
            std::ofstream out(resources / "Rasters" / file, std::ios::binary);
            const std::uint32_t header[2] = {width, height};
            out.write(reinterpret_cast<const char*>(header), sizeof header);
            const std::vector<std::uint32_t> blue(pixels, 0xff0000ffu);
            out.write(reinterpret_cast<const char*>(blue.data()), std::streamsize(blue.size() * 4));
        };
        write("mark@8x8.argb", 8, 8, 64);
        write("stray@8x8.argb", 8, 8, 64);
        write("mark@16x16.argb", 16, 16, 100);  // cut short
        write("mark@32x32.argb", 64, 64, 64 * 64);  // larger than the size it claims to be drawn at
    }
    test::TempDir dir_;
};

TEST_F(ImagesTest, ADrawingMadeAtTheSizeAskedForIsReadAndOtherSizesAreDrawnFromTheSvg) {
    const Bundle bundle(dir_.path());
    enum class Source { Drawing, Svg, Placeholder };
    struct Case {
        const char* name;
        QSize size;
        Source expected;
        const char* why;
    };
    const Case cases[] = {
        {"mark", QSize(8, 8), Source::Drawing, "the drawing of that size"},
        {"mark", QSize(16, 16), Source::Svg, "the drawing of 16 x 16 is cut short"},
        {"mark", QSize(32, 32), Source::Svg, "the drawing of 32 x 32 is larger than that"},
        {"mark", QSize(12, 12), Source::Svg, "no drawing of 12 x 12"},
        {"mark", QSize(8, 16), Source::Svg, "no drawing of 8 x 16"},
        {"stray", QSize(8, 8), Source::Placeholder, "no SVG: never the stray drawing"},
    };
    for (const Case& c : cases) {
        const QImage image = imageNamed(c.name, c.size, bundle).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(image.isNull()) << c.why;
        const std::string what = std::string(c.name) + " at " + std::to_string(c.size.width()) + " x " +
                                 std::to_string(c.size.height()) + ": " + c.why;
        switch (c.expected) {
        case Source::Drawing:
            EXPECT_EQ(image.size(), c.size) << what;
            EXPECT_EQ(image.pixelColor(4, 4), QColor(0, 0, 255)) << what;
            break;
        case Source::Svg: {
            const int side = std::min(c.size.width(), c.size.height());
            EXPECT_EQ(image.size(), QSize(side, side)) << what << " (the SVG keeps its aspect ratio)";
            EXPECT_EQ(image.pixelColor(side / 2, side / 2), QColor(255, 0, 0)) << what;
            break;
        }
        case Source::Placeholder:
            EXPECT_EQ(image, missingImage(c.size).toImage().convertToFormat(QImage::Format_ARGB32)) << what;
            break;
        }
    }
}

}  // namespace
}  // namespace morvex::appkit
