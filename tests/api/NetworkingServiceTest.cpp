#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <fstream>

#include "FakeService.h"
#include "api/AccessTokenInterceptor.h"
#include "api/FakeAuth.h"
#include "zevu/ZevuCore.h"
#include "api/ApiResponse.h"
#include "api/Networking.h"
#include "model/ServiceHosts.h"
#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "foundation/Value.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

using fake::Answer;
using namespace std::chrono_literals;

struct Greeting {
    static constexpr bool emptyObjectRepresentable = true;
    std::string name;
};
void from_json(const nlohmann::json& j, Greeting& g) { g.name = coding::requiredString(j, "name"); }

bool onMainThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

class NetworkingServiceTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
    }
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        TempConfigTest::TearDown();
    }

    // Sends through the session with the endpoint's interceptor; checks one answer on the main thread.
    http::DataResponse send(Endpoint endpoint, http::Method method, std::optional<nlohmann::json> body = {}) {
        http::Request request{Networking::makeURL(endpoint), method};
        if (body) request.setJSONBody(*body);
        std::vector<http::DataResponse> answers;
        bool main = true;
        http::Session::shared().request(request, std::make_shared<AccessTokenInterceptor>(scope(endpoint), AppPreferences(), User(), nullptr, &auth), true,
                                        [&](const http::DataResponse& r) {
                                            main = main && onMainThread();
                                            answers.push_back(r);
                                        });
        EXPECT_TRUE(test::waitUntil([&] { return !answers.empty(); }));
        test::settleRequests();
        EXPECT_EQ(answers.size(), 1u);
        EXPECT_TRUE(main);
        return answers.empty() ? http::DataResponse{} : answers[0];
    }

    fake::FakeService service;
    test::FakeAuth auth{"access-9"};
};

TEST_F(NetworkingServiceTest, GetAndPostReachTheServiceSignedAndAreAnsweredOnce) {
    service.route("GET", "/MorvexVPN/user/profile/v3", Answer::envelope({{"name", "alex"}}));
    auto got = send(Endpoint::Profile, http::Method::GET);
    ASSERT_FALSE(got.error);
    auto decoded = decode<ApiResponse<Greeting>>(*got.data);
    ASSERT_TRUE(decoded && decoded->body);
    EXPECT_EQ(decoded->body->name, "alex");

    auto posted = send(Endpoint::SubmitTicket, http::Method::POST, nlohmann::json{{"username", "alex"}, {"message", "hi"}});
    ASSERT_FALSE(posted.error);

    auto records = service.requests();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].header("Authorization"), "Bearer access-9");
    EXPECT_EQ(records[1].header("Token"), AccessTokenInterceptor::tokenDigest("alex"));
    EXPECT_EQ(records[1].json()->at("message"), "hi");
    EXPECT_EQ(records[1].path, "/MorvexVPN/ticket/create");
}

TEST_F(NetworkingServiceTest, TransportFailuresBecomeTheUserFacingErrors) {
    struct Case { const char* name; Answer answer; int code; };
    const Case cases[] = {
        {"dropped connection", Answer::dropped(), -1005},
        {"dropped mid body", Answer::dropped(Answer::Drop::midBody), -1005},
        {"server error", Answer::json({{"error", "boom"}}, 500), 500},
        {"empty answer", Answer::empty(200), http::SessionError::inputDataNilOrZeroLength},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.failNext("/MorvexVPN/user/profile/v3", c.answer);
        auto answer = send(Endpoint::Profile, http::Method::GET);
        ASSERT_TRUE(answer.error);
        Error shown = Networking::handleFailedResponse(answer);
        EXPECT_EQ(shown.domain, "MorvexVPNError");
        EXPECT_EQ(shown.code, c.code);
        EXPECT_EQ(shown.localizedDescription(), Networking::errorMessage(c.code));
    }
}

