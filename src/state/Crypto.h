#pragma once
// Cryptographic and encoding helpers: AES-GCM decryption of encrypted service answers, RSA
// decryption of the VPN password, the MD5 hex digest of request headers and identity links, the
// PKCE verifier and its S256 challenge, hex to bytes, and the e-mail test.
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <openssl/types.h>

namespace morvex {

using ByteList = std::vector<std::uint8_t>;

// Why a decryption failed; the text (where a case carries one) describes the crypto library's error.
struct DecryptionError {
    enum class Kind { InvalidKey, UnableToDecrypt, KeyIsNotEncoded, DataIsNotEncoded, EmptyData, MalformedData };
    Kind kind;
    std::string text;

    static DecryptionError InvalidKey(std::string t) { return {Kind::InvalidKey, std::move(t)}; }
    static DecryptionError UnableToDecrypt(std::string t) { return {Kind::UnableToDecrypt, std::move(t)}; }
    static DecryptionError KeyIsNotEncoded() { return {Kind::KeyIsNotEncoded, {}}; }
    static DecryptionError DataIsNotEncoded() { return {Kind::DataIsNotEncoded, {}}; }
    static DecryptionError EmptyData() { return {Kind::EmptyData, {}}; }
    static DecryptionError MalformedData() { return {Kind::MalformedData, {}}; }

    // "KeyIsNotEncoded", "UnableToDecrypt(<text>)", ...
    std::string description() const;
    friend bool operator==(const DecryptionError&, const DecryptionError&) = default;
};

// The AES-GCM decryption of a base64 answer with the application's fixed key and IV (the tag is the
// last 16 bytes). Any failure, including input that is not base64, gives nothing.
std::optional<std::string> decryptAESGCM(std::string_view base64Text);
// The same with an explicit key and IV (the routine above passes the fixed ones).
std::optional<std::string> decryptAESGCM(std::string_view base64Text, const ByteList& key, const ByteList& iv);

// RSA PKCS#1 v1.5 decryption of a base64 text with the password key of MorvexVPNSecrets.
std::expected<std::string, DecryptionError> decryptRSA(std::string_view base64Text);
// The same with a key given as base64 of its PKCS#1 DER form.
std::expected<std::string, DecryptionError> decryptRSA(std::string_view base64Text, std::string_view keyBase64);

// 32 lower-case hex digits of the MD5 digest of the text's bytes.
std::string md5Hex(std::string_view text);

// Pairs of hex digits to bytes; odd length or a non-hex pair gives nothing; "" gives [].
std::optional<ByteList> bytesFromHex(std::string_view text);

// True when the text contains an e-mail address (unanchored, case-sensitive search).
bool isValidEmail(std::string_view text);

// AES cipher set-up: a 16- or 32-character key and a 16-character IV.
class EncryptionProtocol {
public:
    virtual ~EncryptionProtocol() = default;
    virtual std::optional<ByteList> encrypt(const ByteList& plain) const = 0;
    virtual std::optional<ByteList> decrypt(const ByteList& cipher) const = 0;
};

class Encryption : public EncryptionProtocol {
public:
    // Logs "Error: Failed to set a key." / "Error: Failed to set an initial vector." and gives
    // nothing when a length is wrong.
    static std::optional<Encryption> make(std::string_view key, std::string_view iv);

    const ByteList& key() const { return key_; }
    const ByteList& iv() const { return iv_; }

    // AES-CBC with PKCS#7 padding.
    std::optional<ByteList> encrypt(const ByteList& plain) const override;
    std::optional<ByteList> decrypt(const ByteList& cipher) const override;

private:
    Encryption(ByteList key, ByteList iv) : key_(std::move(key)), iv_(std::move(iv)) {}
    ByteList key_;
    ByteList iv_;
};

// An owned RSA private key.
struct PrivateKeyDeleter {
    void operator()(EVP_PKEY* key) const;
};
using PrivateKey = std::unique_ptr<EVP_PKEY, PrivateKeyDeleter>;

// The resource "private_key"."pem" of the main bundle as an RSA private key, or nothing.
PrivateKey loadPrivateKey();

// A PKCE code verifier: 43 characters drawn uniformly from the 66 unreserved characters with the
// system's secure random source.
std::string makeCodeVerifier();
// The S256 challenge of a verifier (base64url of its SHA-256, without padding).
std::string codeChallengeS256(std::string_view verifier);

class CryptoManager {
public:
    // The application's instance, holding the bundled private key (loadPrivateKey()).
    static CryptoManager& shared();
    // An instance of its own with the given key (none is allowed: the challenge needs no key).
    explicit CryptoManager(PrivateKey privateKey);

    const PrivateKey& privateKey() const { return privateKey_; }
    std::string codeVerifier;
    std::string codeChallenge;

    // Sets codeChallenge to the S256 challenge of the verifier.
    void sha256Base64(std::string_view verifier);

private:
    PrivateKey privateKey_;
};

}  // namespace morvex
