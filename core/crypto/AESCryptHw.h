// The processor's AES instructions for 16-byte blocks (used by CAESCrypt only).
// Round keys are (rounds + 1) blocks of 16 bytes; decryption keys are those of
// the equivalent inverse cipher, in the order they are applied.
#pragma once

#include <cstddef>
#include <cstdint>

namespace aes_hw {

bool Available();
void EcbEncrypt(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out, size_t blocks);
void EcbDecrypt(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out, size_t blocks);
// CBC from a zero chaining block.
void CbcEncrypt(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out, size_t blocks);
void CbcDecrypt(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out, size_t blocks);

}  // namespace aes_hw
