// The library's entry point and the registration entry points of the Windows DLL.
#include <cwchar>

#include "automation/Automation.h"
#include "server/Module.h"
#include "server/Registrar.h"

namespace {

// Set by DllInstall with the command line "user"; it stays for the life of the module.
bool g_perUser = false;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH)
        CWarblerModule::Term();
    return TRUE;
}

HRESULT STDMETHODCALLTYPE DllRegisterServer() {
    return CRegistrar(g_perUser).Register();
}

HRESULT STDMETHODCALLTYPE DllUnregisterServer() {
    return CRegistrar(g_perUser).Unregister();
}

HRESULT STDMETHODCALLTYPE DllInstall(BOOL install, LPCWSTR commandLine) {
    if (commandLine != nullptr && wcscmp(commandLine, L"user") == 0)
        g_perUser = true;
    if (!install)
        return DllUnregisterServer();
    HRESULT hr = DllRegisterServer();
    if (FAILED(hr))
        DllUnregisterServer();  // removes what a partial registration left
    return hr;
}

}  // extern "C"
