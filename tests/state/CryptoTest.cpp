#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <memory>

#include "foundation/Codec.h"
#include "foundation/Log.h"
#include "state/Crypto.h"
#include "state/MorvexVPNSecrets.h"

using namespace morvex;

namespace {

// What the service sends: AES-256-GCM with the application's key and IV, tag appended, base64.
std::string sealAESGCM(const std::string& plain, const ByteList& key, const ByteList& iv) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr);
    EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()), nullptr);
    EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, key.data(), iv.data());
    ByteList out(plain.size() + 16);
    int n = 0, last = 0;
    EVP_EncryptUpdate(ctx.get(), out.data(), &n, reinterpret_cast<const unsigned char*>(plain.data()),
                      static_cast<int>(plain.size()));
    EVP_EncryptFinal_ex(ctx.get(), out.data() + n, &last);
    out.resize(static_cast<std::size_t>(n + last));
    unsigned char tag[16];
    EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, 16, tag);
    out.insert(out.end(), tag, tag + 16);
    return base64Encode(Bytes(out.begin(), out.end()));
}

ByteList fixedKey() { return *bytesFromHex("6f14c9e2a07b3d58e91f62c4b8d03a7e5c29f1b6d48e0a37c5f92b1e6d0a4c83"); }
ByteList fixedIV() { return *bytesFromHex("A7D3E91B04C6F28D5B3E7A1C09F4D26E"); }

// What the service sends for the VPN password: RSA PKCS#1 v1.5 to the public half, base64.
std::string sealRSA(const std::string& plain, const std::string& keyBase64) {
    auto der = *base64Decode(keyBase64);
    const unsigned char* p = der.data();
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        d2i_PrivateKey(EVP_PKEY_RSA, nullptr, &p, static_cast<long>(der.size())), EVP_PKEY_free);
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new(key.get(), nullptr),
                                                                    EVP_PKEY_CTX_free);
    EVP_PKEY_encrypt_init(ctx.get());
    EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING);
    std::size_t len = 0;
    auto in = reinterpret_cast<const unsigned char*>(plain.data());
    EVP_PKEY_encrypt(ctx.get(), nullptr, &len, in, plain.size());
    Bytes out(len);
    EVP_PKEY_encrypt(ctx.get(), out.data(), &len, in, plain.size());
    out.resize(len);
    return base64Encode(out);
}

}  // namespace

TEST(CryptoTest, BytesFromHexReadsPairsAndRejectsBadInput) {
    EXPECT_EQ(bytesFromHex("0a0B"), (ByteList{10, 11}));
    EXPECT_EQ(bytesFromHex(""), ByteList{});
    EXPECT_EQ(bytesFromHex("abc"), std::nullopt);
    EXPECT_EQ(bytesFromHex("zz"), std::nullopt);
    EXPECT_EQ(bytesFromHex("0g"), std::nullopt);
}

