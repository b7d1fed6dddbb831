#include "little_endian.h"

#include <zlib.h>

namespace lumiro::engine::le {

std::uint32_t crc32(std::uint32_t crc, const std::byte* data, std::size_t size) {
    // zlib takes a uInt length; feed huge buffers in pieces.
    while (size > 0) {
        uInt chunk = size > (1u << 30) ? (1u << 30) : static_cast<uInt>(size);
        crc = static_cast<std::uint32_t>(::crc32(crc, reinterpret_cast<const Bytef*>(data), chunk));
        data += chunk;
        size -= chunk;
    }
    return crc;
}

}  // namespace lumiro::engine::le
