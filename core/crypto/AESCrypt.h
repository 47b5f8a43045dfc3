// Rijndael block cipher (AES when the block is 16 bytes): key schedules for
// 16-, 24- and 32-byte keys and blocks, and ECB, CBC and CFB over whole blocks.
// CBC and CFB start every call from a zero chaining block, so equal inputs
// under one key always give equal outputs.
#pragma once

#include <cstddef>
#include <cstdint>

class CAESCrypt {
public:
    enum { ECB = 0, CBC = 1, CFB = 2 };
    enum { MAX_BLOCK_SIZE = 32, MAX_ROUNDS = 14 };

    CAESCrypt();
    virtual ~CAESCrypt();

    // 1 on success; -1 without key; -2 for a key length other than 16, 24 or
    // 32; -3 for a block size other than 16, 24 or 32. `chain` (blockSize
    // bytes, may be null for zeros) is stored as the initial chaining block.
    int MakeKey(const uint8_t* key, const uint8_t* chain, int keyLength = 16, int blockSize = 16);

    // 1 on success; -1 without key; -2 when n is 0 or not a multiple of the
    // block size; -3 for an unknown mode. `in` and `out` may be the same buffer.
    int Encrypt(const uint8_t* in, uint8_t* out, size_t n, int mode = ECB);
    int Decrypt(const uint8_t* in, uint8_t* out, size_t n, int mode = ECB);

    void EncryptBlock(const uint8_t* in, uint8_t* out);
    void DecryptBlock(const uint8_t* in, uint8_t* out);

    int GetKeyLength() const { return m_keyLength; }
    int GetBlockSize() const { return m_blockSize; }
    int GetRounds() const { return m_rounds; }

    // Whether 16-byte blocks go through the processor's AES instructions when
    // it has them (on by default). Tests switch it off to cover both paths;
    // it takes effect at the next MakeKey.
    static void SetHardwareAllowed(bool allowed);
    static bool HardwareAvailable();

    static void MemCpy(uint8_t* dst, const uint8_t* src, size_t n);
    static void MemSet(uint8_t* dst, uint8_t value, size_t n);

private:
    void DefEncryptBlock(const uint8_t* in, uint8_t* out) const;
    void DefDecryptBlock(const uint8_t* in, uint8_t* out) const;
    void GenEncryptBlock(const uint8_t* in, uint8_t* out) const;
    void GenDecryptBlock(const uint8_t* in, uint8_t* out) const;
    int CheckCall(size_t n, int mode) const;

    bool m_bKeyInit = false;
    uint32_t m_Ke[MAX_ROUNDS + 1][8] = {};  // encryption round keys, big-endian columns
    uint32_t m_Kd[MAX_ROUNDS + 1][8] = {};  // decryption round keys (equivalent inverse cipher)
    int m_keyLength = 0;
    int m_blockSize = 0;
    int m_rounds = 0;
    uint8_t m_chain0[MAX_BLOCK_SIZE] = {};
    uint8_t m_chain[MAX_BLOCK_SIZE] = {};
    uint32_t m_tk[8] = {};  // working copy of the key for the schedule

    // Round keys as the processor's AES instructions read them (16-byte blocks only).
    bool m_hardware = false;
    alignas(16) uint8_t m_hwEnc[(MAX_ROUNDS + 1) * 16] = {};
    alignas(16) uint8_t m_hwDec[(MAX_ROUNDS + 1) * 16] = {};
};