TEST_F(NetworkingServiceTest, ARedirectAwayFromTheServiceIsRefusedAndNoTokenOrPasswordLeaves) {
    fake::FakeService elsewhere;
    ASSERT_TRUE(elsewhere.start());
    elsewhere.route("*", ".*", Answer::envelope({}));
    for (int status : {301, 302, 307, 308}) {
        SCOPED_TRACE(status);
        for (auto path : {"/MorvexVPN/user/profile/v3", "/MorvexVPN/user/login/v3"})
            service.failNext(path, Answer::redirect(status, elsewhere.baseURL() + "/collect"));
        auto profile = send(Endpoint::Profile, http::Method::GET);
        auto login = send(Endpoint::Login, http::Method::POST, nlohmann::json{{"username", "alex"}, {"password", "hunter2"}});
        for (const auto* answer : {&profile, &login}) {
            ASSERT_TRUE(answer->error);
            EXPECT_EQ(Networking::handleFailedResponse(*answer).code, http::URLError::httpTooManyRedirects);
        }
    }
    EXPECT_TRUE(elsewhere.requests().empty());
}

TEST_F(NetworkingServiceTest, AnAccessTokenWithALineBreakIsNeverSent) {
    auth.token = "access-9\r\nX-Injected: 1";
    auto answer = send(Endpoint::Profile, http::Method::GET);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->code, http::SessionError::invalidRequestHeader);
    EXPECT_TRUE(service.requests().empty());
}

TEST_F(NetworkingServiceTest, TheClientIdReachesTheServiceAsOnePathSegment) {
    test::LocalHttpServer raw;  // it keeps the request target as it came
    hosts::setServiceURLOverride(raw.baseURL());
    const std::string prefix = "/MorvexVPN/refer-a-friend/";
    for (std::string id : {"42", "../../user/profile/v3", "..", ".", "a/b", "a?b#c", "%2e%2e%2F", "a b"}) {
        SCOPED_TRACE(id);
        UserDefaults::standard().set(Value(id), "UserPreferences.clientId");
        send(Endpoint::ReferAFriend, http::Method::GET);
        ASSERT_FALSE(raw.requests().empty());
        const std::string target = raw.requests().back().target;
        ASSERT_TRUE(target.starts_with(prefix)) << target;
        const std::string segment = target.substr(prefix.size());
        EXPECT_EQ(segment.find_first_of("/?#"), std::string::npos) << target;
        EXPECT_NE(segment, "..");
        EXPECT_NE(segment, ".");
        EXPECT_EQ(QUrl::fromPercentEncoding(QByteArray::fromStdString(segment)).toStdString(), id) << target;
    }
}

class DownloadTest : public NetworkingServiceTest {
protected:
    Result<std::filesystem::path> download(const std::string& path, std::vector<double>* remaining = nullptr) {
        std::optional<Result<std::filesystem::path>> result;
        bool main = true;
        auto& networking = Networking::shared();
        std::string id = networking.downloadPackage(
            service.baseURL() + path,
            [&](const http::Progress&, double left) {
                main = main && onMainThread();
                if (remaining) remaining->push_back(left);
            },
            [&](Result<std::filesystem::path> r) {
                main = main && onMainThread();
                result = std::move(r);
            });
        EXPECT_TRUE(networking.downloadRequests.contains(id));
        EXPECT_TRUE(test::waitUntil([&] { return result.has_value(); }));
        EXPECT_TRUE(main);
        EXPECT_FALSE(networking.downloadRequests.contains(id));
        return result ? *result : fail(Error("test", 0, "no answer"));
    }

