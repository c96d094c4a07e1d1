// The one exception boundary of the objects' members: nothing thrown inside a member reaches the
// script host, oleaut32 or the Python interpreter. A failed member answers E_OUTOFMEMORY for memory
// it could not get and E_UNEXPECTED for anything else; an object that keeps a result code and a log
// hears of it first, through its Failed(member, hr).
#pragma once

#include <cstring>
#include <new>

#include "automation/Automation.h"

namespace automation {

template <class Object, class Body>
HRESULT Guard(Object& object, const char* member, Body&& body) noexcept {
    HRESULT failure = E_UNEXPECTED;
    try {
#if defined(WARBLER_FAULT_INJECTION)
        // The tests' twin of the DLL: the member the environment names throws, as memory that
        // runs out would (read from the process's block, which the host may set after loading).
        char failing[64] = {};
        if (GetEnvironmentVariableA("WARBLER_FAIL_MEMBER", failing, sizeof failing) > 0 &&
            std::strcmp(failing, member) == 0)
            throw std::bad_alloc();
#endif
        return body();
    } catch (const std::bad_alloc&) {
        failure = E_OUTOFMEMORY;
    } catch (...) {
    }
    if constexpr (requires { object.Failed(member, failure); }) {
        try {
            object.Failed(member, failure);
        } catch (...) {  // the log line could not be had either: the code alone must do
        }
    }
    return failure;
}

}  // namespace automation
