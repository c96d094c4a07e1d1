#include "http/WinHttpLib.h"

#include <string>
#include <type_traits>
#include <vector>

namespace {

constexpr int32_t kLoadFailed = 22390;
constexpr int32_t kImportFailed = 22426;

}  // namespace

CWinHttpLib::CWinHttpLib(const char* objectName) : CZelBase(objectName) {}

CWinHttpLib::~CWinHttpLib() {
    platform::ReleaseModule(module_);
}

platform::ModuleHandle CWinHttpLib::LoadAndLog(const char* name, bool sayWhy) {
    platform::ModuleHandle module = platform::LoadModule(name);
    // Taken before logging, which may change the system's last error.
    std::string why = module == nullptr && sayWhy ? platform::LoadFailure() : std::string();
    Log(LOG_VERBATIM | LOG_TO_PROFILE, "LoadLibrary [%s], result: [0x%08lX]", name,
        static_cast<unsigned long>(reinterpret_cast<uintptr_t>(module)));
    if (!why.empty())
        LogSized(LOG_VERBATIM, why.size() + 64, "--> The loader says: [%s]", why.c_str());
    return module;
}

int32_t CWinHttpLib::Load() {
    if (!LibraryName.IsEmpty()) {
        module_ = LoadAndLog(LibraryName.c_str(), true);
    } else {
        // A default that is not there is no failure while another may follow.
        std::vector<std::string> candidates = platform::DefaultTransportCandidates();
        for (size_t i = 0; i < candidates.size() && module_ == nullptr; ++i)
            module_ = LoadAndLog(candidates[i].c_str(), i + 1 == candidates.size());
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
