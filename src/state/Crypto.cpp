#include "state/Crypto.h"

#include <QRegularExpression>
#include <QString>

#include <memory>
#include <sstream>
#include <utility>

#include "foundation/CryptoLibrary.h"
#include "foundation/Paths.h"
#include "foundation/Bundle.h"
#include "foundation/Codec.h"
#include "foundation/Log.h"
#include "state/MorvexVPNSecrets.h"

namespace morvex {

namespace {

// The key and IV of the service's encrypted answers.
constexpr std::string_view kAESGCMKeyHex = "6f14c9e2a07b3d58e91f62c4b8d03a7e5c29f1b6d48e0a37c5f92b1e6d0a4c83";
constexpr std::string_view kAESGCMIVHex = "A7D3E91B04C6F28D5B3E7A1C09F4D26E";
constexpr std::size_t kGCMTagLength = 16;

struct CipherCtxDeleter {
    void operator()(EVP_CIPHER_CTX* c) const { crypto().EVP_CIPHER_CTX_free(c); }
};
struct PkeyCtxDeleter {
    void operator()(EVP_PKEY_CTX* c) const { crypto().EVP_PKEY_CTX_free(c); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxDeleter>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxDeleter>;

// The text of the crypto library's most recent error (and clears the queue).
std::string lastCryptoError() {
    std::string text;
    while (unsigned long code = crypto().ERR_get_error()) {
        char buf[256];
        crypto().ERR_error_string_n(code, buf, sizeof buf);
        if (!text.empty()) text += "; ";
        text += buf;
    }
    return text;
}

bool isValidUTF8(const ByteList& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::uint8_t c = bytes[i];
        std::size_t extra;
        std::uint32_t cp;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; }
        else return false;
        if (i + extra >= bytes.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (bytes[i + k] & 0x3F);
        }
        if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// Standard base64 with padding and nothing else (no blanks, no line breaks).
std::optional<ByteList> strictBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
        bool pad = c == '=' && i + 2 >= text.size();
        if (!alpha && !pad) return std::nullopt;
    }
    auto decoded = base64Decode(text);
    if (!decoded) return std::nullopt;
    return ByteList(decoded->begin(), decoded->end());
}

std::string hexOf(const unsigned char* data, std::size_t size) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 0x0F];
    }
    return out;
}

PrivateKey rsaPrivateKeyFromDER(const ByteList& der) {
    const unsigned char* p = der.data();
    return PrivateKey(crypto().d2i_PrivateKey(EVP_PKEY_RSA, nullptr, &p, static_cast<long>(der.size())));
}

}  // namespace

void PrivateKeyDeleter::operator()(EVP_PKEY* key) const { crypto().EVP_PKEY_free(key); }

std::string DecryptionError::description() const {
    switch (kind) {
        case Kind::InvalidKey: return "InvalidKey(" + text + ")";
        case Kind::UnableToDecrypt: return "UnableToDecrypt(" + text + ")";
        case Kind::KeyIsNotEncoded: return "KeyIsNotEncoded";
        case Kind::DataIsNotEncoded: return "DataIsNotEncoded";
        case Kind::EmptyData: return "EmptyData";
        case Kind::MalformedData: return "MalformedData";
    }
    return {};
}

std::optional<std::string> decryptAESGCM(std::string_view base64Text) {
    auto key = bytesFromHex(kAESGCMKeyHex);
    auto iv = bytesFromHex(kAESGCMIVHex);
    if (!key || !iv) return std::nullopt;
    return decryptAESGCM(base64Text, *key, *iv);
}

std::optional<std::string> decryptAESGCM(std::string_view base64Text, const ByteList& key, const ByteList& iv) {
    const EVP_CIPHER* cipher = key.size() == 32 ? crypto().EVP_aes_256_gcm()
                               : key.size() == 24 ? crypto().EVP_aes_192_gcm()
                               : key.size() == 16 ? crypto().EVP_aes_128_gcm()
                                                  : nullptr;
    if (!cipher || iv.empty()) return std::nullopt;
    auto input = strictBase64(base64Text);
    if (!input || input->size() < kGCMTagLength) return std::nullopt;

    CipherCtx ctx(crypto().EVP_CIPHER_CTX_new());
    if (!ctx) return std::nullopt;
    if (crypto().EVP_DecryptInit_ex(ctx.get(), cipher, nullptr, nullptr, nullptr) != 1 ||
        crypto().EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()), nullptr) != 1 ||
        crypto().EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, key.data(), iv.data()) != 1) {
        crypto().ERR_clear_error();
        return std::nullopt;
    }
    const std::size_t cipherLength = input->size() - kGCMTagLength;
    ByteList plain(cipherLength + 16);
    int written = 0;
    if (cipherLength > 0 &&
        crypto().EVP_DecryptUpdate(ctx.get(), plain.data(), &written, input->data(), static_cast<int>(cipherLength)) != 1) {
        crypto().ERR_clear_error();
        return std::nullopt;
    }
    ByteList tag(input->end() - kGCMTagLength, input->end());
    if (crypto().EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(tag.size()), tag.data()) != 1) {
        crypto().ERR_clear_error();
        return std::nullopt;
    }
    int last = 0;
    if (crypto().EVP_DecryptFinal_ex(ctx.get(), plain.data() + written, &last) != 1) {  // tag mismatch
        crypto().ERR_clear_error();
        return std::nullopt;
    }
    plain.resize(static_cast<std::size_t>(written + last));
    if (!isValidUTF8(plain)) return std::nullopt;
    return std::string(plain.begin(), plain.end());
}

