#pragma once
// Detached code signatures: Ed25519 over the SHA-512 digest of a program file, kept in
// "<program>.sig" beside it. The signature file names the signer's public key, which is what
// two programs are compared by ("signed by the same key").
//
// Any local process can make the root helper check its program, so a check reads no more than it
// must: the signature file is opened without blocking and read only when it is a regular file of
// at most kMaxSignatureSize bytes, the program only when it is a regular file of at most
// kMaxCodeSize bytes, and a check gives up at its deadline.
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/Error.h"

namespace morvex::helper {

inline constexpr std::string_view kCodeSignatureErrorDomain = "CodeSignatureErrorDomain";
inline constexpr std::string_view kSignatureSuffix = ".sig";
// The largest program that is checked; anything larger is refused unread. The bundle's programs
// are a few megabytes, the signed test programs some tens. Sanitizer instrumentation makes
// programs several times larger (a check point's source location is data with a relocation), so
// those builds allow four times as much.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr std::uint64_t kMaxCodeSize = std::uint64_t{256} << 20;
#else
inline constexpr std::uint64_t kMaxCodeSize = std::uint64_t{64} << 20;
#endif
// The largest signature file that is read (ours are under 200 bytes).
inline constexpr std::size_t kMaxSignatureSize = 4096;

// Error codes: 1 not signed at all, 2 unreadable, 3 no signing key, 4 damaged signature file,
// 5 signature does not match, 6 program too large, 7 the signature is no regular file of at most
// kMaxSignatureSize bytes, 8 the check passed its deadline, 9 a crypto failure.

struct CodeSignatureInfo {
    // The signers' raw public keys, leaf first (a signature file names exactly one).
    std::vector<std::string> certificates;
};

using Deadline = std::chrono::steady_clock::time_point;

// Writes a new Ed25519 private key (PEM, mode 0600).
Result<void> generateSigningKey(const std::filesystem::path& privateKeyPem);
// Signs `program` with the private key; writes the signature to `signatureFile`
// (by default "<program>.sig"). The build's own programs are signed whatever their size.
Result<void> signProgram(const std::filesystem::path& program, const std::filesystem::path& privateKeyPem,
                         std::filesystem::path signatureFile = {});

// Reads `signatureFile` and checks it against the bytes read from `code` (which may be a
// /proc/<pid>/exe link). The answer names the signer; any mismatch or damage is an error.
Result<CodeSignatureInfo> checkSignature(const std::filesystem::path& code, const std::filesystem::path& signatureFile,
                                         Deadline deadline = Deadline::max());

// Remembers the verdicts of checks, so a program is read and hashed once and not at every
// connection. A verdict belongs to the program file (device, inode, size and change time, which
// every write moves on) and the exact signature text; a file changed less than `settle` ago is
// checked but its verdict not kept, since a write within the same clock tick would not move its
// change time. Failures to read and time-outs are never kept. A caller can still make new files
// (a new file costs nothing, sparse): at most `concurrentDigests` programs are hashed at once, and
// a check waiting for its turn gives up at its deadline. Thread-safe.
class SignatureVerdicts {
public:
    struct Limits {
        std::size_t capacity = 256;
        std::chrono::milliseconds settle = std::chrono::seconds(1);
        int concurrentDigests = 2;
    };
    SignatureVerdicts() : SignatureVerdicts(Limits{}) {}
    explicit SignatureVerdicts(Limits limits) : limits_(limits) {}

    // With `codeFd`, the program is read from that descriptor (from its start) and `code` only
    // names it in messages.
    Result<CodeSignatureInfo> check(const std::filesystem::path& code, const std::filesystem::path& signatureFile,
                                    Deadline deadline = Deadline::max(), int codeFd = -1);
    // How many times a program was read and hashed, and the most that were at once.
    std::uint64_t digestsComputed() const;
    int mostDigestsAtOnce() const;

private:
    using Key = std::tuple<dev_t, ino_t, off_t, std::int64_t, std::int64_t, std::string>;
    const Limits limits_;
    mutable std::mutex mutex_;
    std::condition_variable digestDone_;
    std::map<Key, Result<CodeSignatureInfo>> verdicts_;
    std::deque<Key> order_;  // oldest first, for eviction
    std::uint64_t digests_ = 0;
    int digesting_ = 0;
    int mostDigesting_ = 0;
};

}  // namespace morvex::helper
