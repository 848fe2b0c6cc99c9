// GetHttpString against nginx and the fault server on loopback: bodies, statuses, redirects, failures, request bytes.
#include <winsock2.h>

#include <chrono>

#include "DownloadTestSupport.h"
#include "GetHttpString.h"

using namespace dltest;

namespace {

const size_t kChunk = 8191;

// Served bodies live in their own folder under the servers' document root, written by the tests.
const char kFolder[] = "gethttp";

// A text of n bytes made of double-byte GBK characters from offset 0, so that the first 8191-byte read ends
// inside a character; the odd byte left at the end is ASCII.
std::string GbkText(size_t n)
{
    static const char kUnit[] = "安装信息获取失败请稍后再试";
    static_assert(sizeof kUnit - 1 == 26, "the unit is GBK: two bytes a character");
    std::string text;
    while (text.size() + 2 <= n) text.append(kUnit + text.size() % (sizeof kUnit - 1), 2);
    if (text.size() < n) text += 'x';
    return text;
}

class GetHttpStringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(ServersDir().empty()) << "CORVANE_DL_SERVERS is not set; run the tests through ctest";
        ::CreateDirectoryA((ServersDir() + "\\www\\" + kFolder).c_str(), nullptr);
    }

    // Puts bytes under the document root of both servers; returns their path below the root.
    static std::string Serve(const std::string& name, const std::string& bytes)
    {
        WriteBytes(ServersDir() + "\\www\\" + kFolder + "\\" + name, bytes);
        return std::string(kFolder) + "/" + name;
    }

    static std::string Get(const std::string& url) { return std::string(GetHttpString(url.c_str())); }
};

// The answer of a setup-info service, with a GBK attribute value as a real one may carry.
const std::string kAnswer = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
                            "<qzvrsetup fileurl=\"http://127.0.0.1/d/setup.exe\" filesign=\"0123456789abcdef\""
                            " note=\"安装\"/>\r\n";

class Bodies : public GetHttpStringTest {};

TEST_F(Bodies, A200FromNginxOnItsOwnPortIsReturnedExactlyWithItsQueryPassedOn)
{
    const std::string path = Serve("answer.xml", kAnswer);
    LogTail log("nginx-access.log");
    EXPECT_EQ(Get(NginxUrl(path + "?vertype=0")), kAnswer);
    const std::vector<std::string> lines = log.NewLines(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, lines[0].find('|', lines[0].find('|') + 1)), "/" + path + "?vertype=0|200");
}

TEST_F(Bodies, EveryLengthAroundTheReadChunkComesBackWholeAndUnchanged)
{
    for (size_t n : {size_t(0), size_t(1), kChunk - 1, kChunk, kChunk + 1, 2 * kChunk, 3 * kChunk + 777}) {
        const std::string body = GbkText(n);
        ASSERT_EQ(body.size(), n);
        const std::string path = Serve("text" + std::to_string(n) + ".txt", body);
        const std::string got = Get(NginxUrl(path));
        ASSERT_EQ(got.size(), n) << "length " << n;
        EXPECT_TRUE(got == body) << "length " << n << ": the bytes differ";
    }
}

TEST_F(Bodies, ABodyWithoutLengthIsReadToTheClose)
{
    const std::string body = GbkText(2 * kChunk + 5);
    const std::string path = Serve("nolength.txt", body);
    EXPECT_TRUE(Get(FaultUrl("nolength/" + path)) == body);
}

// A blocking read waits until its 8191 bytes are there or the body has ended, so a slow link that delivers
// 512 bytes at a time must not end the reading early.
TEST_F(Bodies, ABodyArrivingInSmallPiecesIsReadWhole)
{
    const std::string body = GbkText(2 * kChunk + 1000);
    const std::string path = Serve("drip.txt", body);
    const std::string got = Get(FaultUrl("drip/" + path + "?ms=2"));
    EXPECT_EQ(got.size(), body.size());
    EXPECT_TRUE(got == body);
}

class Statuses : public GetHttpStringTest {};

