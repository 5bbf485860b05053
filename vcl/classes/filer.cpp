#include "vcl/classes/filer.h"

#include <algorithm>

#include "vcl/classes/collection.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

namespace {

// Each level of nested components or collections takes room on the stack while it is read.
constexpr int kMaxNesting = 200;

// One level of nesting for a scope.
class NestingLevel {
 public:
  NestingLevel(int& nesting, const TParser& parser) : nesting_(nesting) {
    if (nesting_ >= kMaxNesting) parser.Error("Form data nested too deeply");
    ++nesting_;
  }
  ~NestingLevel() { --nesting_; }
  NestingLevel(const NestingLevel&) = delete;
  NestingLevel& operator=(const NestingLevel&) = delete;

 private:
  int& nesting_;
};

std::string ReadRest(TStream* stream) {
  std::string text;
  char buffer[65536];
  for (;;) {
    int32_t count = stream->Read(buffer, sizeof buffer);
    if (count <= 0) return text;
    text.append(buffer, size_t(count));
  }
}

// A second form of one class under the same owner gets "Name_1", "Name_2", ... rather than
// failing on the duplicate name.
std::string UniqueRootName(TComponent* root, const std::string& name) {
  TComponent* owner = root->Owner();
  std::string unique = name;
  for (int i = 1; owner && !name.empty(); ++i) {
    TComponent* holder = owner->FindComponent(unique);
    if (!holder || holder == root) break;
    unique = Format("%s_%d", name, i);
  }
  return unique;
}

bool Contains(const std::vector<TComponent*>& list, TComponent* component) {
  return std::find(list.begin(), list.end(), component) != list.end();
}

}  // namespace

// ---- TReader: components ---------------------------------------------------------------------

TReader::TReader(TStream* stream) : parser_(std::make_unique<TParser>(ReadRest(stream))) {}

TReader::~TReader() = default;

void TReader::PropValueError() { throw EReadError("Invalid property value"); }

void TReader::PropertyError(const std::string& name) {
  throw EReadError(Format("Property %s does not exist", name));
}

bool TReader::AtComponentStart() const {
  return parser_->TokenSymbolIs("object") || parser_->TokenSymbolIs("inherited") || parser_->TokenSymbolIs("inline");
}

void TReader::ReadHeader(std::string& name, std::string& className) {
  parser_->NextToken();  // past object / inherited / inline
  parser_->CheckToken(toSymbol);
  std::string first = parser_->TokenString();
  if (parser_->NextToken() == ':') {
    parser_->NextToken();
    parser_->CheckToken(toSymbol);
    name = first;
    className = parser_->TokenString();
    parser_->NextToken();
  } else {
    name.clear();
    className = first;
  }
}

TComponent* TReader::ReadRootComponent(TComponent* root) {
  TComponent* result = root;
  try {
    if (!AtComponentStart()) parser_->CheckTokenSymbol("object");
    std::string name, className;
    ReadHeader(name, className);
    if (!result) {
      result = CreateComponent(FindClass(className), nullptr);
      created_.push_back(result);
    }
    root_ = result;
    owner_ = result;
    parent_ = nullptr;
    result->state_.Include(csLoading).Include(csReading);
    result->SetName(UniqueRootName(result, name));
    loaded_.push_back(result);
    result->ReadState(this);
    result->state_.Exclude(csReading);
    FixupReferences();
    std::vector<TComponent*> loaded = loaded_;
    for (TComponent* component : loaded) {
      component->Loaded();
      component->state_.Exclude(csLoading);
    }
  } catch (...) {
    // Nothing half-read stays behind: what this read made goes, the rest loses its marks.
    fixups_.clear();
    for (TComponent* component : loaded_)
      if (!Contains(created_, component)) component->state_.Exclude(csLoading).Exclude(csReading);
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) delete *it;
    created_.clear();
    loaded_.clear();
    throw;
  }
  created_.clear();
  loaded_.clear();
  return result;
}

