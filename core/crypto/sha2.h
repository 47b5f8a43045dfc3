// SHA-256, SHA-384 and SHA-512 (FIPS 180-2), incremental and in one call.
#pragma once

#include <cstddef>
#include <cstdint>

enum {
    SHA256_DIGEST_SIZE = 32,
    SHA384_DIGEST_SIZE = 48,
    SHA512_DIGEST_SIZE = 64,
    SHA256_BLOCK_SIZE = 64,
    SHA512_BLOCK_SIZE = 128,
};

struct sha256_ctx {
    uint64_t count;  // bytes hashed so far
    uint32_t hash[8];
    uint8_t wbuf[SHA256_BLOCK_SIZE];
};

struct sha512_ctx {
    uint64_t count[2];  // bytes hashed so far: low and high word
    uint64_t hash[8];
    uint8_t wbuf[SHA512_BLOCK_SIZE];
};

struct sha2_ctx {
    union {
        sha256_ctx ctx256;
        sha512_ctx ctx512;
    } uu;
    unsigned sha2_len;  // digest size in bytes: 32, 48 or 64
};

// Per-algorithm parts. The compile functions process the full block in wbuf.
void sha256_compile(sha256_ctx* ctx);
void sha256_begin(sha256_ctx* ctx);
void sha256_hash(const uint8_t* data, size_t len, sha256_ctx* ctx);
void sha256_end(uint8_t hval[SHA256_DIGEST_SIZE], sha256_ctx* ctx);

void sha512_compile(sha512_ctx* ctx);
void sha384_begin(sha512_ctx* ctx);
void sha512_begin(sha512_ctx* ctx);
void sha512_hash(const uint8_t* data, size_t len, sha512_ctx* ctx);
void sha_end(uint8_t* hval, sha512_ctx* ctx, unsigned hlen);  // end of SHA-384 and SHA-512
void sha384_end(uint8_t hval[SHA384_DIGEST_SIZE], sha512_ctx* ctx);
void sha512_end(uint8_t hval[SHA512_DIGEST_SIZE], sha512_ctx* ctx);

// 0, or 1 for an unsupported size: 32 or 256 selects SHA-256, 48 or 384
// SHA-384, 64 or 512 SHA-512.
int sha2_begin(sha2_ctx* ctx, unsigned size);
void sha2_hash(const uint8_t* data, size_t len, sha2_ctx* ctx);
void sha2_end(uint8_t* hval, sha2_ctx* ctx);

// One-call digest of `length` bytes into `out` (32, 48 or 64 bytes by `bits`).
// 0 on success; 1 for an unsupported size, and nothing is written.
int SHA2_Getdigest(const uint8_t* data, size_t length, uint8_t* out, unsigned bits);