TEST_F(Statuses, OnlyA200IsAcceptedWhateverBodyAnotherStatusCarries)
{
    const std::string path = Serve("answer.xml", kAnswer);
    // The same body on 200 shows that an empty result below comes from the status, not from the server.
    EXPECT_EQ(Get(FaultUrl("status/" + path + "?code=200")), kAnswer);
    for (int code : {201, 203, 206, 400, 404, 500, 503})
        EXPECT_EQ(Get(FaultUrl("status/" + path + "?code=" + std::to_string(code))), "") << code;
}

TEST_F(Statuses, TheErrorPageOfNginxIsNotTakenForAnAnswer)
{
    EXPECT_EQ(Get(NginxUrl(std::string(kFolder) + "/no-such-answer.xml")), "");
}

class Redirects : public GetHttpStringTest {};

TEST_F(Redirects, ARedirectOfTheServerIsFollowedToTheBody)
{
    const std::string path = Serve("answer.xml", kAnswer);
    const std::string targets[] = {"/file/" + path, NginxUrl(path)};
    for (const std::string& target : targets) {
        LogTail log("fault-requests.log");
        EXPECT_EQ(Get(FaultUrl("anything?redirect=" + target)), kAnswer) << target;
        const size_t requests = target[0] == '/' ? 2 : 1;
        EXPECT_EQ(log.NewLines(requests).size(), requests) << target;
    }
}

TEST_F(Redirects, ARedirectToAMissingFileGivesTheEmptyText)
{
    EXPECT_EQ(Get(FaultUrl("anything?redirect=/file/" + std::string(kFolder) + "/gone.xml")), "");
}

class Failures : public GetHttpStringTest {};

// A loopback port of this process, which nobody else can take meanwhile. Refusing: bound but not listening, so
// connections to it are refused. Unaccepting: listening with a queue of one that a connection of its own fills,
// so that further connections are neither accepted nor refused: the server's answer to them never comes.
class LoopbackPort {
public:
    enum Kind { Refusing, Unaccepting };

