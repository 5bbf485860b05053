// Checks of the records of metafiles read from files, before the system plays them: the system
// trusts every count, offset and size inside a record, so a damaged file must be refused here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vcl::metafile_records {

// Whether every record of an EMF lies inside it, the last one ends the file, and the counts,
// offsets and embedded bitmaps of the records the system reads them from stay inside their
// record. The bytes start with the header record.
bool EnhancedRecordsValid(const std::vector<uint8_t>& data);

// Whether every record of a WMF (after its header of `headerSize` bytes) lies inside it, up to
// the end record.
bool WindowsRecordsValid(const std::vector<uint8_t>& data, size_t headerSize);

}  // namespace vcl::metafile_records
