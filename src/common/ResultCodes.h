// The client codes' public codes, and the codes' English descriptions.
#pragma once

#include <cstdint>

#include "automation/ResultCodes.h"

// Turns a client result code into the public code that LastError holds.
int32_t MapResultCode(int32_t clientCode);

// The English description of a public code or an HTTP client code; "Generic Error" otherwise.
const char* DescribeResultCode(int32_t code);
