// Binds the HTTP client to a WinHTTP library loaded at run time.
#pragma once

#include "common/ZelBase.h"
#include "platform/DynamicLibrary.h"
#include "platform/WinHttpTypes.h"

class CWinHttpLib : public CZelBase {
  public:
    explicit CWinHttpLib(const char* objectName);
    ~CWinHttpLib() override;

    // 0, 22390 when no library loads, 22426 when one of the fourteen operations is missing.
    int32_t Load();
    void Unload();
    bool IsLoaded() const { return module_ != nullptr; }

    CZelString LibraryName;

    PFN_WinHttpOpen WinHttpOpen = nullptr;
    PFN_WinHttpSetOption WinHttpSetOption = nullptr;
    PFN_WinHttpConnect WinHttpConnect = nullptr;
    PFN_WinHttpCloseHandle WinHttpCloseHandle = nullptr;
    PFN_WinHttpQueryAuthSchemes WinHttpQueryAuthSchemes = nullptr;
    PFN_WinHttpQueryHeaders WinHttpQueryHeaders = nullptr;
    PFN_WinHttpReceiveResponse WinHttpReceiveResponse = nullptr;
    PFN_WinHttpSendRequest WinHttpSendRequest = nullptr;
    PFN_WinHttpSetCredentials WinHttpSetCredentials = nullptr;
    PFN_WinHttpSetTimeouts WinHttpSetTimeouts = nullptr;
    PFN_WinHttpOpenRequest WinHttpOpenRequest = nullptr;
    PFN_WinHttpReadData WinHttpReadData = nullptr;
    PFN_WinHttpWriteData WinHttpWriteData = nullptr;
    PFN_WinHttpQueryDataAvailable WinHttpQueryDataAvailable = nullptr;

  private:
    platform::ModuleHandle LoadAndLog(const char* name);

    platform::ModuleHandle module_ = nullptr;
};
