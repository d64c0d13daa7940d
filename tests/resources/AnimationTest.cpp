// The animations render through rlottie: each loads, has frames, draws something and moves; each
// opening animation hands over to its loop without a jump, each loop ends where it starts, and the
// generator writes the same bytes every time.
#include <gtest/gtest.h>
#include <rlottie.h>

#include <QProcess>
#include <cstdint>
#include <memory>

#include "foundation/BundleResources.h"
#include "foundation/Paths.h"
#include "support/TestSupport.h"

namespace morvex::test {
namespace {

const char* const kAnimations[] = {"disconnected",     "disconnected_loop", "connecting_start", "connecting_loop",
                                   "connected_start",  "connected_loop",    "feedback_star_to_close"};

struct Frames {
    std::unique_ptr<rlottie::Animation> animation;
    std::size_t width = 0, height = 0;

    std::vector<std::uint32_t> render(std::size_t frame) const {
        std::vector<std::uint32_t> pixels(width * height, 0);
        rlottie::Surface surface(pixels.data(), width, height, width * sizeof(std::uint32_t));
        animation->renderSync(frame, surface);
        return pixels;
    }
    std::size_t last() const { return animation->totalFrame() - 1; }
};

Frames load(const std::string& name) {
    const Bundle bundle(MORVEX_TEST_BUNDLE_DIR);
    Frames f;
    auto file = animationNamed(name, bundle);
    if (!file) return f;
    f.animation = rlottie::Animation::loadFromFile(file->string(), false);
    if (f.animation) f.animation->size(f.width, f.height);
    return f;
}

// Share of pixels whose colour or coverage differs visibly (by more than 24 of 255 in a channel).
double changed(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int x = static_cast<int>((a[i] >> shift) & 0xFF), y = static_cast<int>((b[i] >> shift) & 0xFF);
            if (std::abs(x - y) > 24) {
                ++differing;
                break;
            }
        }
    }
    return static_cast<double>(differing) / static_cast<double>(a.size());
}

double covered(const std::vector<std::uint32_t>& a) {
    std::size_t n = 0;
    for (auto p : a) n += (p >> 24) > 24 ? 1 : 0;
    return static_cast<double>(n) / static_cast<double>(a.size());
}

TEST(Animations, EachLoadsDrawsAndMoves) {
    for (const char* name : kAnimations) {
        SCOPED_TRACE(name);
        auto f = load(name);
        ASSERT_TRUE(f.animation) << "rlottie cannot load it";
        EXPECT_GE(f.animation->totalFrame(), 20u);
        EXPECT_DOUBLE_EQ(f.animation->frameRate(), 60.0);
        const std::size_t side = std::string(name).starts_with("feedback") ? 48 : 200;
        EXPECT_EQ(f.width, side);
        EXPECT_EQ(f.height, side);
        const auto first = f.render(0), middle = f.render(f.last() / 2), end = f.render(f.last());
        EXPECT_GT(covered(middle), 0.01) << "draws something";
        EXPECT_GT(covered(end), 0.01) << "ends on a picture";
        EXPECT_GT(changed(first, middle), 0.01) << "moves";
    }
}

TEST(Animations, EachOpeningEndsOnThePictureItsLoopStartsWith) {
    const std::pair<const char*, const char*> handOvers[] = {
        {"disconnected", "disconnected_loop"},
        {"connecting_start", "connecting_loop"},
        {"connected_start", "connected_loop"},
    };
    for (const auto& [opening, loop] : handOvers) {
        auto a = load(opening), b = load(loop);
        ASSERT_TRUE(a.animation && b.animation) << opening;
        EXPECT_LT(changed(a.render(a.last()), b.render(0)), 0.005) << opening << " jumps into " << loop;
    }
}

TEST(Animations, EachLoopEndsWhereItStarts) {
    for (const char* loop : {"disconnected_loop", "connecting_loop", "connected_loop"}) {
        auto f = load(loop);
        ASSERT_TRUE(f.animation) << loop;
        EXPECT_LT(changed(f.render(f.last()), f.render(0)), 0.005) << loop << " jumps when it starts over";
    }
}

TEST(Animations, TheGeneratorWritesTheSameBytesEveryTime) {
    TempDir dir;
    for (const char* run : {"one", "two"}) {
        QProcess generator;
        generator.start(MORVEX_MAKE_ANIMATIONS, {QString::fromStdString((dir.path() / run).string())});
        ASSERT_TRUE(generator.waitForFinished(30000));
        ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();
    }
    const auto bundled = std::filesystem::path(MORVEX_TEST_BUNDLE_DIR) / "Resources/Animations";
    for (const char* name : kAnimations) {
        const std::string file = std::string(name) + ".json";
        auto one = paths::readFile(dir.path() / "one" / file), two = paths::readFile(dir.path() / "two" / file);
        ASSERT_TRUE(one && two) << file;
        EXPECT_EQ(*one, *two) << file;
        EXPECT_EQ(*one, paths::readFile(bundled / file).value_or("")) << file << " in the bundle is stale";
    }
}

}  // namespace
}  // namespace morvex::test
