// Reading and writing components as form data text:
//
//   object Form1: TForm1
//     Caption = 'Mergeon'
//     Font.Height = -11
//     OnCreate = FormCreate
//     object Button1: TButton
//       Items.Strings = (
//         'a'
//         'b')
//     end
//   end
//
// TReader creates the components by class name, sets their published properties by name in
// file order, reads custom values through DefineProperties, fixes component references and
// binds events to the root's published methods once the whole tree is read, then calls Loaded
// on every component it read. TWriter writes what differs from the defaults (or from an
// ancestor), in declaration order, so that reading and writing again gives the same text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/classes/component.h"
#include "vcl/classes/formtext.h"

namespace vcl {

class TCollection;
class TReader;
class TWriter;
class TStream;
struct TPropInfo;

using TReaderProc = std::function<void(TReader* reader)>;
using TWriterProc = std::function<void(TWriter* writer)>;
using TStreamProc = std::function<void(TStream* stream)>;

// What both directions share: the root of the tree, and the ancestor (the object that the one
// being written is compared with; nullptr when writing without one, and while reading).
class TFiler : public TObject {
  VCL_CLASS(TFiler, TObject)
  TComponent* Root() const { return root_; }
  TComponent* LookupRoot() const { return root_; }
  TPersistent* Ancestor() const { return ancestor_; }

  // A property a class stores in its own way, called from its DefineProperties. The reader
  // calls readData when form data holds the property; the writer writes it, with writeData,
  // when hasData is true.
  virtual void DefineProperty(const std::string& name, const TReaderProc& readData,
                              const TWriterProc& writeData, bool hasData) = 0;
  // The same for a block of bytes, stored as {hex}; the procedures read from or write to a
  // memory stream positioned at 0.
  virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                    const TStreamProc& writeData, bool hasData) = 0;

 protected:
  TComponent* root_ = nullptr;
  TPersistent* ancestor_ = nullptr;
};

// The kinds of value form data holds, as NextValue sees them.
enum TValueType { vaNull, vaList, vaInt, vaExtended, vaString, vaIdent, vaFalse, vaTrue, vaBinary, vaSet, vaNil, vaCollection };

class TReader : public TFiler {
  VCL_CLASS(TReader, TFiler)
  // Reads form text from the stream's position to its end.
  explicit TReader(TStream* stream);
  ~TReader() override;

  // Reads the whole tree into `root`, or into a new component of the named class when root is
  // nullptr. On failure every component this read created is freed and the error goes on:
  // EParserError for broken text, EReadError "Property %s does not exist" or
  // "Invalid property value", EClassNotFound "Class %s not found".
  TComponent* ReadRootComponent(TComponent* root);
  // Reads the properties and the nested components of `instance` up to its "end"
  // (TComponent::ReadState).
  void ReadData(TComponent* instance);

  // Where the component being read goes: its owner and its parent.
  TComponent* Owner() const { return owner_; }
  TComponent* Parent() const { return parent_; }

  // Values, for DefineProperty readers. A value of another kind raises EReadError
  // "Invalid property value".
  TValueType NextValue();
  bool EndOfList();
  void ReadListBegin();
  void ReadListEnd();
  int32_t ReadInteger();
  int64_t ReadInt64();
  bool ReadBoolean();
  char ReadChar();
  long double ReadFloat();
  // A string, with the pieces joined by '+' put together.
  std::string ReadString();
  // A name, or a dotted name path ("Form2.Button1").
  std::string ReadIdent();
  // `< item ... end ... >`: the collection is emptied (unless the list is empty) and refilled.
  void ReadCollection(TCollection* collection);

  void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc& writeData,
                            bool hasData) override;

 private:
  struct TFixup {
    TPersistent* instance;
    const TPropInfo* prop;
    std::string name;
  };

  TComponent* ReadComponent();
  void ReadHeader(std::string& name, std::string& className);
  void ReadProperty(TPersistent* instance);
  void ReadPropValue(TPersistent* instance, const TPropInfo* prop);
  uint64_t ReadSetValue(const TPropInfo* prop);
  void FixupReferences();
  bool AtComponentStart() const;
  [[noreturn]] static void PropValueError();
  [[noreturn]] static void PropertyError(const std::string& name);

  std::unique_ptr<TParser> parser_;
  TComponent* owner_ = nullptr;
  TComponent* parent_ = nullptr;
  std::string propName_;  // the defined property that DefineProperties is asked for
  // Levels of components and collections being read; past the deepest nesting a form can
  // have, reading raises EParserError "Form data nested too deeply" before it could use up
  // the stack.
  int nesting_ = 0;
  std::vector<TComponent*> created_;
  std::vector<TComponent*> loaded_;
  std::vector<TFixup> fixups_;
};

class TWriter : public TFiler {
  VCL_CLASS(TWriter, TFiler)
  // Writes form text at the stream's position once a root has been written.
  explicit TWriter(TStream* stream);
  ~TWriter() override;

  void WriteRootComponent(TComponent* root) { WriteDescendent(root, nullptr); }
  // Writes `root` as a descendant of `ancestor` (an object of the same class, or nullptr):
  // only what differs from it, with "inherited" for the components the ancestor also has.
  void WriteDescendent(TComponent* root, TComponent* ancestor);
  // Writes one nested component (the procedure that GetChildren calls).
  void WriteComponent(TComponent* component);
  // Writes the properties and nested components of `instance` and its "end"
  // (TComponent::WriteState).
  void WriteData(TComponent* instance);

  // Values, for DefineProperty writers; inside a list each value takes a line of its own.
  void WriteListBegin();
  void WriteListEnd();
  void WriteInteger(int64_t value);
  void WriteBoolean(bool value);
  void WriteChar(char value);
  void WriteFloat(long double value);
  void WriteString(const std::string& value);
  void WriteIdent(const std::string& ident);
  void WriteCollection(TCollection* collection);

  void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc& writeData,
                            bool hasData) override;

 private:
  void WriteComponentAs(TComponent* component, TComponent* ancestor);
  void WriteProperties(TPersistent* instance);
  void WriteProperty(TPersistent* instance, const TPropInfo* prop);
  void WriteObjectProperty(TPersistent* instance, const TPropInfo* prop);
  void WritePropName(const std::string& name);
  void BeginValue();
  std::string ReferenceName(TComponent* component) const;
  std::string CollectionText(TCollection* collection);

  TStream* stream_;
  TFormTextWriter text_;
  int level_ = 0;      // nesting level of the component whose properties are being written
  int listDepth_ = 0;  // open lists and collections within the current value
  std::string prefix_;  // "Font." while a sub-object's properties are written
  TComponent* rootAncestor_ = nullptr;
  std::vector<TComponent*> ancestorChildren_;  // the ancestor's nested components, to match by name
};

// Reads a component tree from form text in `stream` into `instance` (or a new component of
// the class the text names); see TReader::ReadRootComponent.
TComponent* ReadComponent(TStream* stream, TComponent* instance = nullptr);
// Writes `instance` and its tree as form text.
void WriteComponent(TStream* stream, TComponent* instance);
void WriteDescendent(TStream* stream, TComponent* instance, TComponent* ancestor);

}  // namespace vcl
