// The parameter blocks every I/O object carries for acquisition and printing. Nothing in this
// library acquires or prints: the blocks hold their settings with their defaults for the
// routines that will.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/ie_list.h"
#include "vcl/classes/component.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace imaging {

// The settings of a scanner acquisition. The flags and values keep the order and defaults of
// the acquisition protocol's parameter record; their meanings belong to the acquisition code.
class TIETWainParams : public vcl::TObject {
  VCL_CLASS(TIETWainParams, vcl::TObject)
  // `owner` is the I/O object the block belongs to (not owned).
  explicit TIETWainParams(vcl::TComponent* owner);
  // Ends a scanner connection still open (see Connection), then frees what the block owns.
  ~TIETWainParams() override;

  // Every setting to its default: the Items blocks freed, the capability lists and Data
  // emptied.
  void SetDefaults();

  vcl::TComponent* Owner() const { return owner_; }
  // Whether the owner acquires several images at a time (a multi-image I/O object).
  bool MultipleOwner() const;

  uint8_t LeadFlags[2] = {1, 0};
  // Memory blocks handed over by a source.
  std::vector<std::vector<uint8_t>> Items;
  int32_t Counter = 0;
  uint8_t Flags2[2] = {0, 0};
  TIEDoubleList DoubleCaps1[4];
  TIEIntegerList IntegerCaps1[2];
  double Gamma = 2.2;
  double Values1[2] = {0, 0};
  bool MultiFlagA = false;
  TIEIntegerList IntegerCaps2;
  uint8_t Flag3 = 1;
  uint8_t Block[16] = {};
  uint8_t Flags4[3] = {1, 1, 0};
  bool MultiFlagB = false;
  uint8_t Flag5 = 0;
  TIEDoubleList DoubleCaps2[4];
  uint8_t Flag6 = 0;
  TIEIntegerList IntegerCaps3;
  bool MultiFlagC = false;
  uint8_t Flags7[4] = {0, 0, 0, 0};
  int32_t Value2 = -2;
  uint8_t Flag8 = 0;
  double Values3[2] = {-1.0, -1.0};
  std::string Texts[4];
  uint8_t Flag9 = 0;
  int16_t Values4[2] = {-1, 1};
  vcl::TMemoryStream Data;
  // Source-manager and data-source state of an open scanner connection; zero when none.
  struct TConnection {
    uint32_t SourceManager = 0;
    uint32_t DataSource = 0;
    uint32_t State = 0;
  } Connection;
  int32_t Value5 = 0;
  std::string Text5;
  // The scanner connection's source manager (module and entry point) and proxy window; the
  // acquisition library's teardown releases them when the block goes.
  struct TTwainShared {
    HMODULE SourceManager = nullptr;
    FARPROC Entry = nullptr;
    HWND ProxyWindow = nullptr;
  } Shared;

 private:
  vcl::TComponent* owner_;
};

// Ends the scanner connection of a block that goes; installed by the acquisition library.
extern std::function<void(TIETWainParams& params)> IETwainTeardown;

// The layout of a printed image. Margins and sizes in inches.
class TIOPrintPreviewParams : public vcl::TObject {
  VCL_CLASS(TIOPrintPreviewParams, vcl::TObject)
  TIOPrintPreviewParams() = default;

  double MarginLeft = 1.0;
  double MarginTop = 1.0;
  double MarginRight = 1.0;
  double MarginBottom = 1.0;
  int32_t Position = 4;
  // 0 "Normal", 1 "Fit to page", 2 "Stretch to page", 3 "Specified size".
  int32_t Size = 1;
  // -1: not specified.
  double Width = -1.0;
  double Height = -1.0;
  double Gamma = 1.0;
};

}  // namespace imaging
