#include "native/Interruption.h"

#include <dlfcn.h>
#include <signal.h>

#include <string>

namespace {

using InterruptFunction = void (*)(int);
InterruptFunction gInterrupt = nullptr;
struct sigaction gPython {};

void OnInterrupt(int number, siginfo_t* info, void* context) {
    gInterrupt(1);
    if ((gPython.sa_flags & SA_SIGINFO) != 0)
        gPython.sa_sigaction(number, info, context);
    else
        gPython.sa_handler(number);
}

}  // namespace

namespace interruption {

void Install(const char* libraryPath) {
    if (gInterrupt != nullptr)
        return;
    std::string module = libraryPath;
    size_t slash = module.rfind('/');
    module = (slash == std::string::npos ? std::string() : module.substr(0, slash + 1)) +
             "libwarbler_winhttp.so";
    // The same file that the library loads later: the loader hands both the one copy.
    void* transport = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (transport == nullptr)
        return;
    auto interrupt =
        reinterpret_cast<InterruptFunction>(dlsym(transport, "WarblerTransportInterrupt"));
    struct sigaction current {};
    if (interrupt == nullptr || sigaction(SIGINT, nullptr, &current) != 0)
        return;
    bool isFunction = (current.sa_flags & SA_SIGINFO) != 0
                          ? current.sa_sigaction != nullptr
                          : current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN;
    if (!isFunction)
        return;
    gPython = current;
    gInterrupt = interrupt;
    struct sigaction ours = current;
    ours.sa_flags |= SA_SIGINFO;
    ours.sa_sigaction = &OnInterrupt;
    sigaction(SIGINT, &ours, nullptr);
}

void Arm() {
    if (gInterrupt != nullptr)
        gInterrupt(0);
}

}  // namespace interruption
