// The skin engine's notices to the user: the skin-version notices and the engine's version on
// request. Each is a message box of the application that waits for the user.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace skin {

// A skin newer than the engine can show only in part.
extern const char* const NewerSkinNotice;
// At design time, a skin older than version 6.
std::string OldSkinNotice(const std::string& skinName);
// The engine's version, shown for the "/acver" command-line parameter.
extern const char* const EngineVersionNotice;

// Shows the text in the application's message box, or hands it to OnSkinNotice when that is
// set (a caller that shows notices its own way, or a test that reads them).
void ShowSkinNotice(const std::string& text);
extern std::function<void(const std::string& text)> OnSkinNotice;
// Shows the engine's version when one of the parameters, lower-cased, is "/acver"; true when
// it was shown.
bool ShowVersionOnRequest(const std::vector<std::string>& parameters);
// The same for the process's own command line, the first time it is called.
void CheckVersionRequestOnce();

}  // namespace skin
