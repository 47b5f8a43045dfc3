// Connection methods of every core connection: a fixed rotation of direct,
// tunnelled (port 443 with a 36-byte greeting) and proxied (HTTP CONNECT, then
// the greeting) connections. The method that worked is tried first next time.
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "network/CommonProc.h"
#include "control/ControlUtil.h"
#include "control/ControlWaits.h"
#include "control/QuorixControl.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

int CQuorixControl::Connect(const char* host, uint32_t port, const char* label, const char* userAgent,
                            CSocketTCP* socket, const HTTPACCESS_PROXY_CONFIG* proxy,
                            HTTPACCESS_CONNECTION_INFO* info) {
    int method = m_nConnectType;
    int result = -1;
    for (int step = 0; step < 4; ++step) {
        bool tried = true;
        switch (method) {
            case CONNECT_TUNNEL:
            case CONNECT_TUNNEL2:
                result = ConnectByTunneling(host, port, label, userAgent, socket, proxy, info);
                break;
            case CONNECT_PROXY:
                result = ConnectByProxy(host, port, label, userAgent, socket, proxy, info);
                break;
            case CONNECT_DIRECT:
                result = ConnectByDirectly(host, port, label, socket);
                break;
            default:
                tried = false;  // method 4: nothing to try, the previous result stands
                break;
        }
        if (tried && result == 0) {
            m_nConnectType = method;
            return 0;
        }
        method = (method + 1) % 5;
    }
    return result;
}

void CQuorixControl::LogConnectFailure(const char* host, uint32_t port, const char* label, int code,
                                       CSocketTCP* socket) {
    CLLog::writeFormat(kLogErr, "Failed to connect to [%s:%d](%s). (Code:%d No:%d, Msg:\"%s\")", host,
                       int(port), label, code, socket->GetErrorNo(), socket->GetErrorMsg());
}

int CQuorixControl::ConnectByDirectly(const char* host, uint32_t port, const char* label,
                                      CSocketTCP* socket) {
    if (socket == nullptr) return -1;
    CLLog::writeFormat(kLogInf, "Trying connect to [%s:%d](%s).", host, int(port), label);
    const int rc = socket->Connect(host, int(port), GetControlWaits().directConnectMs);
    if (rc != 0) {
        LogConnectFailure(host, port, label, rc, socket);
        return -2;
    }
    CLLog::writeFormat(kLogInf, "Successfully connected to the server(%s).", label);
    return 0;
}

int CQuorixControl::ConnectByTunneling(const char* host, uint32_t /*port*/, const char* label,
                                       const char* /*userAgent*/, CSocketTCP* socket,
                                       const HTTPACCESS_PROXY_CONFIG* /*proxy*/,
                                       HTTPACCESS_CONNECTION_INFO* /*info*/) {
    if (socket == nullptr) return -1;
    CLLog::writeFormat(kLogInf, "Trying connect to [%s:%d](%s).", host, int(TUNNEL_PORT), label);
    const int rc = socket->Connect(host, TUNNEL_PORT, GetControlWaits().tunnelConnectMs);
    if (rc != 0) {
        m_nConnectionError = socket->GetErrorNo();
        LogConnectFailure(host, TUNNEL_PORT, label, rc, socket);
        return rc;
    }
    if (SendChopProtocol(socket, label, 0) != 0) {
        socket->Close();
        return -7;
    }
    CLLog::writeFormat(kLogInf, "Successfully connected to the server(%s).", label);
    return 0;
}

int CQuorixControl::ConnectByProxy(const char* host, uint32_t port, const char* label, const char* userAgent,
                                   CSocketTCP* socket, const HTTPACCESS_PROXY_CONFIG* proxy,
                                   HTTPACCESS_CONNECTION_INFO* /*info*/) {
    if (socket == nullptr) return -1;
    CLLog::writeFormat(kLogInf, "Trying connect to [%s:%d](%s) by proxy.", host, int(port), label);
    std::vector<PROXY_ENTRY> proxies;
    if (proxy == nullptr || !ParseProxyList(proxy->proxyList, proxies)) {
        CLLog::writeFormat(kLogErr, "Incorrect proxy settings.");
        return -8;
    }
    for (const PROXY_ENTRY& p : proxies) {
        if (p.direct) {
            CLLog::writeFormat(kLogInf, "Loaded a setting to not connect to the proxy.");
            break;
        }
        CLLog::writeFormat(kLogInf, "Trying connect to proxy server [%s:%d].", p.host.c_str(), p.port);
        const int rc = socket->Connect(p.host.c_str(), p.port, GetControlWaits().tunnelConnectMs);
        if (rc == 0) {
            // The first proxy that accepts the connection decides: no further one is tried.
            if (SendConnectMethod2ProxyServer(socket, userAgent, host, TUNNEL_PORT) != 0) {
                socket->Close();
                return -8;
            }
            if (SendChopProtocol(socket, label, 1) != 0) {
                socket->Close();
                return -12;
            }
            CLLog::writeFormat(kLogInf, "Successfully connected to the server(%s).", label);
            return 0;
        }
        CLLog::writeFormat(kLogErr, "Failed to connect server(Proxy). (Code:%d No:%d Msg:\"%s\".", rc,
                           socket->GetErrorNo(), socket->GetErrorMsg());
    }
    m_nConnectionError = socket->GetErrorNo();
    return -8;
}

