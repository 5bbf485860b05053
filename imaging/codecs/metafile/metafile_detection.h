// Content tests that tell Windows metafiles (file type 9) and enhanced metafiles (file type 10)
// apart; the I/O object renders metafiles itself. Both tests leave the stream where they found it.
#pragma once

namespace vcl {
class TStream;
}

namespace imaging {

// Record type 1 at offset 0 and the signature " EMF" at offset 40.
bool IsEMFStream(vcl::TStream* Stream);
// A metafile header (type 1, header size 9 words, parameter count 0 at offset 16), after an
// optional 22-byte placeable header (key 0x9AC6CDD7).
bool IsWMFStream(vcl::TStream* Stream);

// Puts the tests into the registry rows of file types 9 and 10.
void RegisterMetafileTests();

}  // namespace imaging
