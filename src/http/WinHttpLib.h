// Binds the HTTP client to a WinHTTP library loaded at run time.
#pragma once

#include "common/ZelBase.h"
#include "platform/DynamicLibrary.h"
#include "platform/WinHttpTypes.h"

class CWinHttpLib : public CZelBase, public WinHttpTable {
  public:
    explicit CWinHttpLib(const char* objectName);
    ~CWinHttpLib() override;

    // 0, 22390 when no library loads, 22426 when one of the fourteen operations is missing.
    int32_t Load();
    void Unload();
    bool IsLoaded() const { return module_ != nullptr; }

    CZelString LibraryName;
    // Where the loaded library has it (this system's Linux transport does, WinHTTP does not): the
    // words of the thread's last failure, which WinHTTP has only as a number.
    const char* (*TransportReason)() = nullptr;

  private:
    // Loads and logs; sayWhy adds the loader's words when the load fails.
    platform::ModuleHandle LoadAndLog(const char* name, bool sayWhy);

    platform::ModuleHandle module_ = nullptr;
};
