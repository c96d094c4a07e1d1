#include "http/WinHttpLib.h"

CWinHttpLib::CWinHttpLib(const char* objectName) : CZelBase(objectName) {}

CWinHttpLib::~CWinHttpLib() { platform::FreeModule(module_); }

void CWinHttpLib::Unload() {
    if (module_ != nullptr) {
        platform::FreeModule(module_);
        module_ = nullptr;
    }
    WinHttpOpen = nullptr;
    WinHttpSetOption = nullptr;
    WinHttpConnect = nullptr;
    WinHttpCloseHandle = nullptr;
    WinHttpQueryAuthSchemes = nullptr;
    WinHttpQueryHeaders = nullptr;
    WinHttpReceiveResponse = nullptr;
    WinHttpSendRequest = nullptr;
    WinHttpSetCredentials = nullptr;
    WinHttpSetTimeouts = nullptr;
    WinHttpOpenRequest = nullptr;
    WinHttpReadData = nullptr;
    WinHttpWriteData = nullptr;
    WinHttpQueryDataAvailable = nullptr;
}
