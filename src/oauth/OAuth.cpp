#include "oauth/OAuth.h"

COAuth::COAuth() : CZelBase("COAuth") {}

COAuth::~COAuth() {
    if (Http.IsInitialized()) Http.Shutdown();
}

void COAuth::SetLogFile(const char* path) {
    CZelBase::SetLogFile(path);
    Http.SetLogFile(path);
}
