// A small skin written by the tests: Options.dat with inheritance, every mask form and both
// kinds of JPEG texture, and its images, as a folder, a packed file or stored form data.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_packer.h"

namespace skin_test {

extern const char* const TestOptions;

// The skin's files (Options.dat first) with their bytes.
std::vector<skin::TacPackEntry> TestSkinEntries(const std::string& options = TestOptions);
// Writes the files into `folder` (made when missing).
void WriteSkinFolder(const std::string& folder, const std::vector<skin::TacPackEntry>& entries);
// The packed container of the entries.
std::string PackEntries(const std::vector<skin::TacPackEntry>& entries);
// Form data of a manager that stores `packed` as the skin `name` and loads it.
std::string StoredSkinFormText(const std::string& name, const std::string& packed,
                               const std::string& skinDirectory = "c:\\NoSkinsHere");
// A manager of no owner, freed by the caller (the first one made is the default manager).
std::unique_ptr<skin::TsSkinManager> NewManager();
// Everything the model holds, as text: two managers that loaded the same skin describe it the same.
std::string DescribeModel(const skin::TsSkinManager& manager);

}  // namespace skin_test
