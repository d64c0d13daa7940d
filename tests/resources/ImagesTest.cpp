// The images: every picture the build put into the bundle is an SVG that draws something, and the
// build step that writes them from the image table refuses a table it cannot honour instead of
// shipping a broken or uncoloured picture.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "foundation/BundleResources.h"
#include "foundation/Paths.h"
#include "support/TestSupport.h"

namespace morvex::test {
namespace {

// Pixels the picture covers when drawn into a 32 × 32 transparent square.
int coveredPixels(QSvgRenderer& svg) {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    int covered = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) covered += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return covered;
}

TEST(Images, EveryImageOfTheBundleIsAnSvgThatDrawsSomething) {
    const auto folder = std::filesystem::path(MORVEX_TEST_BUNDLE_DIR) / "Resources/Images";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
        const auto file = entry.path();
        EXPECT_EQ(file.extension(), ".svg") << file;
        QSvgRenderer svg(QString::fromStdString(file.string()));
        ASSERT_TRUE(svg.isValid()) << file;
        EXPECT_GT(coveredPixels(svg), 0) << file;
        EXPECT_EQ(paths::readFile(file)->find("currentColor"), std::string::npos) << file << " is left uncoloured";
    }
    EXPECT_GT(count, 200) << "flags and images";
}

// The first window's images are read from drawings the build made; each must be exactly what the
// SVG of the same name draws at that size, so the window looks the same either way.
TEST(Images, EveryDrawingTheBuildMadeIsWhatItsSvgDrawsAtThatSize) {
    const auto resources = std::filesystem::path(MORVEX_TEST_BUNDLE_DIR) / "Resources";
    std::vector<std::filesystem::path> drawings;
    for (const auto& entry : std::filesystem::directory_iterator(resources / "Rasters")) drawings.push_back(entry.path());
    ASSERT_FALSE(drawings.empty()) << "the build draws the first window's images";
    const QRegularExpression pattern(QStringLiteral("^(.+)@([0-9]+)x([0-9]+)\\.argb$"));
    for (const auto& file : drawings) {
        const auto match = pattern.match(QString::fromStdString(file.filename().string()));
        ASSERT_TRUE(match.hasMatch()) << file << " is not named <image>@<width>x<height>.argb";
        const auto svg = resources / "Images" / (match.captured(1).toStdString() + ".svg");
        ASSERT_TRUE(std::filesystem::is_regular_file(svg)) << file << " has no SVG";
        const QSize size(match.captured(2).toInt(), match.captured(3).toInt());
        const QImage drawn = QIcon(QString::fromStdString(svg.string())).pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        // The file: the drawing's width and height, then its premultiplied ARGB pixels.
        const std::string bytes = paths::readFile(file).value_or("");
        std::uint32_t header[2] = {0, 0};
        ASSERT_GE(bytes.size(), sizeof header) << file;
        std::memcpy(header, bytes.data(), sizeof header);
        ASSERT_EQ(bytes.size(), sizeof header + std::size_t(header[0]) * header[1] * 4) << file;
        QImage read(static_cast<int>(header[0]), static_cast<int>(header[1]), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < read.height(); ++y)
            std::memcpy(read.scanLine(y), bytes.data() + sizeof header + std::size_t(y) * read.width() * 4, std::size_t(read.width()) * 4);
        EXPECT_EQ(read.convertToFormat(QImage::Format_ARGB32), drawn) << file << " differs from what " << svg << " draws at that size";
    }
}

TEST(Images, AnImageIsFoundByItsExactName) {
    const Bundle bundle(MORVEX_TEST_BUNDLE_DIR);
    EXPECT_TRUE(imageNamed("us", bundle));
    EXPECT_FALSE(imageNamed("US", bundle)) << "callers lower-case country codes themselves";
    EXPECT_FALSE(imageNamed("", bundle));
    EXPECT_FALSE(imageNamed("../Info", bundle));
}

class ImageBuild : public ::testing::Test {
protected:
    // Runs the image step over a one-line table; answers its exit code and what it printed.
    std::pair<int, std::string> build(const std::string& tableLine) {
        std::ofstream(dir_.path() / "images.txt") << "# test\n" << tableLine << "\n";
        std::filesystem::create_directories(dir_.path() / "own");
        std::ofstream(dir_.path() / "own/mark.svg")
            << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 8 8\"><rect width=\"8\" height=\"8\" fill=\"@Ink@\"/></svg>\n";
        std::ofstream(dir_.path() / "colors.json")
            << R"({"Ink": {"light": "#112233", "dark": "#445566"}, "Veil": {"light": "#11223344", "dark": "#11223344"},)"
               R"( "HeadingText": {"light": "#1C1C1C", "dark": "#F1F3F5"}, "BarRed": {"light": "#FA6961", "dark": "#FA6961"}})";
        QProcess cmake;
        cmake.setProcessChannelMode(QProcess::MergedChannels);
        cmake.start(MORVEX_CMAKE_COMMAND,
                    {"-DTABLE=" + path("images.txt"), "-DOWN_DIR=" + path("own"), "-DICON_DIR=" MORVEX_ICON_DIR,
                     "-DFLAG_DIR=" MORVEX_FLAG_DIR, "-DCOLORS=" + path("colors.json"), "-DOUT_DIR=" + path("out"),
                     "-P", MORVEX_SOURCE_DIR "/tools/images/make-images.cmake"});
        cmake.waitForFinished(60000);
        return {cmake.exitStatus() == QProcess::NormalExit ? cmake.exitCode() : -1, cmake.readAll().toStdString()};
    }
    QString path(const std::string& name) const { return QString::fromStdString((dir_.path() / name).string()); }
    std::string output(const std::string& name) const { return paths::readFile(dir_.path() / "out" / name).value_or(""); }
    TempDir dir_;
};

TEST_F(ImageBuild, ColoursIconsAndOwnPicturesFromTheColourTable) {
    auto [code, log] = build("Star icon star-fill Ink\nMark own mark\nTag label Zwei & drei");
    ASSERT_EQ(code, 0) << log;
    EXPECT_NE(output("Star.svg").find("fill=\"#112233\""), std::string::npos);
    EXPECT_NE(output("Mark.svg").find("fill=\"#112233\""), std::string::npos);
    EXPECT_NE(output("Tag.svg").find(">Zwei &amp; drei</text>"), std::string::npos);
    EXPECT_FALSE(output("us.svg").empty()) << "flags are copied by country code";
}

TEST_F(ImageBuild, RefusesATableItCannotHonour) {
    struct Case {
        const char* table;
        const char* says;
    };
    const Case cases[] = {
        {"Star icon star-fill Mauve", "no colour named \"Mauve\""},
        {"Star icon star-fill Veil", "is not an opaque #RRGGBB"},
        {"Star icon no-such-icon Ink", "no icon"},
        {"Star icon star-fill", "an icon needs a colour"},
        {"Star icon star-fill Ink sparkle", "unknown option \"sparkle\""},
        {"Star own missing", "no file"},
        {"Star drawn star", "unknown kind \"drawn\""},
        {"Star icon star-fill Ink\nStar icon star Ink", "\"Star\" is listed twice"},
        {"us icon star-fill Ink", "would hide the flag"},
    };
    for (const auto& c : cases) {
        auto [code, log] = build(c.table);
        EXPECT_NE(code, 0) << c.table;
        EXPECT_NE(log.find(c.says), std::string::npos) << c.table << "\n" << log;
    }
}

}  // namespace
}  // namespace morvex::test
