#pragma once

// Cutting a stream of PCM bytes into chunks of a fixed size: used by the
// recorder (captured audio) and the player (mixed audio).

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>

// Appends `bytes` of `pcm` to `chunk`; each time it holds `chunkBytes` it is
// handed to `full` (which takes it) and a fresh chunk is started. A partly
// filled chunk stays for the next call.
template <typename Full>
void appendInChunks(QByteArray& chunk, std::size_t chunkBytes, const std::uint8_t* pcm, std::size_t bytes, Full full) {
    if (chunkBytes == 0) return;
    std::size_t used = 0;
    while (used < bytes) {
        const std::size_t take = std::min(chunkBytes - std::size_t(chunk.size()), bytes - used);
        chunk.append(reinterpret_cast<const char*>(pcm + used), qsizetype(take));
        used += take;
        if (std::size_t(chunk.size()) == chunkBytes) {
            full(std::move(chunk));
            chunk = QByteArray();
            chunk.reserve(qsizetype(chunkBytes));
        }
    }
}
