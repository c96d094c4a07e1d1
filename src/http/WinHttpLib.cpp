#include "http/WinHttpLib.h"

#include <string>

namespace {

constexpr int32_t kLoadFailed = 22390;
constexpr int32_t kImportFailed = 22426;

template <typename Fn>
bool Resolve(platform::ModuleHandle module, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(platform::FindSymbol(module, name));
    return slot != nullptr;
}

}  // namespace

CWinHttpLib::CWinHttpLib(const char* objectName) : CZelBase(objectName) {}

CWinHttpLib::~CWinHttpLib() {
    platform::ReleaseModule(module_);
}

platform::ModuleHandle CWinHttpLib::LoadAndLog(const char* name) {
    platform::ModuleHandle module = platform::LoadModule(name);
    Log(LOG_VERBATIM | LOG_TO_PROFILE, "LoadLibrary [%s], result: [0x%08lX]", name,
        static_cast<unsigned long>(reinterpret_cast<uintptr_t>(module)));
    return module;
}

int32_t CWinHttpLib::Load() {
    if (!LibraryName.IsEmpty()) {
        module_ = LoadAndLog(LibraryName.c_str());
    } else {
        for (const std::string& candidate : platform::DefaultTransportCandidates()) {
            module_ = LoadAndLog(candidate.c_str());
            if (module_ != nullptr)
                break;
        }
    }
    if (module_ == nullptr)
        return kLoadFailed;

    // Resolved in this order; the first missing name ends the load.
    bool complete = Resolve(module_, "WinHttpCloseHandle", WinHttpCloseHandle) &&
                    Resolve(module_, "WinHttpConnect", WinHttpConnect) &&
                    Resolve(module_, "WinHttpOpen", WinHttpOpen) &&
                    Resolve(module_, "WinHttpOpenRequest", WinHttpOpenRequest) &&
                    Resolve(module_, "WinHttpQueryAuthSchemes", WinHttpQueryAuthSchemes) &&
                    Resolve(module_, "WinHttpQueryDataAvailable", WinHttpQueryDataAvailable) &&
                    Resolve(module_, "WinHttpQueryHeaders", WinHttpQueryHeaders) &&
                    Resolve(module_, "WinHttpReadData", WinHttpReadData) &&
                    Resolve(module_, "WinHttpReceiveResponse", WinHttpReceiveResponse) &&
                    Resolve(module_, "WinHttpSendRequest", WinHttpSendRequest) &&
                    Resolve(module_, "WinHttpSetCredentials", WinHttpSetCredentials) &&
                    Resolve(module_, "WinHttpSetOption", WinHttpSetOption) &&
                    Resolve(module_, "WinHttpSetTimeouts", WinHttpSetTimeouts) &&
                    Resolve(module_, "WinHttpWriteData", WinHttpWriteData);
    if (complete)
        Resolve(module_, "WarblerTransportReason", TransportReason);
    return complete ? 0 : kImportFailed;
}

void CWinHttpLib::Unload() {
    if (module_ != nullptr) {
        platform::ReleaseModule(module_);
        module_ = nullptr;
    }
    static_cast<WinHttpTable&>(*this) = WinHttpTable{};
    TransportReason = nullptr;
}
