// The headers nearly every test unit includes. GoogleTest's alone costs a unit more than most
// tests' own code, so the build compiles these once and every test program reuses the result;
// a unit still includes what it uses itself.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/runtime/win.h"