void TReader::ReadData(TComponent* instance) {
  while (!AtComponentStart() && !parser_->TokenSymbolIs("end")) ReadProperty(instance);
  TComponent* savedOwner = owner_;
  TComponent* savedParent = parent_;
  parent_ = instance->GetChildParent();
  owner_ = instance->GetChildOwner();
  if (!owner_) owner_ = root_;
  while (AtComponentStart()) ReadComponent();
  owner_ = savedOwner;
  parent_ = savedParent;
  parser_->CheckTokenSymbol("end");
  parser_->NextToken();
}

TComponent* TReader::ReadComponent() {
  NestingLevel level(nesting_, *parser_);
  bool isInherited = parser_->TokenSymbolIs("inherited");
  bool isInline = parser_->TokenSymbolIs("inline");
  std::string name, className;
  ReadHeader(name, className);
  TComponent* component;
  if (isInherited) {
    component = owner_->FindComponent(name);
    if (!component) throw EReadError(Format("Ancestor for '%s' not found", name));
  } else {
    component = CreateComponent(FindClass(className), owner_);
    created_.push_back(component);
  }
  component->state_.Include(csLoading).Include(csReading);
  if (isInline) component->state_.Include(csInline);
  if (!isInherited) component->SetName(name);
  if (!Contains(loaded_, component)) loaded_.push_back(component);
  if (parent_) component->SetParentComponent(parent_);
  component->ReadState(this);
  component->state_.Exclude(csReading);
  return component;
}

void TReader::FixupReferences() {
  std::vector<TFixup> fixups = std::move(fixups_);
  fixups_.clear();
  for (const TFixup& fixup : fixups) {
    // Only this tree is known: a name it does not hold is an error in the form data.
    TComponent* target = FindNestedComponent(root_, fixup.name);
    if (!target) throw EReadError(Format("Component %s not found", fixup.name));
    if (!fixup.prop->SetObject(fixup.instance, target)) PropValueError();
  }
}

// ---- TReader: properties ---------------------------------------------------------------------

void TReader::ReadProperty(TPersistent* instance) {
  parser_->CheckToken(toSymbol);
  std::vector<std::string> path{parser_->TokenString()};
  while (parser_->NextToken() == '.') {
    parser_->NextToken();
    parser_->CheckToken(toSymbol);
    path.push_back(parser_->TokenString());
  }
  parser_->CheckToken('=');
  parser_->NextToken();

  TPersistent* object = instance;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    const TPropInfo* prop = GetPropInfo(object, path[i]);
    if (!prop) PropertyError(path[i]);
    object = prop->Kind == tkClass ? dynamic_cast<TPersistent*>(prop->GetObject(object)) : nullptr;
    if (!object) PropertyError(path[i]);
  }
  const std::string& name = path.back();
  if (const TPropInfo* prop = GetPropInfo(object, name)) return ReadPropValue(object, prop);
  propName_ = name;
  object->DefineProperties(this);
  if (!propName_.empty()) {
    propName_.clear();
    PropertyError(name);
  }
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo* prop) {
  if (prop->Kind != tkClass && !prop->Writable()) throw EReadError(Format("Property %s is read-only", prop->Name));
  switch (prop->Kind) {
    case tkInteger: {
      int64_t value = 0;
      if (NextValue() == vaIdent) {
        if (!prop->IdentToInt || !prop->IdentToInt(ReadIdent(), value)) PropValueError();
      } else {
        value = ReadInt64();
      }
      if (value < prop->MinValue || value > prop->MaxValue) PropValueError();
      return prop->SetOrd(instance, value);
    }
    case tkChar:
      return prop->SetOrd(instance, static_cast<unsigned char>(ReadChar()));
    case tkEnumeration: {
      int value = GetEnumValue(prop, ReadIdent());
      if (value < 0) PropValueError();
      return prop->SetOrd(instance, value);
    }
    case tkSet:
      return prop->SetOrd(instance, static_cast<int64_t>(ReadSetValue(prop)));
    case tkFloat:
      return prop->SetFloat(instance, ReadFloat());
    case tkLString:
      return prop->SetStr(instance, ReadString());
    case tkMethod: {
      TMethod method;
      if (NextValue() == vaNil) ReadIdent();
      else method = TMethod{root_, ReadIdent()};
      if (!prop->SetMethod(instance, method)) PropValueError();
      return;
    }
    case tkClass:
      switch (NextValue()) {
        case vaNil:
          ReadIdent();
          if (!prop->SetObject || !prop->SetObject(instance, nullptr)) PropValueError();
          return;
        case vaCollection:
          if (auto* collection = dynamic_cast<TCollection*>(prop->GetObject(instance))) return ReadCollection(collection);
          PropValueError();
        case vaIdent:
          // Components named later in the text exist only once the whole tree is read.
          if (!prop->IsReference || !prop->SetObject) PropValueError();
          fixups_.push_back({instance, prop, ReadIdent()});
          return;
        default:
          PropValueError();
      }
    default:
      PropValueError();
  }
}

