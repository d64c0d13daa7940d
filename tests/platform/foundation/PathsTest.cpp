#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "foundation/Paths.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(PathsTest, AFileIsReadWholeWhateverItsSize) {
    test::TempDir dir;
    const std::string large(3 * 1024 * 1024 + 7, 'x');
    const struct {
        const char* name;
        std::string body;
    } files[] = {{"empty", ""}, {"small", "{\"a\":1}"}, {"large", large}, {"binary", std::string("a\0b\xff", 4)}};
    for (const auto& f : files) {
        ASSERT_TRUE(paths::writeFileAtomically(dir.path() / f.name, f.body)) << f.name;
        const auto read = paths::readFile(dir.path() / f.name);
        ASSERT_TRUE(read) << f.name;
        EXPECT_EQ(*read, f.body) << f.name;
    }
    EXPECT_FALSE(paths::readFile(dir.path() / "missing"));
    EXPECT_EQ(paths::readFile("/proc/self/stat").value_or("").substr(0, 1).find_first_of("0123456789"), 0u)
        << "a file that reports no size is read too";
}

TEST(PathsTest, ConcurrentAtomicWritesOfOneFileEachLandWhole) {
    test::TempDir dir;
    auto file = dir.path() / "nested" / "state.json";
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int t = 0; t < 8; ++t) {
        writers.emplace_back([&, t] {
            std::string body(4096, static_cast<char>('a' + t));
            for (int i = 0; i < 20; ++i)
                if (!paths::writeFileAtomically(file, body)) ++failures;
        });
    }
    for (auto& w : writers) w.join();
    EXPECT_EQ(failures.load(), 0);
    auto text = readAll(file);
    ASSERT_EQ(text.size(), 4096u);
    EXPECT_EQ(text, std::string(4096, text[0]));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    int leftovers = 0;
    for (const auto& e : std::filesystem::directory_iterator(file.parent_path())) leftovers += e.path() != file;
    EXPECT_EQ(leftovers, 0);
}

}  // namespace
