#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/CryptoLibrary.h"
#include "foundation/SharedLibrary.h"

using namespace morvex;

namespace {

TEST(SharedLibraryTest, FindsALibrarysFunctionsAndSaysWhatIsMissing) {
    SharedLibrary libc("libc.so.6");
    decltype(&::strlen) length = nullptr;
    libc.find(length, "strlen");
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length("four"), 4u);
    EXPECT_TRUE(libc.failure().empty());

    decltype(&::strlen) missing = &::strlen;
    libc.find(missing, "morvex_no_such_function");
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(libc.failure(), "libc.so.6 lacks morvex_no_such_function");

    SharedLibrary absent("libmorvex-no-such-library.so.1");
    decltype(&::strlen) none = &::strlen;
    absent.find(none, "strlen");
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(absent.failure().rfind("libmorvex-no-such-library.so.1 cannot be loaded: ", 0), 0u) << absent.failure();
}

TEST(SharedLibraryDeathTest, ALibraryTheProgramNeedsEndsTheRunWithTheReason) {
    EXPECT_DEATH(SharedLibrary("libmorvex-no-such-library.so.1").require(), "libmorvex-no-such-library.so.1 cannot be loaded");
}

TEST(SharedLibraryTest, TheCryptoTableIsWholeAndWorks) {
    const CryptoLibrary& c = crypto();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    ASSERT_EQ(c.EVP_Digest("abc", 3, digest, &size, c.EVP_md5(), nullptr), 1);
    ASSERT_EQ(size, 16u);
    EXPECT_EQ(digest[0], 0x90);  // md5("abc") = 900150983cd24fb0...
    EXPECT_EQ(digest[15], 0x72);
}

}  // namespace