std::expected<std::string, DecryptionError> decryptRSA(std::string_view base64Text) {
    return decryptRSA(base64Text, MorvexVPNSecrets().passwordKey());
}

std::expected<std::string, DecryptionError> decryptRSA(std::string_view base64Text, std::string_view keyBase64) {
    auto input = strictBase64(base64Text);
    if (!input) return std::unexpected(DecryptionError::KeyIsNotEncoded());
    auto keyBytes = strictBase64(keyBase64);
    if (!keyBytes) return std::unexpected(DecryptionError::KeyIsNotEncoded());

    auto key = rsaPrivateKeyFromDER(*keyBytes);
    if (!key) {
        auto text = lastCryptoError();
        return std::unexpected(DecryptionError::InvalidKey(text.empty() ? "the key is not an RSA private key" : text));
    }
    PkeyCtx ctx(crypto().EVP_PKEY_CTX_new(key.get(), nullptr));
    if (!ctx || crypto().EVP_PKEY_decrypt_init(ctx.get()) <= 0 ||
        crypto().EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) <= 0) {
        return std::unexpected(DecryptionError::UnableToDecrypt(lastCryptoError()));
    }
    // Newer libraries answer a bad padding with random bytes instead of an error; this routine
    // must report it. Older ones do not know the switch, which is fine.
    if (crypto().EVP_PKEY_CTX_ctrl_str(ctx.get(), "rsa_pkcs1_implicit_rejection", "0") <= 0) crypto().ERR_clear_error();

    std::size_t length = 0;
    if (crypto().EVP_PKEY_decrypt(ctx.get(), nullptr, &length, input->data(), input->size()) <= 0) {
        auto text = lastCryptoError();
        if (text.empty()) return std::unexpected(DecryptionError::EmptyData());
        return std::unexpected(DecryptionError::UnableToDecrypt(text));
    }
    ByteList plain(length);
    if (crypto().EVP_PKEY_decrypt(ctx.get(), plain.data(), &length, input->data(), input->size()) <= 0) {
        auto text = lastCryptoError();
        if (text.empty()) return std::unexpected(DecryptionError::EmptyData());
        return std::unexpected(DecryptionError::UnableToDecrypt(text));
    }
    plain.resize(length);
    if (!isValidUTF8(plain)) return std::unexpected(DecryptionError::MalformedData());
    return std::string(plain.begin(), plain.end());
}

std::string md5Hex(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    crypto().EVP_Digest(text.data(), text.size(), digest, &size, crypto().EVP_md5(), nullptr);
    return hexOf(digest, size);
}

std::optional<ByteList> bytesFromHex(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    ByteList out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int hi = nibble(text[i]);
        int lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return out;
}

bool isValidEmail(std::string_view text) {
    // The backtracking engine of the standard library recurses once per character and overflows the
    // stack on long texts (tens of thousands of characters); this engine bounds its work and answers
    // no match instead. One instance per thread, as an instance is not meant to be shared.
    static thread_local const QRegularExpression pattern(QString::fromUtf8(
        R"EMAIL((?:[a-z0-9!#$%\&'*+/=?\^_`{|}~-]+(?:\.[a-z0-9!#$%\&'*+/=?\^_`{|}~-]+)*|"(?:[\x01-\x08\x0b\x0c\x0e-\x1f\x21\x23-\x5b\x5d-\x7f]|\\[\x01-\x09\x0b\x0c\x0e-\x7f])*")@(?:(?:[a-z0-9](?:[a-z0-9-]*[a-z0-9])?\.)+[a-z0-9](?:[a-z0-9-]*[a-z0-9])?|\[(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\.){3}(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?|[a-z0-9-]*[a-z0-9]:(?:[\x01-\x08\x0b\x0c\x0e-\x1f\x21-\x5a\x53-\x7f]|\\[\x01-\x09\x0b\x0c\x0e-\x7f])+)\]))EMAIL"));
    return pattern.match(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))).hasMatch();
}

