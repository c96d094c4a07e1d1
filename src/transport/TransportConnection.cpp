#include "transport/TransportConnection.h"

TransportConnection::~TransportConnection() {
    if (multi && easy && active != nullptr)
        curl_multi_remove_handle(multi.get(), easy.get());
}