uint64_t TReader::ReadSetValue(const TPropInfo* prop) {
  if (NextValue() != vaSet) PropValueError();
  uint64_t bits = 0;
  if (parser_->NextToken() != ']') {
    for (;;) {
      parser_->CheckToken(toSymbol);
      int element = GetEnumValue(prop, parser_->TokenString());
      if (element < 0) PropValueError();
      bits |= uint64_t(1) << element;
      if (parser_->NextToken() == ']') break;
      parser_->CheckToken(',');
      parser_->NextToken();
    }
  }
  parser_->NextToken();
  return bits;
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc&, bool) {
  if (propName_.empty() || !readData || !SameText(name, propName_)) return;
  propName_.clear();
  readData(this);
}

void TReader::DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc&, bool) {
  if (propName_.empty() || !readData || !SameText(name, propName_)) return;
  propName_.clear();
  if (NextValue() != vaBinary) PropValueError();
  std::vector<uint8_t> data = parser_->ReadBinary();
  TMemoryStream stream;
  if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  stream.SetPosition(0);
  readData(&stream);
}

// ---- TReader: values -------------------------------------------------------------------------

TValueType TReader::NextValue() {
  switch (parser_->Token()) {
    case toInteger: return vaInt;
    case toFloat: return vaExtended;
    case toString: return vaString;
    case toSymbol:
      if (parser_->TokenSymbolIs("True")) return vaTrue;
      if (parser_->TokenSymbolIs("False")) return vaFalse;
      if (parser_->TokenSymbolIs("nil")) return vaNil;
      if (parser_->TokenSymbolIs("Null")) return vaNull;
      return vaIdent;
    case '[': return vaSet;
    case '(': return vaList;
    case '{': return vaBinary;
    case '<': return vaCollection;
    case ')':
    case '>': return vaNull;  // the end of a list
    default: parser_->Error("Invalid property value");
  }
}

bool TReader::EndOfList() { return parser_->Token() == ')' || parser_->Token() == '>'; }

void TReader::ReadListBegin() {
  if (parser_->Token() != '(') PropValueError();
  parser_->NextToken();
}

void TReader::ReadListEnd() {
  if (parser_->Token() != ')') PropValueError();
  parser_->NextToken();
}

int32_t TReader::ReadInteger() {
  int64_t value = ReadInt64();
  if (value < INT32_MIN || value > INT32_MAX) PropValueError();
  return static_cast<int32_t>(value);
}

int64_t TReader::ReadInt64() {
  if (NextValue() != vaInt) PropValueError();
  int64_t value = parser_->TokenInt();
  parser_->NextToken();
  return value;
}

bool TReader::ReadBoolean() {
  TValueType type = NextValue();
  if (type != vaTrue && type != vaFalse) PropValueError();
  parser_->NextToken();
  return type == vaTrue;
}

char TReader::ReadChar() {
  std::string value = ReadString();
  if (value.size() != 1) PropValueError();
  return value[0];
}

long double TReader::ReadFloat() {
  TValueType type = NextValue();
  if (type != vaExtended && type != vaInt) PropValueError();
  long double value = parser_->TokenFloat();
  parser_->NextToken();
  return value;
}