TEST(CryptoTest, Md5HexGivesThirtyTwoLowerCaseDigits) {
    EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Hex("vendro").size(), 32u);
    EXPECT_EQ(md5Hex("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
}

TEST(CryptoTest, S256ChallengeMatchesTheRfc7636Example) {
    EXPECT_EQ(codeChallengeS256("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    CryptoManager manager(nullptr);
    auto verifier = makeCodeVerifier();
    ASSERT_EQ(verifier.size(), 43u);
    EXPECT_EQ(verifier.find_first_not_of(
                  "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~"),
              std::string::npos);
    EXPECT_NE(verifier, makeCodeVerifier());
    manager.sha256Base64(verifier);
    EXPECT_EQ(manager.codeChallenge.size(), 43u);
    EXPECT_EQ(manager.codeChallenge.find_first_of("+/="), std::string::npos);
}

TEST(CryptoTest, AesGcmRoundTripsWithTheFixedKeyAndRejectsAlteredInput) {
    const std::string plain = R"({"access_token":"t0k3n","expires_in":300,"name":"Jörg"})";
    auto sealed = sealAESGCM(plain, fixedKey(), fixedIV());
    log::Capture console;
    EXPECT_EQ(decryptAESGCM(sealed), plain);
    EXPECT_FALSE(console.containsText("t0k3n"));

    auto bytes = *base64Decode(sealed);
    auto alteredTag = bytes;
    alteredTag.back() ^= 0x01;
    EXPECT_EQ(decryptAESGCM(base64Encode(alteredTag)), std::nullopt);
    auto alteredBody = bytes;
    alteredBody.front() ^= 0x80;
    EXPECT_EQ(decryptAESGCM(base64Encode(alteredBody)), std::nullopt);

    EXPECT_EQ(decryptAESGCM("not base64!"), std::nullopt);
    EXPECT_EQ(decryptAESGCM(sealed.substr(0, 8) + "\n" + sealed.substr(8)), std::nullopt);
    EXPECT_EQ(decryptAESGCM("AAAA"), std::nullopt);  // shorter than a tag
    EXPECT_EQ(decryptAESGCM(sealAESGCM("\xff\xfe", fixedKey(), fixedIV())), std::nullopt);  // not UTF-8
}

TEST(CryptoTest, RsaDecryptsThePasswordAndReportsEachFailure) {
    const auto key = MorvexVPNSecrets().passwordKey();
    ASSERT_FALSE(key.empty());
    log::Capture console;
    EXPECT_EQ(decryptRSA(sealRSA("vpn-pa$$word", key)), "vpn-pa$$word");
    EXPECT_FALSE(console.containsText("vpn-pa$$word"));

    auto notBase64 = decryptRSA("%%%");
    ASSERT_FALSE(notBase64);
    EXPECT_EQ(notBase64.error().kind, DecryptionError::Kind::KeyIsNotEncoded);

    auto badKey = decryptRSA(sealRSA("x", key), "%%%");
    ASSERT_FALSE(badKey);
    EXPECT_EQ(badKey.error().kind, DecryptionError::Kind::KeyIsNotEncoded);

    auto notAKey = decryptRSA(sealRSA("x", key), base64Encode(std::string_view("not a key")));
    ASSERT_FALSE(notAKey);
    EXPECT_EQ(notAKey.error().kind, DecryptionError::Kind::InvalidKey);

    Bytes garbage(128, 0x5a);
    auto undecryptable = decryptRSA(base64Encode(garbage));
    ASSERT_FALSE(undecryptable);
    EXPECT_EQ(undecryptable.error().kind, DecryptionError::Kind::UnableToDecrypt);
    EXPECT_FALSE(undecryptable.error().text.empty());

    auto notText = decryptRSA(sealRSA("\xc3\x28", key));
    ASSERT_FALSE(notText);
    EXPECT_EQ(notText.error().kind, DecryptionError::Kind::MalformedData);
}

TEST(CryptoTest, IsValidEmailSearchesForALowerCaseAddress) {
    struct Case { const char* text; bool valid; };
    const Case cases[] = {
        {"user@example.com", true},
        {"first.last+tag@mail.example.org", true},
        {"write to user@example.com today", true},
        {"User@example.com", true},   // only the part that matches must be lower case
        {"user@Example.com", false},  // the domain starts with a capital
        {"user@", false},
        {"plainusername", false},
        {"user@localhost", false},    // one label only
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isValidEmail(c.text), c.valid) << c.text;

    // A very long log-in name is answered, not a crash.
    const std::string longName(200000, 'a');
    EXPECT_TRUE(isValidEmail(longName + "@example.com"));
    EXPECT_FALSE(isValidEmail(longName));
}

TEST(CryptoTest, EncryptionChecksItsLengthsAndRoundTrips) {
    log::Capture console;
    EXPECT_FALSE(Encryption::make("vendro", "vendro"));
    EXPECT_TRUE(console.contains("\"Error: Failed to set a key.\""));
    EXPECT_FALSE(Encryption::make("0123456789abcdef", "0123456789abcde"));
    EXPECT_TRUE(console.contains("\"Error: Failed to set an initial vector.\""));

    auto e = Encryption::make("0123456789abcdef0123456789abcdef", "fedcba9876543210");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->key().size(), 32u);
    ByteList plain{1, 2, 3, 4, 5};
    auto sealed = e->encrypt(plain);
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->size(), 16u);
    EXPECT_EQ(e->decrypt(*sealed), plain);
}

TEST(CryptoTest, TheBundledPrivateKeyLoadsAtCreation) {
    EXPECT_NE(loadPrivateKey(), nullptr);
    EXPECT_NE(CryptoManager::shared().privateKey(), nullptr);
}
