// WebSocket client: upgrade request and reply, frames both ways in all three
// length forms, masking, close frames, refused upgrades and frame heads that
// cannot be followed; the test is the server at the peer end of a socket pair.
#include <gtest/gtest.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "StreamFixture.h"
#include "fixtures/ClientProcess.h"
#include "tessel/TS_StreamThreadEx.h"
#include "tessel/TS_WebSocket.h"

using namespace streamtest;

namespace {

class TestWS : public CWSCtrl {
public:
    explicit TestWS(CSocketTCP* socket) : CWSCtrl(socket) {}
    ~TestWS() override { Stop(); }

    struct Error {
        int code;
        int number;
        std::string text;
    };

    std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> replyHeaders;
    std::string reply;
    std::vector<std::string> texts;
    std::vector<Bytes> binaries;
    std::vector<Error> errors;

    template <class T>
    T Get(const T& field) {
        std::lock_guard<std::mutex> lock(mutex);
        return field;
    }

protected:
    void OnUpgradeAccepted(const uint8_t* r, uint32_t length) override {
        std::lock_guard<std::mutex> lock(mutex);
        reply.assign(reinterpret_cast<const char*>(r), length);
        const st_header_t* h = GetHttpHeader();
        for (int i = 0; i < h->count; ++i) replyHeaders.emplace_back(h->headers[i].name, h->headers[i].value);
    }
    void OnTextFrame(char* buffer, int length, int opcode) override {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(WS_OPCODE_TEXT, opcode);
        EXPECT_EQ(0, buffer[length - 1]);
        texts.emplace_back(buffer, static_cast<size_t>(length - 1));
        Free(buffer);
    }
    void OnBinaryFrame(uint8_t* buffer, int length, int opcode) override {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(WS_OPCODE_BINARY, opcode);
        binaries.emplace_back(buffer, buffer + length);
        Free(buffer);
    }
    void OnWSError(int code, int number, const char* text) override {
        std::lock_guard<std::mutex> lock(mutex);
        errors.push_back({code, number, text});
    }
};

// A frame as the server sends it (unmasked unless a key is given).
Bytes ServerFrame(int opcode, const Bytes& payload, const Bytes& key = {}) {
    Bytes f{static_cast<uint8_t>(0x80 | opcode)};
    const size_t n = payload.size();
    const uint8_t maskBit = key.empty() ? 0 : 0x80;
    if (n < 126) {
        f.push_back(static_cast<uint8_t>(maskBit | n));
    } else if (n <= 0xFFFF) {
        f.push_back(static_cast<uint8_t>(maskBit | 126));
        f.push_back(static_cast<uint8_t>(n >> 8));
        f.push_back(static_cast<uint8_t>(n));
    } else {
        f.push_back(static_cast<uint8_t>(maskBit | 127));
        for (int i = 7; i >= 0; --i) f.push_back(static_cast<uint8_t>(static_cast<uint64_t>(n) >> (8 * i)));
    }
    f.insert(f.end(), key.begin(), key.end());
    for (size_t i = 0; i < n; ++i) f.push_back(key.empty() ? payload[i] : payload[i] ^ key[i % 4]);
    return f;
}

struct ClientFrame {
    uint8_t first = 0;
    size_t lengthBytes = 0;  // 0, 2 or 8
    Bytes key;
    Bytes payload;  // unmasked
};

ClientFrame ReadClientFrame(const SocketPair& pair) {
    ClientFrame f;
    uint8_t head[2];
    EXPECT_TRUE(pair.Read(head, 2));
    f.first = head[0];
    uint64_t n = head[1] & 0x7F;
    f.lengthBytes = n == 126 ? 2 : n == 127 ? 8 : 0;
    if (f.lengthBytes > 0) {
        uint8_t ext[8];
        EXPECT_TRUE(pair.Read(ext, f.lengthBytes));
        n = 0;
        for (size_t i = 0; i < f.lengthBytes; ++i) n = n << 8 | ext[i];
    }
    if (head[1] & 0x80) {
        f.key.resize(4);
        EXPECT_TRUE(pair.Read(f.key.data(), 4));
    }
    f.payload.resize(n);
    EXPECT_TRUE(pair.Read(f.payload.data(), n));
    for (size_t i = 0; i < n && !f.key.empty(); ++i) f.payload[i] ^= f.key[i % 4];
    return f;
}

std::string ReadRequestHead(const SocketPair& pair) {
    std::string head;
    uint8_t c;
    while (head.size() < 4 || head.compare(head.size() - 4, 4, "\r\n\r\n") != 0) {
        if (!pair.Read(&c, 1)) return head;
        head.push_back(static_cast<char>(c));
    }
    return head;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

const char kSwitching[] =
    "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection:  Upgrade \r\n"
    "Sec-WebSocket-Accept: abc=\r\n\r\n";

// A client that has been upgraded, with the server end of its socket.
struct Upgraded {
    explicit Upgraded(bool mask = true) : ws(&pair.socket) {
        EXPECT_TRUE(ws.Start("ws://example.test:8080/chat", nullptr, mask));
        request = ReadRequestHead(pair);
        pair.Write(Text(kSwitching));
        EXPECT_TRUE(WaitFor([&] { return !ws.Get(ws.reply).empty(); }));
    }
    SocketPair pair;
    TestWS ws;
    std::string request;
};

}  // namespace

TEST(WebSocketTest, UpgradeRequestAndReplyThenFramesInOneRead) {
    SocketPair pair;
    TestWS ws(&pair.socket);
    EXPECT_FALSE(ws.SendText("x", 1, 0));  // not upgraded yet
    ASSERT_TRUE(ws.Start("wss://example.test:8443/chat/room?id=7", "Origin: https://o.test\r\n", true));
    EXPECT_FALSE(ws.Start("ws://other.test/", nullptr, true));

    const std::string head = ReadRequestHead(pair);
    EXPECT_EQ(0u, head.find("GET /chat/room?id=7 HTTP/1.1\r\nHost: example.test:8443\r\n"));
    for (const char* line : {"\r\nPragma: no-cache\r\n", "\r\nCache-Control: no-cache\r\n",
                             "\r\nUpgrade: websocket\r\n", "\r\nConnection: Upgrade\r\n",
                             "\r\nSec-WebSocket-Version: 13\r\n", "\r\nOrigin: https://o.test\r\n\r\n"}) {
        EXPECT_NE(std::string::npos, head.find(line)) << line;
    }
    const size_t at = head.find("Sec-WebSocket-Key: ");
    ASSERT_NE(std::string::npos, at);
    const std::string key = head.substr(at + 19, head.find("\r\n", at) - at - 19);
    uint8_t nonce[32];
    EXPECT_EQ(24u, key.size());
    EXPECT_EQ(16, CWSCtrl::Base64Decode(key.c_str(), nonce, sizeof nonce));

    // The reply and the first frames arrive together: nothing of the frames
    // may be taken for the reply.
    pair.Write(Concat({Text(kSwitching), ServerFrame(1, Text("hello")), ServerFrame(2, {0, 1, 2})}));
    ASSERT_TRUE(WaitFor([&] { return ws.Get(ws.binaries).size() == 1; }));
    EXPECT_EQ(kSwitching, ws.Get(ws.reply));
    const auto headers = ws.Get(ws.replyHeaders);
    ASSERT_EQ(3u, headers.size());
    EXPECT_EQ(std::make_pair(std::string("Connection"), std::string("Upgrade")), headers[1]);
    EXPECT_EQ(std::vector<std::string>{"hello"}, ws.Get(ws.texts));
    EXPECT_EQ((Bytes{0, 1, 2}), ws.Get(ws.binaries)[0]);
    EXPECT_TRUE(ws.Get(ws.errors).empty());
}

TEST(WebSocketTest, FramesOfEveryLengthFormBothWays) {
    Upgraded u;
    for (size_t n : {1, 125, 126, 65535, 65536, 70000}) {
        SCOPED_TRACE(n);
        const Bytes payload = Body(n, static_cast<uint32_t>(n));
        ASSERT_TRUE(u.ws.SendBinary(payload.data(), static_cast<int>(n), 0));
        const ClientFrame f = ReadClientFrame(u.pair);
        EXPECT_EQ(0x82, f.first);
        EXPECT_EQ(n < 126 ? 0u : n <= 0xFFFF ? 2u : 8u, f.lengthBytes);
        EXPECT_EQ(4u, f.key.size());
        EXPECT_EQ(payload, f.payload);

        const size_t before = u.ws.Get(u.ws.binaries).size();
        u.pair.Write(ServerFrame(2, payload));
        ASSERT_TRUE(WaitFor([&] { return u.ws.Get(u.ws.binaries).size() == before + 1; }));
        EXPECT_EQ(payload, u.ws.Get(u.ws.binaries).back());
    }
    // A masked frame from the server is unmasked too.
    u.pair.Write(ServerFrame(1, Text("masked"), {1, 2, 3, 4}));
    ASSERT_TRUE(WaitFor([&] { return !u.ws.Get(u.ws.texts).empty(); }));
    EXPECT_EQ("masked", u.ws.Get(u.ws.texts)[0]);
}

TEST(WebSocketTest, MaskingKeysAreFreshForEachFrameAndMaskingCanBeOff) {
    {
        Upgraded u(true);
        std::vector<Bytes> keys;
        for (int i = 0; i < 8; ++i) {
            ASSERT_TRUE(u.ws.SendText("same", 4, 0));
            const ClientFrame f = ReadClientFrame(u.pair);
            EXPECT_EQ(0x81, f.first);
            EXPECT_EQ(Text("same"), f.payload);
            keys.push_back(f.key);
        }
        std::sort(keys.begin(), keys.end());
        EXPECT_EQ(keys.end(), std::adjacent_find(keys.begin(), keys.end()));
    }
    Upgraded plain(false);
    ASSERT_TRUE(plain.ws.SendText("abc", 3, 0));
    const ClientFrame f = ReadClientFrame(plain.pair);
    EXPECT_TRUE(f.key.empty());
    EXPECT_EQ(Text("abc"), f.payload);
}

// A message in fragments arrives whole, also with control frames between its
// fragments; a continuation without a message begun is ignored.
TEST(WebSocketTest, FragmentedMessagesArriveWhole) {
    auto piece = [](int opcode, const std::string& text, bool final) {
        Bytes f = ServerFrame(opcode, Text(text));
        if (!final) f[0] &= 0x7F;
        return f;
    };
    Upgraded u;
    u.pair.Write(Concat({piece(0, "stray", true), piece(1, "frag", false), piece(0, "men", false),
                         ServerFrame(9, Text("ping")), piece(0, "ted", true), ServerFrame(1, Text("whole")),
                         piece(2, "ab", false), piece(0, "cd", true)}));
    ASSERT_TRUE(WaitFor([&] { return u.ws.Get(u.ws.binaries).size() == 1; }));
    EXPECT_EQ((std::vector<std::string>{"fragmented", "whole"}), u.ws.Get(u.ws.texts));
    EXPECT_EQ(Text("abcd"), u.ws.Get(u.ws.binaries)[0]);
    EXPECT_TRUE(u.ws.Get(u.ws.errors).empty());
}

TEST(WebSocketTest, CloseFramesBothWays) {
    Upgraded u;
    ASSERT_TRUE(u.ws.SendClose(0));
    const ClientFrame f = ReadClientFrame(u.pair);
    EXPECT_EQ(0x88, f.first);
    EXPECT_EQ((Bytes{0x03, 0xE8}), f.payload);  // 1000, normal closure

    u.pair.Write(ServerFrame(8, Concat({{0x03, 0xE9}, Text("going away")})));
    u.pair.Write(ServerFrame(8, {}));
    ASSERT_TRUE(WaitFor([&] { return u.ws.Get(u.ws.errors).size() == 2; }));
    const auto errors = u.ws.Get(u.ws.errors);
    EXPECT_EQ(WS_ERR_CLOSED, errors[0].code);
    EXPECT_EQ(1001, errors[0].number);
    EXPECT_EQ("websocket connection closed(going away).", errors[0].text);
    EXPECT_EQ(1005, errors[1].number);  // no status code in the frame
    EXPECT_EQ("websocket connection closed().", errors[1].text);
}

// A status other than 101 refuses the upgrade; a number too large for an int
// is no status at all (it once wrapped, and 2^32 + 101 read as 101).
TEST(WebSocketTest, RefusedUpgradeIsReported) {
    const struct {
        const char* statusLine;
        int number;
    } cases[] = {
        {"HTTP/1.1 404 Not Found", 404},
        {"HTTP/1.1 4294967397 Switching Protocols", 0},
        {"HTTP/1.1 -4294967195 Switching Protocols", 0},
        {"HTTP/1.1 99999999999999999999999 Switching Protocols", 0},
        {"HTTP/1.1 Switching Protocols", 0},
        {"HTTP/1.0 101 Switching Protocols", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statusLine);
        SocketPair pair;
        TestWS ws(&pair.socket);
        ASSERT_TRUE(ws.Start("http://example.test/", nullptr, true));
        ReadRequestHead(pair);
        pair.Write(Text(std::string(c.statusLine) + "\r\ncontent-length: 5\r\n\r\nnope!"));
        ASSERT_TRUE(WaitFor([&] { return !ws.Get(ws.errors).empty(); }));
        EXPECT_EQ(WS_ERR_NOT_SUPPORTED, ws.Get(ws.errors)[0].code);
        EXPECT_EQ(c.number, ws.Get(ws.errors)[0].number);
        EXPECT_EQ("websocket is not supported.", ws.Get(ws.errors)[0].text);
        EXPECT_FALSE(ws.SendText("x", 1, 0));
    }
}

TEST(WebSocketTest, PayloadLengthsThatCannotBeReceivedEndReading) {
    const Bytes huge = {0x82, 127, 0, 0, 0, 0, 0x80, 0, 0, 0};   // 2^31
    const Bytes large = {0x82, 127, 0, 0, 0, 0, 0x7F, 0, 0, 0};  // below 2^31, above the buffer bound
    for (const Bytes& head : {huge, large}) {
        Upgraded u;
        u.pair.Write(Concat({head, ServerFrame(1, Text("after"))}));
        ASSERT_TRUE(WaitFor([&] { return !u.ws.Get(u.ws.errors).empty(); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(WS_ERR_PROTOCOL, u.ws.Get(u.ws.errors)[0].code);
        EXPECT_EQ("Unsupported payload size.", u.ws.Get(u.ws.errors)[0].text);
        EXPECT_TRUE(u.ws.Get(u.ws.texts).empty());
    }
}

TEST(WebSocketTest, StartRefusesLongOrUnreadableUris) {
    SocketPair pair;
    TestWS ws(&pair.socket);
    const std::string longUri = "ws://h/" + std::string(CWSCtrl::kMaxUri, 'a');
    EXPECT_FALSE(ws.Start(longUri.c_str(), nullptr, true));
    EXPECT_FALSE(ws.Start("no scheme here", nullptr, true));
    EXPECT_TRUE(ws.Start("ws://h/", nullptr, true));
}

TEST(WebSocketTest, ParseUri) {
    struct Case {
        const char* uri;
        bool ok;
        const char* scheme;
        const char* host;
        int port;
        const char* path;
    };
    const Case cases[] = {
        {"ws://h.test:81/a/b?c=1", true, "ws", "h.test", 81, "a/b?c=1"},
        {"ws://h.test:81", true, "ws", "h.test", 81, ""},
        {"wss://h.test/x", true, "wss", "h.test", 443, "x"},
        {"https://h.test", true, "https", "h.test", 443, ""},
        {"http://h.test/", true, "http", "h.test", 80, ""},
        {"ws://h.test", true, "ws", "h.test", 80, ""},
        {"ftp://h.test/f", true, "ftp", "h.test", 0, "f"},
        {"h.test", false, "", "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uri);
        char scheme[1024] = "", host[1024] = "", path[1024] = "";
        int port = -1;
        ASSERT_EQ(c.ok, CWSCtrl::ParseUri(c.uri, scheme, host, &port, path));
        if (!c.ok) continue;
        EXPECT_STREQ(c.scheme, scheme);
        EXPECT_STREQ(c.host, host);
        EXPECT_EQ(c.port, port);
        EXPECT_STREQ(c.path, path);
    }
}

TEST(WebSocketTest, Base64) {
    struct Case {
        const char* plain;
        const char* text;
    };
    const Case cases[] = {{"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
                          {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"\xfb\xff", "+/8="}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const int n = static_cast<int>(strlen(c.plain));
        char out[16];
        EXPECT_EQ(static_cast<int>(strlen(c.text)),
                  CWSCtrl::Base64Encode(reinterpret_cast<const uint8_t*>(c.plain), n, out, sizeof out));
        EXPECT_STREQ(c.text, out);
        uint8_t back[16];
        ASSERT_EQ(n, CWSCtrl::Base64Decode(c.text, back, sizeof back));
        EXPECT_EQ(0, memcmp(c.plain, back, static_cast<size_t>(n)));
    }
    char small[5];
    EXPECT_EQ(-1, CWSCtrl::Base64Encode(reinterpret_cast<const uint8_t*>("foob"), 4, small, sizeof small));
    EXPECT_EQ(4, CWSCtrl::Base64Encode(reinterpret_cast<const uint8_t*>("foo"), 3, small, sizeof small));
    uint8_t two[2];
    EXPECT_EQ(-1, CWSCtrl::Base64Decode("Zm9v", two, sizeof two));
    EXPECT_EQ(2, CWSCtrl::Base64Decode("Z m\n8 =", two, sizeof two));  // others skipped
    EXPECT_EQ(0, memcmp("fo", two, 2));
}

TEST(QueComBufferTest, FirstInFirstOutAndClearTakesEveryNode) {
    COM_BUFFER a{1, 0, nullptr}, b{2, 0, nullptr};
    QueComBuffer q;
    EXPECT_EQ(nullptr, q.Pop());
    ASSERT_TRUE(q.Push(&a));
    ASSERT_TRUE(q.Push(nullptr));
    ASSERT_TRUE(q.Push(&b));
    EXPECT_EQ(&a, q.Pop());
    ASSERT_TRUE(q.Push(&a));
    q.Clear();  // also the nodes behind the empty entry (checked by the leak check)
    EXPECT_EQ(nullptr, q.Pop());
    ASSERT_TRUE(q.Push(&b));
    EXPECT_EQ(&b, q.Pop());
    ASSERT_TRUE(q.Push(&a));  // left for the destructor
}

TEST(CThreadRecvTest, DeliversEachHeaderAndReportsTheFirstFailureOnce) {
    SocketPair pair;
    struct Seen {
        std::mutex mutex;
        std::vector<Bytes> packets;
        std::vector<int> errors;
    } seen;
    CThreadRecv thread(
        &pair.socket,
        [](uint8_t* p, int n, void* user) {
            auto* s = static_cast<Seen*>(user);
            std::lock_guard<std::mutex> lock(s->mutex);
            s->packets.emplace_back(p, p + n);
        },
        [](int code, int, const char*, void* user) {
            auto* s = static_cast<Seen*>(user);
            std::lock_guard<std::mutex> lock(s->mutex);
            s->errors.push_back(code);
        },
        &seen);
    const Bytes a = Packet(1, {}, 7), b = Packet(2, {}, 8);
    pair.Write(Concat({a, b}));
    pair.ClosePeer();
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard<std::mutex> lock(seen.mutex);
        return !seen.errors.empty();
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    std::lock_guard<std::mutex> lock(seen.mutex);
    EXPECT_EQ((std::vector<Bytes>{a, b}), seen.packets);
    EXPECT_EQ(std::vector<int>{-13}, seen.errors);
}

// Against a WebSocket server we did not write (the npm package "ws" on the
// machine's Node.js, installed by scripts/install-deps.sh): the upgrade, text
// and binary messages in every length form both ways, a message the server
// sends in fragments, its ping, and its close.
namespace {

std::string FindNode() {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/usr/local/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/node";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

// The folder whose node_modules holds "ws" (QUORIX_NODE_PREFIX, else the
// one scripts/install-deps.sh fills).
std::string NodePrefix() {
    if (const char* prefix = std::getenv("QUORIX_NODE_PREFIX")) return prefix;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "/root") + "/.cache/quorix-node";
}

std::string Letters(size_t n) {
    std::string s(n, 'a');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
    return s;
}

class WebSocketRealServer : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string node = FindNode();
        ASSERT_FALSE(node.empty()) << "node is missing: run scripts/install-deps.sh";
        const std::string prefix = NodePrefix();
        ASSERT_EQ(0, access((prefix + "/node_modules/ws/package.json").c_str(), R_OK))
            << "the npm package ws is missing in " << prefix << ": run scripts/install-deps.sh";
        server_ = std::make_unique<quorix::test::ClientProcess>(
            node, std::vector<std::string>{
                      std::string(QUORIX_SOURCE_DIR) + "/tests/fixtures/node/ws_server.js", prefix});
        const std::string line = server_->waitLine("port ", 20000);
        ASSERT_FALSE(line.empty()) << "the ws server did not start";
        port_ = std::stoi(line.substr(5));
        ASSERT_EQ(0, socket_.Connect("127.0.0.1", port_, 5000));
        ASSERT_EQ(0, socket_.SetAsync(true));
        ws_ = std::make_unique<TestWS>(&socket_);
        ASSERT_TRUE(ws_->Start(("ws://127.0.0.1:" + std::to_string(port_) + "/room/7?lang=en").c_str(),
                               nullptr, true));
        ASSERT_TRUE(WaitFor([&] { return !ws_->Get(ws_->reply).empty(); }, 10000));
    }
    void TearDown() override {
        if (ws_) ws_->Stop();
        socket_.Close();
    }
    // Sends a command and waits for the count of texts to reach `texts`.
    bool Command(const std::string& line, size_t texts) {
        return ws_->SendText(line.data(), static_cast<int>(line.size()), 0) &&
               WaitFor([&] { return ws_->Get(ws_->texts).size() >= texts; }, 10000);
    }

    std::unique_ptr<quorix::test::ClientProcess> server_;
    int port_ = 0;
    CSocketTCP socket_;
    std::unique_ptr<TestWS> ws_;
};

TEST_F(WebSocketRealServer, UpgradeAndMessagesOfEveryLengthFormBothWays) {
    EXPECT_EQ(0u, ws_->Get(ws_->reply).find("HTTP/1.1 101 "));
    bool upgrade = false, accept = false;
    for (const auto& [name, value] : ws_->Get(ws_->replyHeaders)) {
        upgrade |= strcasecmp(name.c_str(), "Upgrade") == 0 && strcasecmp(value.c_str(), "websocket") == 0;
        accept |= strcasecmp(name.c_str(), "Sec-WebSocket-Accept") == 0 && value.size() == 28;
    }
    EXPECT_TRUE(upgrade);
    EXPECT_TRUE(accept);
    EXPECT_TRUE(server_->sawLine("upgrade /room/7?lang=en", 5000));

    // Server to client: 7-bit, 16-bit and 64-bit lengths.
    size_t texts = 0;
    for (size_t n : {1, 125, 126, 65535, 65536, 200000}) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(Command("text " + std::to_string(n), ++texts));
        EXPECT_EQ(Letters(n), ws_->Get(ws_->texts).back());
    }
    size_t binaries = 0;
    for (size_t n : {3, 126, 70000}) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(Command("binary " + std::to_string(n), texts));
        ASSERT_TRUE(WaitFor([&] { return ws_->Get(ws_->binaries).size() == binaries + 1; }, 10000));
        ++binaries;
        Bytes expected(n);
        for (size_t i = 0; i < n; ++i) expected[i] = static_cast<uint8_t>(i % 251);
        EXPECT_EQ(expected, ws_->Get(ws_->binaries).back());
    }
    // Client to server (masked, as a server demands): the server reports
    // each message and sends binary ones back.
    for (size_t n : {5, 125, 126, 65535, 65536, 100000}) {
        SCOPED_TRACE(n);
        const Bytes payload = Body(n, static_cast<uint32_t>(n));
        unsigned sum = 0;
        for (uint8_t b : payload) sum = (sum + b) % 65536;
        ASSERT_TRUE(ws_->SendBinary(payload.data(), static_cast<int>(n), 0));
        EXPECT_TRUE(server_->sawLine("got binary " + std::to_string(n) + " " + std::to_string(sum), 10000));
        ASSERT_TRUE(WaitFor([&] { return ws_->Get(ws_->binaries).size() == binaries + 1; }, 10000));
        ++binaries;
        EXPECT_EQ(payload, ws_->Get(ws_->binaries).back());
    }
    const std::string echo = "echo " + Letters(300);
    ASSERT_TRUE(Command(echo, ++texts));
    EXPECT_EQ(Letters(300), ws_->Get(ws_->texts).back());
    EXPECT_TRUE(ws_->Get(ws_->errors).empty());
}

TEST_F(WebSocketRealServer, FragmentsPingAndTheServersClose) {
    ASSERT_TRUE(Command("pieces 3000 4", 1));
    EXPECT_EQ(Letters(3000), ws_->Get(ws_->texts).back());
    ASSERT_TRUE(Command("pieces 70000 3", 2));
    EXPECT_EQ(Letters(70000), ws_->Get(ws_->texts).back());

    // The ping goes unanswered and changes nothing: the text after it arrives.
    ASSERT_TRUE(Command("ping", 3));
    EXPECT_EQ("after ping", ws_->Get(ws_->texts).back());
    EXPECT_TRUE(ws_->Get(ws_->errors).empty());

    const std::string close = "close 4001 going home";
    ASSERT_TRUE(ws_->SendText(close.data(), static_cast<int>(close.size()), 0));
    ASSERT_TRUE(WaitFor([&] { return !ws_->Get(ws_->errors).empty(); }, 10000));
    const auto errors = ws_->Get(ws_->errors);
    EXPECT_EQ(WS_ERR_CLOSED, errors[0].code);
    EXPECT_EQ(4001, errors[0].number);
    EXPECT_EQ("websocket connection closed(going home).", errors[0].text);
    EXPECT_EQ(3u, ws_->Get(ws_->texts).size());
}

}  // namespace