std::string TReader::ReadString() {
  if (NextValue() != vaString) PropValueError();
  std::string value = parser_->TokenString();
  while (parser_->NextToken() == '+') {
    parser_->NextToken();
    parser_->CheckToken(toString);
    value += parser_->TokenString();
  }
  return value;
}

std::string TReader::ReadIdent() {
  if (parser_->Token() != toSymbol) PropValueError();
  std::string ident = parser_->TokenString();
  while (parser_->NextToken() == '.') {
    parser_->NextToken();
    parser_->CheckToken(toSymbol);
    ident += '.';
    ident += parser_->TokenString();
  }
  return ident;
}

void TReader::ReadCollection(TCollection* collection) {
  if (NextValue() != vaCollection) PropValueError();
  NestingLevel level(nesting_, *parser_);
  parser_->NextToken();
  TCollectionUpdate update(collection);
  if (!EndOfList()) collection->Clear();
  while (!EndOfList()) {
    parser_->CheckTokenSymbol("item");
    parser_->NextToken();
    TCollectionItem* item = collection->Add();
    while (!parser_->TokenSymbolIs("end")) ReadProperty(item);
    parser_->NextToken();
  }
  parser_->CheckToken('>');
  parser_->NextToken();
}

// ---- TWriter: components ---------------------------------------------------------------------

TWriter::TWriter(TStream* stream) : stream_(stream) {}

TWriter::~TWriter() = default;

void TWriter::WriteDescendent(TComponent* root, TComponent* ancestor) {
  root_ = root;
  rootAncestor_ = ancestor;
  ancestorChildren_.clear();
  level_ = 0;
  listDepth_ = 0;
  prefix_.clear();
  text_ = TFormTextWriter();
  WriteComponentAs(root, ancestor);
  text_.Write("\r\n");
  const std::string& text = text_.Text();
  stream_->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  text_ = TFormTextWriter();
}

void TWriter::WriteComponent(TComponent* component) {
  TComponent* ancestor = nullptr;
  for (TComponent* candidate : ancestorChildren_)
    if (SameText(candidate->Name(), component->Name())) ancestor = candidate;
  WriteComponentAs(component, ancestor);
}

void TWriter::WriteComponentAs(TComponent* component, TComponent* ancestor) {
  text_.NewLine(level_);
  text_.Write(ancestor ? "inherited " : component->ComponentState().Contains(csInline) ? "inline " : "object ");
  if (!component->Name().empty()) text_.Write(component->Name() + ": ");
  text_.Write(component->ClassName());

  TPersistent* savedAncestor = ancestor_;
  ancestor_ = ancestor;
  component->state_.Include(csWriting);
  try {
    component->WriteState(this);
  } catch (...) {
    component->state_.Exclude(csWriting);
    ancestor_ = savedAncestor;
    throw;
  }
  component->state_.Exclude(csWriting);
  ancestor_ = savedAncestor;
}

void TWriter::WriteData(TComponent* instance) {
  ++level_;
  WriteProperties(instance);

  std::vector<TComponent*> ancestorChildren;
  if (auto* ancestor = dynamic_cast<TComponent*>(ancestor_))
    ancestor->GetChildren([&](TComponent* child) { ancestorChildren.push_back(child); }, rootAncestor_);
  std::swap(ancestorChildren, ancestorChildren_);
  instance->GetChildren([this](TComponent* child) { WriteComponent(child); }, root_);
  std::swap(ancestorChildren, ancestorChildren_);

  --level_;
  text_.NewLine(level_);
  text_.Write("end");
}

// ---- TWriter: properties ---------------------------------------------------------------------

