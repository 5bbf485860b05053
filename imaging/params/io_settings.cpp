#include "imaging/params/io_settings.h"

namespace imaging {

int32_t IEDefaultDpiX = 300;
int32_t IEDefaultDpiY = 300;

bool IEUseFileExists = false;
std::string IETwainLogFile;
std::string IEDebugLogFile;
bool IEEnableCMS = false;
bool IEUseCMYKProfile = true;
bool IEBufferedReadKeepOrigin = false;
int32_t IEMetafileMaxSize = 8000;

}  // namespace imaging
