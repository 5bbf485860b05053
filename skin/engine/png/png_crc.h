// CRC-32 of ISO 3309 / ITU-T V.42 (reflected polynomial 0xEDB88320), the checksum of PNG chunks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace skin::png {

// The CRC of everything so far, given the CRC of what came before: values in and out are final
// CRCs, so 0 starts a new one and updating piece by piece equals one pass. No bytes: `crc`.
uint32_t UpdateCrc32(uint32_t crc, const void* buffer, size_t length);

}  // namespace skin::png