    static std::string contents(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
};

TEST_F(DownloadTest, PackageLandsInTheApplicationsFolderWithProgress) {
    std::string bytes(96 * 1024, 'p');
    service.route("GET", "/pkg/Channel.pkg", Answer::file(bytes, "Channel.pkg").inChunks(16 * 1024, 5ms));
    std::vector<double> remaining;
    auto landed = download("/pkg/Channel.pkg", &remaining);
    ASSERT_TRUE(landed) << landed.error().localizedDescription();
    EXPECT_EQ(*landed, configDir() / "Channel.pkg");
    EXPECT_EQ(contents(*landed), bytes);
    ASSERT_FALSE(remaining.empty());
    EXPECT_EQ(remaining.back(), 0.0);
}

TEST_F(DownloadTest, ANameThatIsNoneOrAPathStillLandsAsAFileInsideTheFolder) {
    std::filesystem::create_directories(configDir() / "keep");
    std::ofstream(configDir() / "keep" / "note") << "mine";
    // No name at all: the URL ends in a slash and the server proposes none.
    service.route("GET", "/pkg/", Answer::file("first"));
    auto unnamed = download("/pkg/");
    ASSERT_TRUE(unnamed) << unnamed.error().localizedDescription();
    EXPECT_EQ(*unnamed, configDir() / "MorvexVPN.pkg");
    EXPECT_EQ(contents(*unnamed), "first");

    // A proposed path is cut to its last name; a folder of that name is never replaced.
    service.route("GET", "/pkg/evil", Answer::file("second", "../../keep"));
    auto evil = download("/pkg/evil");
    ASSERT_FALSE(evil);
    EXPECT_EQ(contents(configDir() / "keep" / "note"), "mine");
    service.route("GET", "/pkg/evil", Answer::file("second", "../../Other.pkg"));
    auto other = download("/pkg/evil");
    ASSERT_TRUE(other);
    EXPECT_EQ(*other, configDir() / "Other.pkg");

    // A later download replaces the earlier file.
    service.route("GET", "/pkg/", Answer::file("third"));
    ASSERT_TRUE(download("/pkg/"));
    EXPECT_EQ(contents(configDir() / "MorvexVPN.pkg"), "third");
}

TEST_F(DownloadTest, AMissingPackageFailsAndLeavesNoFile) {
    auto missing = download("/pkg/Nope.pkg");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, 404);
    EXPECT_FALSE(std::filesystem::exists(configDir() / "Nope.pkg"));
}

TEST(DownloadEstimateTest, RemainingTimeGrowsFromElapsedAndFraction) {
    EXPECT_EQ(Networking::remainingSeconds(10, 0.25), 30.0);
    EXPECT_EQ(Networking::remainingSeconds(10, 0.3), 24.0);  // 23.33 rounds up
    EXPECT_EQ(Networking::remainingSeconds(4, 1.0), 0.0);
    EXPECT_EQ(Networking::remainingSeconds(10, 0.0), std::nullopt);
}

TEST(ReachabilityTest, TheFirstReachableReportIsSwallowedAndAConnectedVPNSilencesIt) {
    Networking networking;
    std::vector<bool> posted;
    auto token = NotificationCenter::defaultCenter().addObserver(
        kNetworkReachabilityChangedNotification, [&](const Notification& n) {
            auto* object = n.objectAs<std::map<std::string, bool>>();
            ASSERT_TRUE(object);
            posted.push_back(object->at("reachable"));
        });
    int vpn = 0;
    networking.vpnStatus = [&] { return vpn; };
    networking.handleReachabilityChange(Networking::Status::reachable);
    EXPECT_TRUE(posted.empty());
    networking.handleReachabilityChange(Networking::Status::notReachable);
    networking.handleReachabilityChange(Networking::Status::unknown);
    networking.handleReachabilityChange(Networking::Status::reachable);
    vpn = zevu::rawValue(zevu::ZevuVPNState::Connected);
    networking.handleReachabilityChange(Networking::Status::reachable);
    EXPECT_EQ(posted, (std::vector<bool>{false, false, true}));
}

TEST(DeviceIdentityTest, MachineIdAndProductNameAreReadStrictly) {
    test::TempDir dir;
    auto write = [&](const char* name, std::string text) {
        std::ofstream(dir.path() / name, std::ios::binary) << text;
        return dir.path() / name;
    };
    EXPECT_EQ(Networking::deviceUUIDFrom(write("id", "0123456789abcdef0123456789abcdef\n")),
              "01234567-89AB-CDEF-0123-456789ABCDEF");
    EXPECT_EQ(Networking::deviceUUIDFrom(write("short", "0123\n")), "");
    EXPECT_EQ(Networking::deviceUUIDFrom(dir.path() / "absent"), "");
    EXPECT_EQ(Networking::hardwareModelFrom(write("model", "ThinkPad X1\n")), "ThinkPad X1");
    EXPECT_EQ(Networking::hardwareModelFrom(write("zero", std::string("Box\0junk", 8))), "Box");
    EXPECT_EQ(Networking::hardwareModelFrom(write("bad", "\xff\xfe")), "");
}

}  // namespace
}  // namespace morvex