int CQuorixControl::SendChopProtocol(CSocketTCP* socket, const char* label, uint32_t flag) {
    static const char* const kFunc = "SendChopProtocol";
    CLLog::onFuncStart(kFunc);
    uint8_t greeting[CHOP_GREETING_SIZE];
    BuildChopGreeting(label, flag, greeting);
    const int sent = socket->Send(greeting, int(sizeof greeting), MSG_NOSIGNAL);
    int result = 0;
    // A greeting cut short would leave the server reading it from the next bytes.
    if (sent != int(sizeof greeting)) {
        CLLog::writeFormat(kLogErr, "Failed to send test data to server(%s). [Code:%d No:%d Msg:%s]", label,
                           sent, socket->GetErrorNoSend(), socket->GetErrorMsgSend());
        result = -7;
    }
    CLLog::onFuncEnd(kFunc);
    return result;
}

int CQuorixControl::SendConnectMethod2ProxyServer(CSocketTCP* socket, const char* userAgent, const char* host,
                                                  uint32_t /*port*/) {
    static const char* const kFunc = "SendConnectMethod2ProxyServer";
    CLLog::onFuncStart(kFunc);
    int result = 0;
    const std::string request = BuildConnectRequest(host, userAgent);
    const int sent = request.empty() ? 0 : socket->Send(request.data(), int(request.size()), MSG_NOSIGNAL);
    if (request.empty() || sent < int(request.size())) {
        result = m_nConnectionError = CONN_ERR_PROXY_SEND;
        CLLog::write(kLogErr, "Failed to connect to proxy. (Code:" + std::to_string(result) +
                                  " No:" + std::to_string(socket->GetErrorNoSend()) + " Msg:\"" +
                                  socket->GetErrorMsgSend() + "\").");
    } else {
        const int size = 1024;
        char* head = static_cast<char*>(__malloc__(size_t(size)));
        if (head != nullptr) std::memset(head, 0, size_t(size));
        if (head == nullptr || !CCommonProc::ProxyHTTPRequestHeadRecv(socket, &head, size)) {
            result = m_nConnectionError = CONN_ERR_PROXY_NO_REPLY;
            CLLog::write(kLogErr, "Failed to connect to proxy(" + std::to_string(result) + ").");
        } else {
            const int status = CCommonProc::ProxyHTTPStatusCode(head);
            if (status != 200) {
                result = m_nConnectionError = CONN_ERR_PROXY_STATUS;
                CLLog::write(kLogErr, "Failed to connect to proxy(" + std::to_string(result) + ")," +
                                          " ErrorCode=" + std::to_string(status) + ").");
            }
        }
        __free__(head);
    }
    CLLog::onFuncEnd(kFunc);
    return result;
}

namespace {
template <typename Getter>
unsigned SumRelayCounters(CSocketTCP* const (&sockets)[VPEX_CONNECTION_COUNT], Getter get) {
    unsigned sum = 0;
    for (CSocketTCP* s : sockets)
        if (s != nullptr) sum += get(s);
    return sum;
}
}  // namespace

unsigned CQuorixControl::GetSendPacketCount() {
    return SumRelayCounters(m_pSocketVpex, [](CSocketTCP* s) { return s->GetSendPacketCount(); });
}
unsigned CQuorixControl::GetRecvPacketCount() {
    return SumRelayCounters(m_pSocketVpex, [](CSocketTCP* s) { return s->GetRecvPacketCount(); });
}
unsigned CQuorixControl::GetLostPacketCount() {
    return SumRelayCounters(m_pSocketVpex, [](CSocketTCP* s) { return s->GetLostPacketCount(); });
}
unsigned CQuorixControl::GetSendBytes() {
    return SumRelayCounters(m_pSocketVpex, [](CSocketTCP* s) { return s->GetSendBytes(); });
}
unsigned CQuorixControl::GetRecvBytes() {
    return SumRelayCounters(m_pSocketVpex, [](CSocketTCP* s) { return s->GetRecvBytes(); });
}
unsigned CQuorixControl::GetLostBytes() {
    return SumRelayCounters(m_pSocketVpex, [](CSocketTCP* s) { return s->GetLostBytes(); });
}
