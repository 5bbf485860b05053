// TIEIPTCInfoList: the IPTC datasets of an image (record number, dataset number, data), read
// from and written to the IPTC block: bare records, or records wrapped in a "Photoshop 3.0"
// image-resource block (resource 0x0404), as JPEG APP13 markers, TIFF and PSD files carry them.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/runtime/system.h"

namespace imaging {

struct TIEIPTCItem {
  int32_t RecordNumber = 0;
  int32_t DataSet = 0;
  std::vector<uint8_t> Data;
};

class TIEIPTCInfoList : public vcl::TObject {
  VCL_CLASS(TIEIPTCInfoList, vcl::TObject)
  TIEIPTCInfoList() = default;

  int32_t GetCount() const { return static_cast<int32_t>(items_.size()); }
  // Index errors raise EListError "List index out of bounds (i)".
  int32_t GetRecordNumber(int32_t index) const { return Items(index).RecordNumber; }
  int32_t GetDataSet(int32_t index) const { return Items(index).DataSet; }
  const TIEIPTCItem& Items(int32_t index) const;

  // Appends a copy of `length` bytes as a dataset; returns its index.
  int32_t AddItem(int32_t record, int32_t dataSet, int32_t length, const void* data);
  void Clear();
  // Clear, then the source's datasets in order (nil does nothing).
  void Assign(const TIEIPTCInfoList* source);

  // The IPTC block of the datasets (empty when there are none). The record-version dataset
  // 2:0 of the list and empty datasets are left out; the bare form starts with its own 2:0
  // (version 2). Data of 0x8000 bytes or more is written in the extended form. The block is
  // padded to an even length.
  std::vector<uint8_t> SaveToBuffer(bool photoshop) const;
  // Reads the datasets of a block (either form); true when at least one was read. Reading
  // stops quietly at the first damaged or cut record, keeping the datasets before it.
  bool LoadFromBuffer(const uint8_t* buffer, int32_t length);

  // Set by every change through the list, cleared by LoadFromBuffer: tells a writer whether
  // the datasets were edited since they were read.
  bool UserChanged = false;

 private:
  std::vector<TIEIPTCItem> items_;
};

}  // namespace imaging
