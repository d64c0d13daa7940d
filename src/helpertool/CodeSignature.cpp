#include "CodeSignature.h"

#include <errno.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <openssl/pem.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <limits>
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

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// Opens without blocking: a FIFO, a device or a socket in the place of a file answers at once
// and is then refused by its type.
int openForReading(const std::filesystem::path& file, int extraFlags = 0) {
    return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | extraFlags);
}

struct Signature {
    std::string text;
    Bytes key;
    Bytes signature;
};

Result<Signature> readSignature(const std::filesystem::path& file) {
    // The signature of a real program is a file of its own, never a link to something else.
    Fd f(openForReading(file, O_NOFOLLOW));
    if (f.fd < 0) {
        if (errno == ELOOP) return fail(sigError(7, "the signature is not a regular file: " + file.string()));
        return fail(sigError(1, "the code is not signed at all"));
    }
    struct stat st {};
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(sigError(7, "the signature is not a regular file: " + file.string()));
    if (static_cast<std::uint64_t>(st.st_size) > kMaxSignatureSize)
        return fail(sigError(7, "the signature file is too large: " + file.string()));
    Signature sig;
    char buf[kMaxSignatureSize + 1];
    std::size_t total = 0;
    while (total < sizeof buf) {
        const ssize_t n = ::read(f.fd, buf + total, sizeof buf - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(sigError(2, "the signature cannot be read: " + file.string()));
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    if (total > kMaxSignatureSize) return fail(sigError(7, "the signature file is too large: " + file.string()));
    sig.text.assign(buf, total);
    std::istringstream in(sig.text);
    std::string magic, keyWord, keyText, sigWord, sigText;
    std::getline(in, magic);
    in >> keyWord >> keyText >> sigWord >> sigText;
    if (magic != kMagic || keyWord != "key" || sigWord != "signature")
        return fail(sigError(4, "the signature file is damaged"));
    auto key = base64Decode(keyText);
    auto signature = base64Decode(sigText);
    if (!key || key->size() != 32 || !signature || signature->size() != 64)
        return fail(sigError(4, "the signature file is damaged"));
    sig.key = std::move(*key);
    sig.signature = std::move(*signature);
    return sig;
}

// A program opened for its digest: only regular files of at most `limit` bytes.
Result<struct stat> openCode(const std::filesystem::path& file, Fd& f, std::uint64_t limit, int opened = -1) {
    f.fd = opened >= 0 ? ::fcntl(opened, F_DUPFD_CLOEXEC, 0) : openForReading(file);
    // A descriptor of the caller's own program is read from its start, whoever read it before.
    if (opened >= 0 && f.fd >= 0 && ::lseek(f.fd, 0, SEEK_SET) != 0)
        return fail(sigError(2, "the code cannot be read: " + file.string()));
    if (f.fd < 0) return fail(sigError(2, "the code cannot be read: " + file.string()));
    struct stat st {};
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(sigError(2, "the code cannot be read: " + file.string()));
    if (static_cast<std::uint64_t>(st.st_size) > limit)
        return fail(sigError(6, "the code is too large to be checked: " + file.string()));
    return st;
}

// The signed message: the format line and the SHA-512 digest of the whole file.
Result<std::string> signedMessage(int fd, const std::filesystem::path& file, std::uint64_t limit, Deadline deadline) {
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha512(), nullptr) != 1)
        return fail(sigError(9, "the digest cannot be computed"));
    std::vector<char> buf(1 << 16);
    std::uint64_t total = 0;
    for (;;) {
        if (deadline != Deadline::max() && std::chrono::steady_clock::now() > deadline)
            return fail(sigError(8, "the check took too long: " + file.string()));
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(sigError(2, "the code cannot be read: " + file.string()));
        if (n == 0) break;
        total += static_cast<std::uint64_t>(n);
        // A file that grows while it is read is no program to be trusted.
        if (total > limit) return fail(sigError(6, "the code is too large to be checked: " + file.string()));
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

Result<CodeSignatureInfo> verify(const Signature& sig, const std::string& message) {
    Pkey key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, sig.key.data(), sig.key.size()));
    if (!key) return fail(sigError(4, "the signature file is damaged"));
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestVerify(ctx.get(), sig.signature.data(), sig.signature.size(),
                         reinterpret_cast<const unsigned char*>(message.data()), message.size()) != 1)
        return fail(sigError(5, "the signature does not match the code (the code or its signature was changed)"));
    return CodeSignatureInfo{{toString(sig.key)}};
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
    Fd f;
    constexpr auto unlimited = std::numeric_limits<std::uint64_t>::max();
    if (auto opened = openCode(program, f, unlimited); !opened) return fail(opened.error());
    auto message = signedMessage(f.fd, program, unlimited, Deadline::max());
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

