#include <gtest/gtest.h>

#include <string>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/persistent.h"

using namespace vcl;

namespace {

// Knows how to copy itself into a TSink (but not the other way round).
class TSource : public TPersistent {
  VCL_CLASS(TSource, TPersistent)
  int value = 7;

 protected:
  void AssignTo(TPersistent* dest) override;
};

// Copies from other TSinks itself; anything else falls back to the source's AssignTo.
class TSink : public TPersistent {
  VCL_CLASS(TSink, TPersistent)
  int value = 0;
  void Assign(TPersistent* source) override {
    if (auto* sink = dynamic_cast<TSink*>(source)) {
      value = sink->value;
      return;
    }
    TPersistent::Assign(source);
  }
  // AssignTo is protected; a test reaches it through here.
  void CallAssignTo(TPersistent* dest) { AssignTo(dest); }
};

void TSource::AssignTo(TPersistent* dest) {
  if (auto* sink = dynamic_cast<TSink*>(dest)) {
    sink->value = value;
    return;
  }
  TPersistent::AssignTo(dest);
}

std::string AssignMessage(TPersistent* dest, TPersistent* source) {
  try {
    dest->Assign(source);
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "(no error)";
}

}  // namespace

TEST(TPersistentTest, AssignUsesTheDestinationOrTheSource) {
  TSink sink, other;
  other.value = 3;
  sink.Assign(&other);  // the destination knows the source
  EXPECT_EQ(sink.value, 3);
  TSource source;
  sink.Assign(&source);  // only the source knows the destination
  EXPECT_EQ(sink.value, 7);
}

TEST(TPersistentTest, AssignErrorsNameBothClasses) {
  TSink sink;
  TSource source;
  TPersistent plain;
  EXPECT_EQ(AssignMessage(&source, &sink), "Cannot assign a TSink to a TSource");
  EXPECT_EQ(AssignMessage(&plain, &plain), "Cannot assign a TPersistent to a TPersistent");
  EXPECT_EQ(AssignMessage(&sink, nullptr), "Cannot assign a nil to a TSink");
}

TEST(TPersistentTest, AssignToANullDestinationRaisesInsteadOfCrashing) {
  TSink sink;
  try {
    sink.CallAssignTo(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TSink to a nil");
  }
}

TEST(TPersistentTest, NamePathIsTheClassNameAndThereIsNoOwner) {
  TSink sink;
  EXPECT_EQ(sink.GetNamePath(), "TSink");
  EXPECT_EQ(sink.GetOwner(), nullptr);
}
