// Latency by real TCP connect times against listeners on 127.0.0.1.
#include <QTcpServer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>

#include "ZevuTestSupport.h"

namespace zevu::test {
namespace {

class PingTest : public ZevuTest {
protected:
    void SetUp() override {
        ZevuTest::SetUp();
        ASSERT_TRUE(listener.listen(QHostAddress::LocalHost, 0));
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
        closedPort = closed.serverPort();
        closed.close();  // nothing listens there any more: connects are refused
        ZevuTestAPI::setPingTimeout(std::chrono::milliseconds(300));
    }
    std::string open() const { return "127.0.0.1:" + std::to_string(listener.serverPort()); }
    std::string shut() const { return "127.0.0.1:" + std::to_string(closedPort); }

    static ZevuDatacenters dc(std::int64_t id, const std::string& host) {
        ZevuDatacenters d;
        d.dataCenterId = id;
        d.hostname = host;
        d.ip = "192.0.2." + std::to_string(id % 250 + 1);
        return d;
    }

    QTcpServer listener;
    quint16 closedPort = 0;
};

TEST_F(PingTest, CitiesAreMeasuredAtTheirDataCentresAndUnreachableOnesStayUnmeasured) {
    ZevuTestAPI::setHostOverride("up.zevu.invalid", open());
    ZevuTestAPI::setHostOverride("down.zevu.invalid", shut());
    std::vector<ZevuCity> cities{
        ZevuCity{.cityId = 1, .name = "Up", .data_centers = std::vector{dc(11, "up.zevu.invalid"), dc(12, "down.zevu.invalid")}},
        ZevuCity{.cityId = 2, .name = "Down", .data_centers = std::vector{dc(21, "down.zevu.invalid")}},
        // No override: a name under .invalid is never looked up, so it is unmeasured at once.
        ZevuCity{.cityId = 3, .name = "Nowhere", .data_centers = std::vector{dc(31, "nowhere.zevu.invalid")}},
        ZevuCity{.cityId = 4, .name = "No data centres"},
    };
    std::promise<std::vector<ZevuCity>> answered;
    std::promise<std::thread::id> thread;
    const auto started = std::chrono::steady_clock::now();
    manager->getOptimizedCities(cities, [&](std::vector<ZevuCity> out) {
        thread.set_value(std::this_thread::get_id());
        answered.set_value(std::move(out));
    });
    auto out = answered.get_future().get();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_NE(thread.get_future().get(), std::this_thread::get_id());
    ASSERT_EQ(out.size(), 4u);
    EXPECT_GE(out[0].latency, 1);
    EXPECT_LT(out[0].latency, 300);
    EXPECT_EQ((*out[0].data_centers)[0].latency, out[0].latency);
    EXPECT_EQ((*out[0].data_centers)[1].latency, 0);
    EXPECT_EQ(out[1].latency, 0);
    EXPECT_EQ(out[2].latency, 0);
    EXPECT_EQ(out[3].latency, 0);
    EXPECT_FALSE(out[3].data_centers);
    EXPECT_EQ(out[0].name, "Up");  // the records come back as given, measured
}

TEST_F(PingTest, CountriesFromTheListAreMeasuredThroughTheGlobalOverride) {
    std::promise<std::vector<ZevuCountry>> listed;
    manager->getCountriesWithSuccess([&](auto l) { listed.set_value(l.value_or(std::vector<ZevuCountry>{})); }, nullptr);
    auto all = listed.get_future().get();
    ASSERT_GE(all.size(), 3u);
    std::vector<ZevuCountry> some(all.begin(), all.begin() + 3);
    ZevuTestAPI::setHostOverride(open());
    std::promise<std::vector<ZevuCountry>> measured;
    manager->getOptimizedCountries(some, [&](std::vector<ZevuCountry> out) { measured.set_value(std::move(out)); });
    auto out = measured.get_future().get();
    ASSERT_EQ(out.size(), 3u);
    for (const auto& c : out) {
        EXPECT_GE(c.latency, 1) << *c.country;
        for (const auto& d : *c.dataCenters) EXPECT_GE(d.latency, 1);
    }
    // The fastest measured city becomes the recommendation.
    std::promise<std::optional<ZevuLocation>> rec;
    manager->getRecommendedLocation([&](auto l) { rec.set_value(l); }, nullptr);
    auto location = rec.get_future().get();
    ASSERT_TRUE(location && location->country);
    const auto code = location->country->country;
    EXPECT_TRUE(code == out[0].country || code == out[1].country || code == out[2].country) << code.value_or("");
}

TEST_F(PingTest, DedicatedServerPingMeasuresOrReportsNoLatency) {
    struct Case {
        const char* label;
        std::string address;
        bool measured;
    } cases[] = {{"listening", open(), true}, {"closed port", shut(), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ZevuTestAPI::setHostOverride("dedicated.example.invalid", c.address);
        ZevuDedicatedIPServerPing ping("dedicated.example.invalid");
        ping.setServerIP("198.51.100.20");
        std::promise<std::optional<ZevuDedicatedIPServerPing>> answered;
        const auto started = std::chrono::steady_clock::now();
        manager->pingDedicatedIPServer(ping, [&](auto p) { answered.set_value(p); },
                                       [&](auto) { answered.set_value(std::nullopt); });
        auto result = answered.get_future().get();
        ASSERT_TRUE(result);
        EXPECT_EQ(result->serverAddress(), "dedicated.example.invalid");
        EXPECT_EQ(result->serverIP(), "198.51.100.20");
        EXPECT_EQ(result->latency().has_value(), c.measured);
        if (result->latency()) {
            EXPECT_GE(*result->latency(), 1);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    }
}

TEST_F(PingTest, AHostThatNeverAnswersIsUnmeasuredWithinTheTimeOut) {
    // A listener whose accept queue is full drops further handshakes, like a silent host.
    int server = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(server, 0), 0);
    socklen_t len = sizeof addr;
    ::getsockname(server, reinterpret_cast<sockaddr*>(&addr), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers.push_back(fd);
    }
    // Once the first handshake is done its connection fills the accept queue: the rest are dropped.
    pollfd first{fillers[0], POLLOUT, 0};
    ASSERT_EQ(::poll(&first, 1, int(morvex::test::kWaitTimeout.count())), 1);
    ZevuTestAPI::setHostOverride("silent.example.invalid", "127.0.0.1:" + std::to_string(ntohs(addr.sin_port)));
    ZevuTestAPI::setPingTimeout(std::chrono::milliseconds(200));
    std::promise<std::optional<std::int64_t>> answered;
    const auto started = std::chrono::steady_clock::now();
    manager->pingDedicatedIPServer(ZevuDedicatedIPServerPing("silent.example.invalid"),
                                   [&](auto p) { answered.set_value(p ? p->latency() : std::nullopt); }, nullptr);
    auto latency = answered.get_future().get();
    const auto took = std::chrono::steady_clock::now() - started;
    for (int fd : fillers) ::close(fd);
    ::close(server);
    EXPECT_FALSE(latency);
    EXPECT_GE(took, std::chrono::milliseconds(190));
    EXPECT_LT(took, std::chrono::seconds(2));
}

TEST_F(PingTest, APingWithoutAnyAddressIsAnError) {
    std::promise<int> code;
    manager->pingDedicatedIPServer(ZevuDedicatedIPServerPing(""), [&](auto) { code.set_value(0); },
                                   [&](std::optional<Error> e) { code.set_value(e ? e->code : 0); });
    EXPECT_EQ(code.get_future().get(), ErrorCode::InvalidArgument);
}

}  // namespace
}  // namespace zevu::test