void TWriter::WriteProperties(TPersistent* instance) {
  for (const TPropInfo* prop : GetPropList(instance))
    if (IsStoredProp(instance, prop)) WriteProperty(instance, prop);
  instance->DefineProperties(this);
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo* prop) {
  if (prop->Kind != tkClass && !prop->Writable()) return;
  // The ancestor speaks for a property only when it is of the class that declares it.
  TObject* ancestor = ancestor_ && ancestor_->InheritsFrom(prop->DeclaringClass) ? ancestor_ : nullptr;
  switch (prop->Kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkSet: {
      int64_t value = prop->GetOrd(instance);
      if (ancestor ? value == prop->GetOrd(ancestor) : prop->Default == value) return;
      WritePropName(prop->Name);
      std::string ident;
      if (prop->Kind == tkInteger) {
        if (prop->IntToIdent && prop->IntToIdent(value, ident)) WriteIdent(ident);
        else WriteInteger(value);
      } else if (prop->Kind == tkChar) {
        WriteChar(static_cast<char>(value));
      } else if (prop->Kind == tkEnumeration) {
        if (value < 0 || value >= static_cast<int64_t>(prop->EnumNames.size())) throw EWriteError("Invalid property value");
        if (prop->IsBoolean) WriteBoolean(value != 0);
        else WriteIdent(prop->EnumNames[size_t(value)]);
      } else {
        BeginValue();
        std::string text;
        for (size_t i = 0; i < prop->EnumNames.size() && i < 64; ++i)
          if (static_cast<uint64_t>(value) & (uint64_t(1) << i)) text += (text.empty() ? "" : ", ") + prop->EnumNames[i];
        text_.Write("[" + text + "]");
      }
      return;
    }
    case tkFloat: {
      long double value = prop->GetFloat(instance);
      if (value == (ancestor ? prop->GetFloat(ancestor) : 0)) return;
      WritePropName(prop->Name);
      return WriteFloat(value);
    }
    case tkLString: {
      std::string value = prop->GetStr(instance);
      if (value == (ancestor ? prop->GetStr(ancestor) : std::string())) return;
      WritePropName(prop->Name);
      return WriteString(value);
    }
    case tkMethod: {
      TMethod method = prop->GetMethod(instance);
      TMethod inherited = ancestor ? prop->GetMethod(ancestor) : TMethod{};
      if (SameText(method.Name, inherited.Name)) return;
      if (!method.Assigned()) {
        WritePropName(prop->Name);
        return WriteIdent("nil");
      }
      // Only the root's methods can be named in its form data.
      if (method.Data != root_) return;
      WritePropName(prop->Name);
      return WriteIdent(method.Name);
    }
    case tkClass:
      return WriteObjectProperty(instance, prop);
    default:
      return;
  }
}

void TWriter::WriteObjectProperty(TPersistent* instance, const TPropInfo* prop) {
  TObject* ancestor = ancestor_ && ancestor_->InheritsFrom(prop->DeclaringClass) ? ancestor_ : nullptr;
  TObject* value = prop->GetObject(instance);
  TObject* ancestorValue = ancestor ? prop->GetObject(ancestor) : nullptr;

  if (prop->IsReference) {
    auto* component = dynamic_cast<TComponent*>(value);
    auto* inherited = dynamic_cast<TComponent*>(ancestorValue);
    std::string name = component ? ReferenceName(component) : std::string();
    if (ancestor ? name == (inherited ? inherited->Name() : std::string()) : !component) return;
    WritePropName(prop->Name);
    return WriteIdent(component ? name : "nil");
  }
  if (auto* collection = dynamic_cast<TCollection*>(value)) {
    auto* inherited = dynamic_cast<TCollection*>(ancestorValue);
    if (inherited && CollectionText(collection) == CollectionText(inherited)) return;
    WritePropName(prop->Name);
    return WriteCollection(collection);
  }
  if (auto* object = dynamic_cast<TPersistent*>(value)) {
    std::string savedPrefix = prefix_;
    TPersistent* savedAncestor = ancestor_;
    prefix_ += prop->Name + ".";
    ancestor_ = dynamic_cast<TPersistent*>(ancestorValue);
    WriteProperties(object);
    prefix_ = savedPrefix;
    ancestor_ = savedAncestor;
  }
}

