// Packet cipher: a cipher handle keyed from a key text by SHA-256, and the
// cipher block that carries the plain length inside the encrypted data:
//
//   offset 0  4 bytes  L, unsigned 32-bit little-endian
//   offset 4  L bytes  the plain data
//   then zero bytes up to the next multiple of 16 (L + 4 rounded up)
//
// The whole block is AES-CBC encrypted from a zero chaining block on every
// call, so equal bodies under one key give equal cipher text. The rest of the
// core reaches the cipher only through the aes_ functions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/AESCrypt.h"

class CQXCrypt {
public:
    CQXCrypt();
    virtual ~CQXCrypt();

    // Keys the handle with the first keyBytes (16, 24 or 32) bytes of the
    // SHA-256 digest of keyText; a length below 1 means up to the terminator.
    // 1 on success; 0 without key text or for another key size, and the
    // handle is then without key.
    int SetKey(const char* keyText, int length, int keyBytes);

    // bits 128, 192, 256: the first 16, 24 or 32 bytes of SHA-256; 384:
    // SHA-384; 512: SHA-512; any other value writes nothing.
    static void Getdigest(const uint8_t* text, size_t length, uint8_t* out, int bits);

    // The cipher block size for a body of `length` bytes; 0 for 0 and for a
    // length whose block would not fit 32 bits.
    static uint32_t GetEncryptedSize(uint32_t length);

    // Writes the encrypted block (GetEncryptedSize(length) bytes) to
    // destination and returns its size; 0 when the source is absent, the
    // handle has no key, length is 0 or too large.
    uint32_t Encrypt(const uint8_t* source, uint32_t length, uint8_t* destination);

    // Decrypts a block of `size` bytes and copies its plain data (at most
    // `capacity` bytes) to destination; returns the plain length, or 0 for
    // anything inconsistent: no source or key, a size that is 0 or not a
    // multiple of 16, a plain length of 0, above capacity or above size - 4.
    uint32_t Decrypt(const uint8_t* source, uint32_t size, uint8_t* destination, uint32_t capacity);

    bool IsKeyed() const { return m_bKeyInit; }

private:
    CAESCrypt m_aes;
    bool m_bKeyInit = false;
};

int aes_init();
int aes_term();
CQXCrypt* aes_get_handle();
int aes_free_handle(CQXCrypt* handle);  // 0, or -102 without handle
int aes_set_key(CQXCrypt* handle, const char* keyText, int length, int keyBytes);  // -102 without handle
uint32_t aes_get_encrypted_size(CQXCrypt* handle, uint32_t length);
uint32_t aes_encrypt(CQXCrypt* handle, const uint8_t* source, uint32_t length, uint8_t* destination);
uint32_t aes_decrypt(CQXCrypt* handle, const uint8_t* source, uint32_t size, uint8_t* destination,
                     uint32_t capacity);
