// The value representations of the DICOM data elements the reader knows. Elements whose
// representation the dictionary does not fix (ambiguous, private and unknown ones) answer "xs":
// the reader then takes what the file says. Items and delimiters answer "!!".
#pragma once

#include <cstdint>

namespace imaging {

// Two characters, not ended by 0.
const char* DICOMDictionaryVR(uint16_t group, uint16_t element);

}  // namespace imaging
