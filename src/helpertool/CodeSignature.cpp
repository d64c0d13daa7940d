#include "CodeSignature.h"

#include <errno.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <openssl/pem.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "foundation/Codec.h"
#include "foundation/Paths.h"

namespace morvex::helper {

namespace {

constexpr std::string_view kMagic = "morvex-code-signature 1";

Error sigError(int code, std::string message) {
    return Error(std::string(kCodeSignatureErrorDomain), code, std::move(message));
}

struct PkeyFree { void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); } };
struct MdCtxFree { void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); } };
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

// The signed message: the format line and the SHA-512 digest of the whole file. Any caller can
// make the helper read its program, so only regular files of a bounded size are read.
Result<std::string> signedMessage(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(sigError(2, "the code cannot be read: " + file.string()));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(sigError(2, "the code cannot be read: " + file.string()));
    if (static_cast<std::uint64_t>(st.st_size) > kMaxCodeSize)
        return fail(sigError(6, "the code is too large to be checked: " + file.string()));
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha512(), nullptr) != 1)
        return fail(sigError(9, "the digest cannot be computed"));
    std::vector<char> buf(1 << 16);
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(sigError(2, "the code cannot be read: " + file.string()));
        if (n == 0) break;
        total += static_cast<std::uint64_t>(n);
        // A file that grows while it is read is no program to be trusted.
        if (total > kMaxCodeSize) return fail(sigError(6, "the code is too large to be checked: " + file.string()));
        EVP_DigestUpdate(ctx.get(), buf.data(), static_cast<std::size_t>(n));
    }
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_DigestFinal_ex(ctx.get(), md, &len);
    std::string message(kMagic);
    message.push_back('\n');
    message.append(reinterpret_cast<const char*>(md), len);
    return message;
}

Result<Pkey> readPrivateKey(const std::filesystem::path& pem) {
    std::FILE* f = std::fopen(pem.c_str(), "rb");
    if (!f) return fail(sigError(2, "the signing key cannot be read: " + pem.string()));
    Pkey key(PEM_read_PrivateKey(f, nullptr, nullptr, nullptr));
    std::fclose(f);
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519)
        return fail(sigError(3, "the signing key is no Ed25519 private key: " + pem.string()));
    return key;
}

}  // namespace

Result<void> generateSigningKey(const std::filesystem::path& privateKeyPem) {
    Pkey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    if (!key) return fail(sigError(9, "no key could be generated"));
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(n));
    BIO_free(bio);
    if (!privateKeyPem.parent_path().empty()) std::filesystem::create_directories(privateKeyPem.parent_path());
    if (!paths::writeFileAtomically(privateKeyPem, pem, 0600))
        return fail(sigError(2, "the key cannot be written: " + privateKeyPem.string()));
    return {};
}

Result<void> signProgram(const std::filesystem::path& program, const std::filesystem::path& privateKeyPem,
                         std::filesystem::path signatureFile) {
    if (signatureFile.empty()) signatureFile = program.string() + std::string(kSignatureSuffix);
    auto key = readPrivateKey(privateKeyPem);
    if (!key) return fail(key.error());
    auto message = signedMessage(program);
    if (!message) return fail(message.error());
    MdCtx ctx(EVP_MD_CTX_new());
    std::size_t sigLen = 64;
    unsigned char sig[64];
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key->get()) != 1 ||
        EVP_DigestSign(ctx.get(), sig, &sigLen, reinterpret_cast<const unsigned char*>(message->data()),
                       message->size()) != 1)
        return fail(sigError(9, "the program cannot be signed"));
    unsigned char pub[32];
    std::size_t pubLen = sizeof pub;
    EVP_PKEY_get_raw_public_key(key->get(), pub, &pubLen);
    std::string text(kMagic);
    text += "\nkey " + base64Encode(std::string_view(reinterpret_cast<const char*>(pub), pubLen));
    text += "\nsignature " + base64Encode(std::string_view(reinterpret_cast<const char*>(sig), sigLen)) + "\n";
    if (!paths::writeFileAtomically(signatureFile, text, 0644))
        return fail(sigError(2, "the signature cannot be written: " + signatureFile.string()));
    return {};
}

Result<CodeSignatureInfo> checkSignature(const std::filesystem::path& code,
                                         const std::filesystem::path& signatureFile) {
    std::ifstream in(signatureFile, std::ios::binary);
    if (!in) return fail(sigError(1, "the code is not signed at all"));
    std::string magic, keyWord, keyText, sigWord, sigText;
    std::getline(in, magic);
    in >> keyWord >> keyText >> sigWord >> sigText;
    if (magic != kMagic || keyWord != "key" || sigWord != "signature")
        return fail(sigError(4, "the signature file is damaged"));
    const auto pub = base64Decode(keyText);
    const auto sig = base64Decode(sigText);
    if (!pub || pub->size() != 32 || !sig || sig->size() != 64)
        return fail(sigError(4, "the signature file is damaged"));
    Pkey key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, pub->data(), pub->size()));
    if (!key) return fail(sigError(4, "the signature file is damaged"));
    auto message = signedMessage(code);
    if (!message) return fail(message.error());
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestVerify(ctx.get(), sig->data(), sig->size(),
                         reinterpret_cast<const unsigned char*>(message->data()), message->size()) != 1)
        return fail(sigError(5, "the signature does not match the code (the code or its signature was changed)"));
    return CodeSignatureInfo{{toString(*pub)}};
}

}  // namespace morvex::helper
