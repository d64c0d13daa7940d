#include "foundation/CryptoLibrary.h"

#include "foundation/SharedLibrary.h"

namespace morvex {

const CryptoLibrary& crypto() {
    static const CryptoLibrary table = [] {
        CryptoLibrary t;
        SharedLibrary library("libcrypto.so.3");
#define MORVEX_FIND(name) library.find(t.name, #name)
        MORVEX_FIND(ERR_clear_error);
        MORVEX_FIND(ERR_error_string_n);
        MORVEX_FIND(ERR_get_error);
        MORVEX_FIND(EVP_CIPHER_CTX_ctrl);
        MORVEX_FIND(EVP_CIPHER_CTX_free);
        MORVEX_FIND(EVP_CIPHER_CTX_new);
        MORVEX_FIND(EVP_CipherFinal_ex);
        MORVEX_FIND(EVP_CipherInit_ex);
        MORVEX_FIND(EVP_CipherUpdate);
        MORVEX_FIND(EVP_DecryptFinal_ex);
        MORVEX_FIND(EVP_DecryptInit_ex);
        MORVEX_FIND(EVP_DecryptUpdate);
        MORVEX_FIND(EVP_Digest);
        MORVEX_FIND(EVP_PKEY_CTX_ctrl_str);
        MORVEX_FIND(EVP_PKEY_CTX_free);
        MORVEX_FIND(EVP_PKEY_CTX_new);
        MORVEX_FIND(EVP_PKEY_CTX_set_rsa_padding);
        MORVEX_FIND(EVP_PKEY_decrypt);
        MORVEX_FIND(EVP_PKEY_decrypt_init);
        MORVEX_FIND(EVP_PKEY_free);
        MORVEX_FIND(EVP_aes_128_cbc);
        MORVEX_FIND(EVP_aes_128_gcm);
        MORVEX_FIND(EVP_aes_192_gcm);
        MORVEX_FIND(EVP_aes_256_cbc);
        MORVEX_FIND(EVP_aes_256_gcm);
        MORVEX_FIND(EVP_md5);
        MORVEX_FIND(EVP_sha256);
        MORVEX_FIND(RAND_bytes);
        MORVEX_FIND(d2i_PrivateKey);
#undef MORVEX_FIND
        library.require();
        return t;
    }();
    return table;
}

}  // namespace morvex
