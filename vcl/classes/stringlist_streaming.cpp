// How form data stores a string list: the pseudo-property "Strings" with the lines as a list,
//   Items.Strings = (
//     'Stretch To Fit'
//     'Tile Image')
#include "vcl/classes/filer.h"
#include "vcl/classes/stringlist.h"

namespace vcl {

void TStrings::DefineProperties(TFiler* filer) {
  // Written when the lines differ from the ancestor's, or without one, when there are any.
  bool hasData;
  if (auto* ancestor = dynamic_cast<TStrings*>(filer->Ancestor())) hasData = !Equals(ancestor);
  else hasData = Count() > 0;

  auto readData = [this](TReader* reader) {
    reader->ReadListBegin();
    {
      TStringsUpdate update(this);
      Clear();
      while (!reader->EndOfList()) Add(reader->ReadString());
    }
    reader->ReadListEnd();
  };
  auto writeData = [this](TWriter* writer) {
    writer->WriteListBegin();
    for (int i = 0; i < Count(); ++i) writer->WriteString(Strings(i));
    writer->WriteListEnd();
  };
  filer->DefineProperty("Strings", readData, writeData, hasData);
}

}  // namespace vcl
