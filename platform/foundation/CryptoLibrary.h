#pragma once
// The libcrypto functions the application calls, from the library loaded at the first call
// (SharedLibrary): nothing the first window shows needs it. Call sites read crypto().EVP_md5().
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

namespace morvex {

struct CryptoLibrary {
    decltype(&::ERR_clear_error) ERR_clear_error = nullptr;
    decltype(&::ERR_error_string_n) ERR_error_string_n = nullptr;
    decltype(&::ERR_get_error) ERR_get_error = nullptr;
    decltype(&::EVP_CIPHER_CTX_ctrl) EVP_CIPHER_CTX_ctrl = nullptr;
    decltype(&::EVP_CIPHER_CTX_free) EVP_CIPHER_CTX_free = nullptr;
    decltype(&::EVP_CIPHER_CTX_new) EVP_CIPHER_CTX_new = nullptr;
    decltype(&::EVP_CipherFinal_ex) EVP_CipherFinal_ex = nullptr;
    decltype(&::EVP_CipherInit_ex) EVP_CipherInit_ex = nullptr;
    decltype(&::EVP_CipherUpdate) EVP_CipherUpdate = nullptr;
    decltype(&::EVP_DecryptFinal_ex) EVP_DecryptFinal_ex = nullptr;
    decltype(&::EVP_DecryptInit_ex) EVP_DecryptInit_ex = nullptr;
    decltype(&::EVP_DecryptUpdate) EVP_DecryptUpdate = nullptr;
    decltype(&::EVP_Digest) EVP_Digest = nullptr;
    decltype(&::EVP_PKEY_CTX_ctrl_str) EVP_PKEY_CTX_ctrl_str = nullptr;
    decltype(&::EVP_PKEY_CTX_free) EVP_PKEY_CTX_free = nullptr;
    decltype(&::EVP_PKEY_CTX_new) EVP_PKEY_CTX_new = nullptr;
    decltype(&::EVP_PKEY_CTX_set_rsa_padding) EVP_PKEY_CTX_set_rsa_padding = nullptr;
    decltype(&::EVP_PKEY_decrypt) EVP_PKEY_decrypt = nullptr;
    decltype(&::EVP_PKEY_decrypt_init) EVP_PKEY_decrypt_init = nullptr;
    decltype(&::EVP_PKEY_free) EVP_PKEY_free = nullptr;
    decltype(&::EVP_aes_128_cbc) EVP_aes_128_cbc = nullptr;
    decltype(&::EVP_aes_128_gcm) EVP_aes_128_gcm = nullptr;
    decltype(&::EVP_aes_192_gcm) EVP_aes_192_gcm = nullptr;
    decltype(&::EVP_aes_256_cbc) EVP_aes_256_cbc = nullptr;
    decltype(&::EVP_aes_256_gcm) EVP_aes_256_gcm = nullptr;
    decltype(&::EVP_md5) EVP_md5 = nullptr;
    decltype(&::EVP_sha256) EVP_sha256 = nullptr;
    decltype(&::RAND_bytes) RAND_bytes = nullptr;
    decltype(&::d2i_PrivateKey) d2i_PrivateKey = nullptr;
};

// The table, filled at the first call. A system without libcrypto ends the run there, saying so.
const CryptoLibrary& crypto();

}  // namespace morvex
