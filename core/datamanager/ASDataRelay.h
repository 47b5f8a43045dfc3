// What the sharing encoder needs of the relay: the queue length of a send
// class of a relay connection and the three image-record senders. The
// control object implements it; tests give a recording one.
#pragma once

#include <cstdint>

class CASDataRelay {
public:
    virtual ~CASDataRelay() = default;
    // Entries waiting in `sendClass` of relay connection `index`; -1 when the
    // connection has no send thread.
    virtual int VpexSendBufferLength(int index, unsigned sendClass) = 0;
    virtual bool VpexSendASShowRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                                    const uint8_t* jpeg, uint32_t jpegLength) = 0;
    virtual bool VpexSendASChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) = 0;
    virtual bool VpexSendASKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) = 0;
};