std::string TWriter::ReferenceName(TComponent* component) const {
  if (component == root_ || component->Owner() == root_) return component->Name();
  TComponent* owner = component->Owner();
  if (owner && !owner->Name().empty() && !component->Name().empty()) return owner->Name() + "." + component->Name();
  return component->Name();
}

std::string TWriter::CollectionText(TCollection* collection) {
  TFormTextWriter saved = std::move(text_);
  int savedLevel = level_, savedDepth = listDepth_;
  text_ = TFormTextWriter();
  level_ = 0;
  listDepth_ = 0;
  WriteCollection(collection);
  std::string text = text_.Text();
  text_ = std::move(saved);
  level_ = savedLevel;
  listDepth_ = savedDepth;
  return text;
}

void TWriter::WritePropName(const std::string& name) {
  text_.NewLine(level_);
  text_.Write(prefix_);
  text_.Write(name);
  text_.Write(" = ");
}

void TWriter::DefineProperty(const std::string& name, const TReaderProc&, const TWriterProc& writeData, bool hasData) {
  if (!hasData || !writeData) return;
  WritePropName(name);
  writeData(this);
}

void TWriter::DefineBinaryProperty(const std::string& name, const TStreamProc&, const TStreamProc& writeData,
                                   bool hasData) {
  if (!hasData || !writeData) return;
  TMemoryStream stream;
  writeData(&stream);
  WritePropName(name);
  text_.WriteBinary(static_cast<const uint8_t*>(stream.Memory()), static_cast<size_t>(stream.Size()), level_);
}

// ---- TWriter: values -------------------------------------------------------------------------

void TWriter::BeginValue() {
  if (listDepth_ > 0) text_.NewLine(level_ + listDepth_);
}

void TWriter::WriteListBegin() {
  BeginValue();
  text_.Write("(");
  ++listDepth_;
}

void TWriter::WriteListEnd() {
  --listDepth_;
  text_.Write(")");
}

void TWriter::WriteInteger(int64_t value) {
  BeginValue();
  text_.Write(IntToStr(value));
}

void TWriter::WriteBoolean(bool value) {
  BeginValue();
  text_.Write(value ? "True" : "False");
}

void TWriter::WriteChar(char value) { WriteString(std::string(1, value)); }

void TWriter::WriteFloat(long double value) {
  BeginValue();
  text_.Write(TFormTextWriter::FloatToText(value));
}

void TWriter::WriteString(const std::string& value) {
  BeginValue();
  text_.WriteString(value, level_ + listDepth_);
}

void TWriter::WriteIdent(const std::string& ident) {
  BeginValue();
  text_.Write(ident);
}

void TWriter::WriteCollection(TCollection* collection) {
  BeginValue();
  text_.Write("<");
  std::string savedPrefix = prefix_;
  TPersistent* savedAncestor = ancestor_;
  int savedLevel = level_, savedDepth = listDepth_;
  int itemLevel = level_ + listDepth_ + 1;
  prefix_.clear();
  ancestor_ = nullptr;
  for (int i = 0; i < collection->Count(); ++i) {
    text_.NewLine(itemLevel);
    text_.Write("item");
    level_ = itemLevel + 1;
    listDepth_ = 0;
    WriteProperties(collection->Items(i));
    text_.NewLine(itemLevel);
    text_.Write("end");
  }
  prefix_ = savedPrefix;
  ancestor_ = savedAncestor;
  level_ = savedLevel;
  listDepth_ = savedDepth;
  text_.Write(">");
}

// ---- Streams ---------------------------------------------------------------------------------

TComponent* ReadComponent(TStream* stream, TComponent* instance) {
  TReader reader(stream);
  return reader.ReadRootComponent(instance);
}

void WriteComponent(TStream* stream, TComponent* instance) {
  TWriter writer(stream);
  writer.WriteRootComponent(instance);
}

void WriteDescendent(TStream* stream, TComponent* instance, TComponent* ancestor) {
  TWriter writer(stream);
  writer.WriteDescendent(instance, ancestor);
}

}  // namespace vcl