std::optional<Encryption> Encryption::make(std::string_view key, std::string_view iv) {
    // Lengths count characters, as the texts are meant as plain ASCII keys.
    auto characters = [](std::string_view s) {
        std::size_t n = 0;
        for (unsigned char c : s) n += (c & 0xC0) != 0x80;
        return n;
    };
    const auto keyLength = characters(key);
    if (keyLength != 16 && keyLength != 32) {
        log::print("\"Error: Failed to set a key.\"");
        return std::nullopt;
    }
    if (characters(iv) != 16) {
        log::print("\"Error: Failed to set an initial vector.\"");
        return std::nullopt;
    }
    return Encryption(ByteList(key.begin(), key.end()), ByteList(iv.begin(), iv.end()));
}

namespace {
std::optional<ByteList> aesCBC(bool encrypt, const ByteList& key, const ByteList& iv, const ByteList& in) {
    const EVP_CIPHER* cipher = key.size() == 32 ? crypto().EVP_aes_256_cbc()
                               : key.size() == 16 ? crypto().EVP_aes_128_cbc()
                                                  : nullptr;
    if (!cipher || iv.size() != 16) return std::nullopt;
    CipherCtx ctx(crypto().EVP_CIPHER_CTX_new());
    if (!ctx || crypto().EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(), iv.data(), encrypt ? 1 : 0) != 1) {
        crypto().ERR_clear_error();
        return std::nullopt;
    }
    ByteList out(in.size() + 32);
    int written = 0, last = 0;
    if (crypto().EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(), static_cast<int>(in.size())) != 1 ||
        crypto().EVP_CipherFinal_ex(ctx.get(), out.data() + written, &last) != 1) {
        crypto().ERR_clear_error();
        return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(written + last));
    return out;
}
}  // namespace

std::optional<ByteList> Encryption::encrypt(const ByteList& plain) const { return aesCBC(true, key_, iv_, plain); }
std::optional<ByteList> Encryption::decrypt(const ByteList& cipher) const { return aesCBC(false, key_, iv_, cipher); }

PrivateKey loadPrivateKey() {
    auto path = Bundle::main().pathForResource("private_key", "pem");
    if (!path) return nullptr;
    auto contents = paths::readFile(*path);
    if (!contents) {
        log::print("Error loading private key: cannot read " + path->string());
        return nullptr;
    }
    std::string text = std::move(*contents);
    if (!isValidUTF8(ByteList(text.begin(), text.end()))) {
        log::print("Error loading private key: " + path->string() + " is not UTF-8 text");
        return nullptr;
    }
    std::string joined;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line.find("-----") != std::string::npos) continue;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        joined += line;
    }
    auto der = strictBase64(joined);
    if (!der) return nullptr;
    auto key = rsaPrivateKeyFromDER(*der);
    if (!key) {
        log::print("Failed to create private key: " + lastCryptoError());
        return nullptr;
    }
    return key;
}

std::string makeCodeVerifier() {
    static constexpr std::string_view alphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~";
    static_assert(alphabet.size() == 66);
    constexpr unsigned limit = 256 - 256 % alphabet.size();  // reject above this to stay uniform
    std::string out;
    while (out.size() < 43) {
        unsigned char buf[64];
        if (crypto().RAND_bytes(buf, sizeof buf) != 1) continue;
        for (unsigned char b : buf) {
            if (b >= limit || out.size() == 43) continue;
            out += alphabet[b % alphabet.size()];
        }
    }
    return out;
}

std::string codeChallengeS256(std::string_view verifier) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    crypto().EVP_Digest(verifier.data(), verifier.size(), digest, &size, crypto().EVP_sha256(), nullptr);
    std::string b64 = base64Encode(std::string_view(reinterpret_cast<const char*>(digest), size));
    std::string out;
    for (char c : b64) {
        if (c == '+') out += '-';
        else if (c == '/') out += '_';
        else if (c != '=') out += c;
    }
    return out;
}

CryptoManager& CryptoManager::shared() {
    static CryptoManager instance(loadPrivateKey());
    return instance;
}

CryptoManager::CryptoManager(PrivateKey privateKey) : privateKey_(std::move(privateKey)) {}

void CryptoManager::sha256Base64(std::string_view verifier) { codeChallenge = codeChallengeS256(verifier); }

}  // namespace morvex
