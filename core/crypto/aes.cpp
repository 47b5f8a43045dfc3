#include "crypto/aes.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "crypto/sha2.h"

namespace {
constexpr int kNoHandle = -102;
constexpr uint32_t kAesBlock = 16;
constexpr uint32_t kLengthField = 4;
// The initial chaining block handed to the block cipher; every call starts
// from a zero chain anyway.
constexpr uint8_t kInitialChain[kAesBlock] = {};
}  // namespace

CQXCrypt::CQXCrypt() = default;
CQXCrypt::~CQXCrypt() = default;

void CQXCrypt::Getdigest(const uint8_t* text, size_t length, uint8_t* out, int bits) {
    uint8_t digest[SHA512_DIGEST_SIZE];
    switch (bits) {
        case 128:
        case 192:
        case 256:
            SHA2_Getdigest(text, length, digest, 256);
            std::memcpy(out, digest, bits / 8);
            break;
        case 384:
        case 512:
            SHA2_Getdigest(text, length, out, bits);
            break;
        default:
            break;
    }
}

int CQXCrypt::SetKey(const char* keyText, int length, int keyBytes) {
    m_bKeyInit = false;
    if (!keyText) return 0;
    if (keyBytes != 16 && keyBytes != 24 && keyBytes != 32) return 0;
    size_t textLength = length < 1 ? std::strlen(keyText) : static_cast<size_t>(length);
    uint8_t key[32];
    Getdigest(reinterpret_cast<const uint8_t*>(keyText), textLength, key, keyBytes * 8);
    int rc = m_aes.MakeKey(key, kInitialChain, keyBytes, kAesBlock);
    std::memset(key, 0, sizeof(key));
    m_bKeyInit = rc > 0;
    return rc;
}

uint32_t CQXCrypt::GetEncryptedSize(uint32_t length) {
    if (length == 0) return 0;
    uint64_t size = (uint64_t(length) + kLengthField + kAesBlock - 1) / kAesBlock * kAesBlock;
    return size > UINT32_MAX ? 0 : static_cast<uint32_t>(size);
}

uint32_t CQXCrypt::Encrypt(const uint8_t* source, uint32_t length, uint8_t* destination) {
    if (!source || !destination || !m_bKeyInit || length == 0) return 0;
    const uint32_t size = GetEncryptedSize(length);
    if (size == 0) return 0;
    // The block is built in the destination and encrypted in place.
    std::memmove(destination + kLengthField, source, length);
    for (uint32_t i = 0; i < kLengthField; ++i) destination[i] = uint8_t(length >> (8 * i));
    std::memset(destination + kLengthField + length, 0, size - kLengthField - length);
    if (m_aes.Encrypt(destination, destination, size, CAESCrypt::CBC) != 1) return 0;
    return size;
}

uint32_t CQXCrypt::Decrypt(const uint8_t* source, uint32_t size, uint8_t* destination, uint32_t capacity) {
    if (!source || !destination || !m_bKeyInit || size == 0 || size % kAesBlock != 0) return 0;
    uint8_t* block = static_cast<uint8_t*>(std::malloc(size));
    if (!block) return 0;
    uint32_t length = 0;
    if (m_aes.Decrypt(source, block, size, CAESCrypt::CBC) == 1) {
        for (uint32_t i = 0; i < kLengthField; ++i) length |= uint32_t(block[i]) << (8 * i);
        if (length == 0 || length > capacity || length > size - kLengthField) {
            length = 0;
        } else {
            std::memcpy(destination, block + kLengthField, length);
        }
    }
    std::free(block);
    return length;
}

int aes_init() {
    return 0;
}
int aes_term() {
    return 0;
}

CQXCrypt* aes_get_handle() {
    return new (std::nothrow) CQXCrypt();
}

int aes_free_handle(CQXCrypt* handle) {
    if (!handle) return kNoHandle;
    delete handle;
    return 0;
}

int aes_set_key(CQXCrypt* handle, const char* keyText, int length, int keyBytes) {
    return handle ? handle->SetKey(keyText, length, keyBytes) : kNoHandle;
}

uint32_t aes_get_encrypted_size(CQXCrypt* handle, uint32_t length) {
    return handle ? CQXCrypt::GetEncryptedSize(length) : 0;
}

uint32_t aes_encrypt(CQXCrypt* handle, const uint8_t* source, uint32_t length, uint8_t* destination) {
    return handle ? handle->Encrypt(source, length, destination) : 0;
}

uint32_t aes_decrypt(CQXCrypt* handle, const uint8_t* source, uint32_t size, uint8_t* destination,
                     uint32_t capacity) {
    return handle ? handle->Decrypt(source, size, destination, capacity) : 0;
}
