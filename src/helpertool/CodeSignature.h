#pragma once
// Detached code signatures: Ed25519 over the SHA-512 digest of a program file, kept in
// "<program>.sig" beside it. The signature file names the signer's public key, which is what
// two programs are compared by ("signed by the same key").
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Error.h"

namespace morvex::helper {

inline constexpr std::string_view kCodeSignatureErrorDomain = "CodeSignatureErrorDomain";
inline constexpr std::string_view kSignatureSuffix = ".sig";
// The largest program that is checked; anything larger is refused unread.
inline constexpr std::uint64_t kMaxCodeSize = std::uint64_t{1} << 30;

struct CodeSignatureInfo {
    // The signers' raw public keys, leaf first (a signature file names exactly one).
    std::vector<std::string> certificates;
};

// Writes a new Ed25519 private key (PEM, mode 0600).
Result<void> generateSigningKey(const std::filesystem::path& privateKeyPem);
// Signs `program` with the private key; writes the signature to `signatureFile`
// (by default "<program>.sig").
Result<void> signProgram(const std::filesystem::path& program, const std::filesystem::path& privateKeyPem,
                         std::filesystem::path signatureFile = {});

// Reads `signatureFile` and checks it against the bytes read from `code` (which may be a
// /proc/<pid>/exe link). The answer names the signer; any mismatch or damage is an error.
Result<CodeSignatureInfo> checkSignature(const std::filesystem::path& code,
                                         const std::filesystem::path& signatureFile);

}  // namespace morvex::helper
