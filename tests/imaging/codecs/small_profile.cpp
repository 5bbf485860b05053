#include "tests/imaging/codecs/small_profile.h"

namespace codec_profiles {

using test_files::Bytes;
using test_files::PutBE32;

Bytes SmallProfile(uint32_t size) {
  auto text = [](Bytes& b, const char* four) { b.insert(b.end(), four, four + 4); };
  Bytes p;
  PutBE32(p, size);  // the whole size
  PutBE32(p, 0);     // preferred module
  PutBE32(p, 0x02100000);
  text(p, "mntr");
  text(p, "RGB ");
  text(p, "XYZ ");
  p.resize(36, 0);  // creation date
  text(p, "acsp");
  p.resize(68, 0);
  PutBE32(p, 0x0000F6D6), PutBE32(p, 0x00010000), PutBE32(p, 0x0000D32D);  // the D50 illuminant
  p.resize(128, 0);
  PutBE32(p, 1);
  text(p, "wtpt");
  PutBE32(p, 144);
  PutBE32(p, 20);
  text(p, "XYZ ");
  PutBE32(p, 0);
  PutBE32(p, 0x0000F351), PutBE32(p, 0x00010000), PutBE32(p, 0x000116CC);
  if (p.size() < size) p.resize(size, 0);
  return p;
}

}  // namespace codec_profiles