Result<CodeSignatureInfo> checkSignature(const std::filesystem::path& code, const std::filesystem::path& signatureFile,
                                         Deadline deadline) {
    auto sig = readSignature(signatureFile);
    if (!sig) return fail(sig.error());
    Fd f;
    if (auto opened = openCode(code, f, kMaxCodeSize); !opened) return fail(opened.error());
    auto message = signedMessage(f.fd, code, kMaxCodeSize, deadline);
    if (!message) return fail(message.error());
    return verify(*sig, *message);
}

Result<CodeSignatureInfo> SignatureVerdicts::check(const std::filesystem::path& code,
                                                   const std::filesystem::path& signatureFile, Deadline deadline,
                                                   int codeFd) {
    auto sig = readSignature(signatureFile);
    if (!sig) return fail(sig.error());
    Fd f;
    const auto st = openCode(code, f, kMaxCodeSize, codeFd);
    if (!st) return fail(st.error());
    Key key{st->st_dev, st->st_ino, st->st_size, st->st_ctim.tv_sec, st->st_ctim.tv_nsec, sig->text};
    {
        std::unique_lock lock(mutex_);
        if (const auto it = verdicts_.find(key); it != verdicts_.end()) return it->second;
        const auto turn = [this] { return digesting_ < limits_.concurrentDigests; };
        if (deadline == Deadline::max()) digestDone_.wait(lock, turn);
        else if (!digestDone_.wait_until(lock, deadline, turn))
            return fail(sigError(8, "the check took too long: " + code.string()));
        ++digests_;
        mostDigesting_ = std::max(mostDigesting_, ++digesting_);
    }
    auto message = signedMessage(f.fd, code, kMaxCodeSize, deadline);
    {
        std::lock_guard lock(mutex_);
        --digesting_;
        digestDone_.notify_one();
    }
    if (!message) return fail(message.error());
    auto verdict = verify(*sig, *message);
    if (!verdict && verdict.error().code != 5) return verdict;
    // Kept only for a file that has been still for a while and did not change while it was read.
    struct stat after {};
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const auto changed = std::chrono::seconds(st->st_ctim.tv_sec) + std::chrono::nanoseconds(st->st_ctim.tv_nsec);
    const auto age = std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec) - changed;
    if (::fstat(f.fd, &after) != 0 || after.st_ctim.tv_sec != st->st_ctim.tv_sec ||
        after.st_ctim.tv_nsec != st->st_ctim.tv_nsec || after.st_size != st->st_size || age < limits_.settle)
        return verdict;
    std::lock_guard lock(mutex_);
    if (verdicts_.emplace(key, verdict).second) {
        order_.push_back(key);
        if (order_.size() > limits_.capacity) {
            verdicts_.erase(order_.front());
            order_.pop_front();
        }
    }
    return verdict;
}

std::uint64_t SignatureVerdicts::digestsComputed() const {
    std::lock_guard lock(mutex_);
    return digests_;
}

int SignatureVerdicts::mostDigestsAtOnce() const {
    std::lock_guard lock(mutex_);
    return mostDigesting_;
}

}  // namespace morvex::helper
