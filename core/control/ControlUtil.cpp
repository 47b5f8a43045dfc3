#include "control/ControlUtil.h"

#include <arpa/inet.h>

#include "tessel/TS_Socket.h"

bool LocalEndpoint(CSocketTCP* socket, uint32_t& addr, uint32_t& port) {
    addr = 0;
    port = 0;
    char host[INET6_ADDRSTRLEN + SOCK_HOST_TEXT_SIZE] = {};
    int localPort = 0;
    if (socket == nullptr || !socket->GetSrcInfo(host, &localPort)) return false;
    in_addr v4{};
    if (inet_pton(AF_INET, host, &v4) == 1) addr = v4.s_addr;
    port = uint32_t(localPort);
    return true;
}
