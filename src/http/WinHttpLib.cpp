#include "http/WinHttpLib.h"

#include <string>
#include <type_traits>

namespace {

constexpr int32_t kLoadFailed = 22390;
constexpr int32_t kImportFailed = 22426;

}  // namespace

CWinHttpLib::CWinHttpLib(const char* objectName) : CZelBase(objectName) {}

CWinHttpLib::~CWinHttpLib() {
    platform::ReleaseModule(module_);
}

platform::ModuleHandle CWinHttpLib::LoadAndLog(const char* name) {
    platform::ModuleHandle module = platform::LoadModule(name);
    Log(LOG_VERBATIM | LOG_TO_PROFILE, "LoadLibrary [%s], result: [0x%08lX]", name,
        static_cast<unsigned long>(reinterpret_cast<uintptr_t>(module)));
    if (module == nullptr) {
        std::string why = platform::LoadFailure();
        LogSized(LOG_VERBATIM, why.size() + 64, "--> The loader says: [%s]", why.c_str());
    }
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

    // Resolved in this order; the first missing name ends the load, and is said.
    auto resolve = [this](const char* name, auto& slot, bool required = true) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(
            platform::FindSymbol(module_, name));
        if (slot == nullptr && required)
            Log(LOG_VERBATIM, "--> The module has no function [%s]", name);
        return slot != nullptr;
    };
    bool complete = resolve("WinHttpCloseHandle", WinHttpCloseHandle) &&
                    resolve("WinHttpConnect", WinHttpConnect) &&
                    resolve("WinHttpOpen", WinHttpOpen) &&
                    resolve("WinHttpOpenRequest", WinHttpOpenRequest) &&
                    resolve("WinHttpQueryAuthSchemes", WinHttpQueryAuthSchemes) &&
                    resolve("WinHttpQueryDataAvailable", WinHttpQueryDataAvailable) &&
                    resolve("WinHttpQueryHeaders", WinHttpQueryHeaders) &&
                    resolve("WinHttpReadData", WinHttpReadData) &&
                    resolve("WinHttpReceiveResponse", WinHttpReceiveResponse) &&
                    resolve("WinHttpSendRequest", WinHttpSendRequest) &&
                    resolve("WinHttpSetCredentials", WinHttpSetCredentials) &&
                    resolve("WinHttpSetOption", WinHttpSetOption) &&
                    resolve("WinHttpSetTimeouts", WinHttpSetTimeouts) &&
                    resolve("WinHttpWriteData", WinHttpWriteData);
    if (complete)
        resolve("WarblerTransportReason", TransportReason, false);  // the Linux module's own
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