    explicit LoopbackPort(Kind kind)
    {
        WSADATA wsa;
        m_started = ::WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
        m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int len = sizeof addr;
        if (m_socket == INVALID_SOCKET || ::bind(m_socket, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
            ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        if (kind == Unaccepting) {
            if (::listen(m_socket, 0) != 0) return;
            m_filler = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            if (m_filler == INVALID_SOCKET || ::connect(m_filler, reinterpret_cast<sockaddr*>(&addr), len) != 0)
                return;
        }
        m_port = ntohs(addr.sin_port);
    }
    ~LoopbackPort()
    {
        if (m_filler != INVALID_SOCKET) ::closesocket(m_filler);
        if (m_socket != INVALID_SOCKET) ::closesocket(m_socket);
        if (m_started) ::WSACleanup();
    }
    LoopbackPort(const LoopbackPort&) = delete;
    LoopbackPort& operator=(const LoopbackPort&) = delete;

    int Port() const { return m_port; }

private:
    bool m_started = false;
    SOCKET m_socket = INVALID_SOCKET;
    SOCKET m_filler = INVALID_SOCKET;
    int m_port = 0;
};

TEST_F(Failures, ARefusedConnectionGivesTheEmptyTextAtOnce)
{
    LoopbackPort refusing(LoopbackPort::Refusing);
    ASSERT_NE(refusing.Port(), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Get("http://127.0.0.1:" + std::to_string(refusing.Port()) + "/ClientSrv/Getqzvrsetup.aspx?vertype=0"),
              "");
    // A refusal on loopback is immediate: anything near a network timeout means a wait or a retry loop.
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
}

TEST_F(Failures, ABodyCutShortGivesWhatArrived)
{
    const std::string body = GbkText(3 * kChunk + 500);
    const std::string path = Serve("cut.txt", body);
    for (size_t cut : {size_t(100), kChunk + 10, 2 * kChunk + 3000}) {
        const std::string got = Get(FaultUrl("short/" + path + "?cut=" + std::to_string(cut)));
        EXPECT_TRUE(got == body.substr(0, cut)) << "cut at " << cut << ", got " << got.size() << " bytes";
    }
}

TEST_F(Failures, AResetAfterPartOfTheBodyKeepsOnlyBytesOfTheBody)
{
    const std::string body = GbkText(3 * kChunk + 500);
    const std::string path = Serve("reset.txt", body);
    const size_t cut = kChunk + 10;
    const std::string got = Get(FaultUrl("reset/" + path + "?cut=" + std::to_string(cut)));
    EXPECT_LE(got.size(), cut);
    EXPECT_TRUE(got == body.substr(0, got.size()));
}

TEST_F(Failures, AnHttpsUrlOnAPlainPortFailsTheHandshakeAndGivesTheEmptyText)
{
    const std::string path = Serve("answer.xml", kAnswer);
    const std::string port = std::to_string(Port("CORVANE_DL_NGINX_PORT"));
    EXPECT_EQ(Get("https://127.0.0.1:" + port + "/" + path), "");
}

TEST_F(Failures, AUrlWithoutTheHttpSchemesOpensNothing)
{
    const std::string path = Serve("answer.xml", kAnswer);
    const std::string fault = "127.0.0.1:" + std::to_string(Port("CORVANE_DL_FAULT_PORT")) + "/file/" + path;
    LogTail requests("fault-requests.log");
    LogTail commands("ftp-commands.log");
    for (const std::string& url : {fault, "HTTP://" + fault, " http://" + fault, "file:/" + fault,
                                   FtpUrl(std::string(kFolder) + "/answer.xml")})
        EXPECT_EQ(Get(url), "") << url;
    EXPECT_TRUE(requests.NewLines().empty());
    EXPECT_TRUE(commands.NewLines().empty());
}

TEST_F(Failures, AUrlWithoutAUsableHostGivesTheEmptyText)
{
    for (const char* url : {"http://", "https://", "http:///x", "http://:/x"}) EXPECT_EQ(Get(url), "") << url;
}

class Bounds : public GetHttpStringTest {};

// Limits short enough for each bound to show in seconds; the body's is the program's.
HttpStringLimits ShortLimits()
{
    HttpStringLimits limits;
    limits.dwConnectMs = limits.dwSendMs = limits.dwReceiveMs = 2000;
    limits.dwWholeMs = 6000;
    return limits;
}

struct Timed {
    std::string text;
    double seconds;
};

Timed TimedGet(const std::string& url, const HttpStringLimits& limits)
{
    const auto start = std::chrono::steady_clock::now();
    Timed got;
    got.text = std::string(GetHttpString(url.c_str(), limits));
    got.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return got;
}

TEST_F(Bounds, SilenceBeforeOrAfterTheHeadersEndsAtTheReceiveTimeout)
{
    const std::string path = Serve("answer.xml", kAnswer);
    for (const std::string& fault : {"silent/" + path, "headers/" + path}) {
        const Timed got = TimedGet(FaultUrl(fault), ShortLimits());
        EXPECT_EQ(got.text, "") << fault;
        EXPECT_GE(got.seconds, 1.9) << fault;
        // Well before the whole bound: the time-out of the request ended it.
        EXPECT_LT(got.seconds, 5.0) << fault;
    }
}

// A body or headers that keep trickling, each byte well within the receive time-out, never finish; nor does a
// connection the host never takes, which Wine gives no connect time-out.
TEST_F(Bounds, AnExchangeThatDoesNotEndIsGivenUpAtTheWholeBound)
{
    const std::string path = Serve("answer.xml", kAnswer);
    for (const std::string& fault : {"drip/" + path + "?ms=500&chunk=1", "slowheaders/" + path + "?ms=500&count=40"}) {
        const Timed got = TimedGet(FaultUrl(fault), ShortLimits());
        EXPECT_EQ(got.text, "") << fault;
        EXPECT_GE(got.seconds, 5.9) << fault;
        EXPECT_LT(got.seconds, 9.0) << fault;
    }
    LoopbackPort unaccepting(LoopbackPort::Unaccepting);
    ASSERT_NE(unaccepting.Port(), 0);
    const Timed got = TimedGet("http://127.0.0.1:" + std::to_string(unaccepting.Port()) + "/x", ShortLimits());
    EXPECT_EQ(got.text, "");
    // The connect time-out where the platform applies it, the whole bound where it does not; a refusal would
    // have come at once.
    EXPECT_GE(got.seconds, 1.9);
    EXPECT_LT(got.seconds, 9.0);
}

TEST_F(Bounds, A64KiBAnswerIsReadAndOneByteMoreIsNoAnswer)
{
    for (size_t n : {size_t(64 * 1024), size_t(64 * 1024 + 1)}) {
        const std::string body = GbkText(n);
        const std::string path = Serve("limit" + std::to_string(n) + ".txt", body);
        for (const std::string& url : {NginxUrl(path), FaultUrl("nolength/" + path)}) {
            const std::string got = Get(url);
            if (n == 64 * 1024)
                EXPECT_TRUE(got == body) << url << ": " << got.size() << " bytes";
            else
                EXPECT_EQ(got, "") << url;
        }
    }
}

TEST_F(Bounds, AnEndlessAnswerIsGivenUpAtTheSizeLimitAtOnce)
{
    const Timed got = TimedGet(FaultUrl("endless/answer"), HttpStringLimits());
    EXPECT_EQ(got.text, "");
    // Long before the receive time-out or the whole bound could end it.
    EXPECT_LT(got.seconds, 5.0);
}

class Secure : public GetHttpStringTest {};

TEST_F(Secure, AnHttpsAnswerFromAServerWithAValidCertificateIsReturned)
{
    const std::string path = Serve("answer.xml", kAnswer);
    LogTail log("nginx-tls-access.log");
    EXPECT_EQ(Get(TlsUrl(path + "?vertype=0")), kAnswer);
    const std::vector<std::string> lines = log.NewLines(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, lines[0].find('|', lines[0].find('|') + 1)), "/" + path + "?vertype=0|200");
}

TEST_F(Secure, ALongBodyAndAnErrorStatusAreReadAsOverPlainHttp)
{
    const std::string body = GbkText(3 * kChunk + 777);
    const std::string path = Serve("secure.txt", body);
    EXPECT_TRUE(Get(TlsUrl(path)) == body);
    EXPECT_EQ(Get(TlsUrl(std::string(kFolder) + "/no-such-answer.xml")), "");
}

// Expired, from a root nobody trusts, for another name only; and the fault server's certificate, self-signed,
// for another name and expired at once: each fails the handshake, before any request is sent.
TEST_F(Secure, EveryCertificateFaultGivesTheEmptyTextWithoutARequest)
{
    const std::string path = Serve("answer.xml", kAnswer);
    std::vector<std::string> urls;
    for (const char* server :
         {"CORVANE_DL_TLS_EXPIRED_PORT", "CORVANE_DL_TLS_UNTRUSTED_PORT", "CORVANE_DL_TLS_OTHER_NAME_PORT"})
        urls.push_back(TlsUrl(path, server));
    urls.push_back("https://127.0.0.1:" + std::to_string(Port("CORVANE_DL_FAULT_PORT")) + "/file/" + path);
    for (const std::string& url : urls) {
        LogTail tls("nginx-tls-access.log");
        LogTail fault("fault-requests.log");
        EXPECT_EQ(Get(url), "") << url;
        EXPECT_TRUE(tls.NewLines().empty()) << url;
        EXPECT_TRUE(fault.NewLines().empty()) << url;
    }
}

class Request : public GetHttpStringTest {};

// The fault server logs each request as {"line": "...", "headers": [["Name", "value"], ...], "tls": false}.
std::string Header(const std::string& logLine, const std::string& name)
{
    const std::string key = "[\"" + name + "\", \"";
    size_t at = logLine.find(key);
    if (at == std::string::npos) return "(absent)";
    at += key.size();
    return logLine.substr(at, logLine.find("\"]", at) - at);
}

std::vector<std::string> HeaderNames(const std::string& logLine)
{
    std::vector<std::string> names;
    for (size_t at = logLine.find("[[\""); at != std::string::npos; at = logLine.find("], [\"", at)) {
        at = logLine.find('"', at) + 1;
        names.push_back(logLine.substr(at, logLine.find('"', at) - at));
    }
    return names;
}

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(Request, OneGetOfTheObjectWithTheFormHeaderAndNothingElse)
{
    const std::string path = Serve("answer.xml", kAnswer);
    const int port = Port("CORVANE_DL_FAULT_PORT");
    LogTail log("fault-requests.log");
    ASSERT_EQ(Get(FaultUrl("file/" + path + "?vertype=0")), kAnswer);
    const std::vector<std::string> lines = log.NewLines(1);
    ASSERT_EQ(lines.size(), 1u);
    const std::string& logged = lines[0];
    EXPECT_NE(logged.find("\"tls\": false}"), std::string::npos) << logged;
    EXPECT_NE(logged.find("{\"line\": \"GET /file/" + path + "?vertype=0 HTTP/1.1\","), std::string::npos) << logged;
    EXPECT_EQ(Header(logged, "Host"), "127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(Header(logged, "Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(Count(logged, "\"Content-Type\""), 1) << logged;
    // The connection is asked to stay open for the next request to the same host.
    EXPECT_EQ(Header(logged, "Connection"), "Keep-Alive");
    // Nothing else: no body, no range, and no validators a cache would add to revalidate a stored answer.
    for (const std::string& name : HeaderNames(logged)) {
        const bool expected = name == "Host" || name == "Content-Type" || name == "Connection" ||
                              name == "User-Agent" || name == "Pragma" || name == "Cache-Control";
        EXPECT_TRUE(expected) << name << " in " << logged;
    }
}

TEST_F(Request, AUrlWithoutAPathAsksForTheRoot)
{
    LogTail log("fault-requests.log");
    EXPECT_EQ(Get("http://127.0.0.1:" + std::to_string(Port("CORVANE_DL_FAULT_PORT"))), "");
    const std::vector<std::string> lines = log.NewLines(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].find("{\"line\": \"GET / HTTP/1.1\","), 0u) << lines[0];
}

// nginx sends validators (Last-Modified, ETag) that let a cache keep the answer or revalidate it into a 304;
// every call must reach the server and get the whole current answer instead.
TEST_F(Request, EachCallFetchesTheCurrentAnswerAgainInFull)
{
    const std::string path = Serve("current.xml", kAnswer);
    LogTail log("nginx-access.log");
    EXPECT_EQ(Get(NginxUrl(path)), kAnswer);
    EXPECT_EQ(Get(NginxUrl(path)), kAnswer);
    Serve("current.xml", "<qzvrsetup/>");
    EXPECT_EQ(Get(NginxUrl(path)), "<qzvrsetup/>");
    const std::vector<std::string> lines = log.NewLines(3);
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& line : lines) EXPECT_EQ(line.substr(0, line.find("|200|")), "/" + path) << line;
}

// The request is opened for the preconfigured access: the user's manual proxy carries it, except to the
// hosts its bypass list names.
TEST_F(Request, AManualProxyCarriesTheRequestExceptToAHostOfItsBypassList)
{
    const std::string path = Serve("answer.xml", kAnswer);
    const std::string proxied = "http://corvane-svc.test:" + std::to_string(Port("CORVANE_DL_NGINX_PORT")) + "/" + path;
    ProxySetting proxy(true, ProxyAddress(), "127.0.0.1");
    LogTail log("proxy-requests.log");
    EXPECT_EQ(Get(proxied), kAnswer);
    EXPECT_EQ(Get(NginxUrl(path)), kAnswer);
    const std::vector<std::string> lines = log.NewLines(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].find("{\"line\": \"GET " + proxied + " HTTP/1.1\""), 0u) << lines[0];
}

}  // namespace
