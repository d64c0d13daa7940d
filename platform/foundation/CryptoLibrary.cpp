#include "foundation/CryptoLibrary.h"

#include "foundation/SharedLibrary.h"

namespace morvex {

const CryptoLibrary& crypto() {
    static const CryptoLibrary table = [] {
        CryptoLibrary t;
        SharedLibrary library("libcrypto.so.3");
        MORVEX_FIND_FUNCTION(library, t, ERR_clear_error);
        MORVEX_FIND_FUNCTION(library, t, ERR_error_string_n);
        MORVEX_FIND_FUNCTION(library, t, ERR_get_error);
        MORVEX_FIND_FUNCTION(library, t, EVP_CIPHER_CTX_ctrl);
        MORVEX_FIND_FUNCTION(library, t, EVP_CIPHER_CTX_free);
        MORVEX_FIND_FUNCTION(library, t, EVP_CIPHER_CTX_new);
        MORVEX_FIND_FUNCTION(library, t, EVP_CipherFinal_ex);
        MORVEX_FIND_FUNCTION(library, t, EVP_CipherInit_ex);
        MORVEX_FIND_FUNCTION(library, t, EVP_CipherUpdate);
        MORVEX_FIND_FUNCTION(library, t, EVP_DecryptFinal_ex);
        MORVEX_FIND_FUNCTION(library, t, EVP_DecryptInit_ex);
        MORVEX_FIND_FUNCTION(library, t, EVP_DecryptUpdate);
        MORVEX_FIND_FUNCTION(library, t, EVP_Digest);
        MORVEX_FIND_FUNCTION(library, t, EVP_PKEY_CTX_ctrl_str);
        MORVEX_FIND_FUNCTION(library, t, EVP_PKEY_CTX_free);
        MORVEX_FIND_FUNCTION(library, t, EVP_PKEY_CTX_new);
        MORVEX_FIND_FUNCTION(library, t, EVP_PKEY_CTX_set_rsa_padding);
        MORVEX_FIND_FUNCTION(library, t, EVP_PKEY_decrypt);
        MORVEX_FIND_FUNCTION(library, t, EVP_PKEY_decrypt_init);
        MORVEX_FIND_FUNCTION(library, t, EVP_PKEY_free);
        MORVEX_FIND_FUNCTION(library, t, EVP_aes_128_cbc);
        MORVEX_FIND_FUNCTION(library, t, EVP_aes_128_gcm);
        MORVEX_FIND_FUNCTION(library, t, EVP_aes_192_gcm);
        MORVEX_FIND_FUNCTION(library, t, EVP_aes_256_cbc);
        MORVEX_FIND_FUNCTION(library, t, EVP_aes_256_gcm);
        MORVEX_FIND_FUNCTION(library, t, EVP_md5);
        MORVEX_FIND_FUNCTION(library, t, EVP_sha256);
        MORVEX_FIND_FUNCTION(library, t, RAND_bytes);
        MORVEX_FIND_FUNCTION(library, t, d2i_PrivateKey);
        library.require();
        return t;
    }();
    return table;
}

}  // namespace morvex
