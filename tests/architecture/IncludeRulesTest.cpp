// The include rules over small source trees: each broken rule is reported by file and line, and a
// tree that keeps them passes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "IncludeRules.h"

namespace morvex::includecheck {
namespace {

namespace fs = std::filesystem;

class IncludeRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("include-rules-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        // A tree that keeps every rule: each folder includes only downwards.
        write("model/Record.h", "");
        write("state/Store.h", "#include \"model/Record.h\"\n");
        write("vpn/Engine.h", "#include \"state/Store.h\"\n");
        write("catalog/List.h", "#include \"vpn/Engine.h\"\n");
        write("viewmodels/PageModel.h", "#include <QObject>\n#include \"catalog/List.h\"\n");
        write("ui/kit/Style.h", "#include <QWidget>\n#include \"viewmodels/PageModel.h\"\n");
        write("ui/shell/Router.h", "#include \"ui/kit/Style.h\"\n");
        write("ui/dashboard/Dashboard.cpp", "#include \"ui/shell/Router.h\"\n#include \"ui/dashboard/Dashboard.h\"\n");
        write("ui/dashboard/Dashboard.h", "");
        write("ui/support/Help.h", "#include \"ui/kit/Style.h\"\n");
        write("app/Main.cpp", "#include \"ui/dashboard/Dashboard.h\"\n#include \"ui/support/Help.h\"\n");
    }
    void TearDown() override { fs::remove_all(root_); }

    void write(const std::string& relative, const std::string& text) {
        fs::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative) << text;
    }
    Report run() { return check(root_, {"QWidget", "QLabel", "qlabel.h"}); }

    fs::path root_;
};

TEST_F(IncludeRulesTest, ATreeThatKeepsTheRulesPasses) {
    const Report report = run();
    EXPECT_TRUE(report.violations.empty()) << report.violations.front();
    EXPECT_TRUE(report.cycles.empty());
    EXPECT_TRUE(report.edges.contains({"app", "ui/dashboard"}));
    EXPECT_FALSE(report.edges.contains({"ui/dashboard", "ui/dashboard"})) << "a folder's own headers are no edge";
}

// One broken rule each: the file added, and the file:line and words its report must carry.
TEST_F(IncludeRulesTest, EachBrokenRuleIsReportedByFileAndLine) {
    struct Case {
        std::string file, text, expected;
    };
    const std::vector<Case> cases = {
        {"ui/dashboard/Panes.cpp", "// two\n#include \"ui/support/Help.h\"\n",
         "ui/dashboard/Panes.cpp:2: the feature ui/dashboard includes the feature ui/support"},
        {"ui/kit/Cell.cpp", "#include \"ui/dashboard/Dashboard.h\"\n", "ui/kit/Cell.cpp:1: ui/kit includes ui/dashboard"},
        {"ui/shell/Tabs.cpp", "#include \"app/Main.cpp\"\n", "ui/shell/Tabs.cpp:1: ui/shell includes app"},
        {"viewmodels/Other.cpp", "#include \"ui/kit/Style.h\"\n", "viewmodels/Other.cpp:1: viewmodels includes ui/kit"},
        {"viewmodels/Bad.h", "#include <QLabel>\n", "viewmodels/Bad.h:1: the view model includes the Qt Widgets header <QLabel>"},
        {"viewmodels/Bad.h", "#include <QtWidgets/qlabel.h>\n", "the Qt Widgets header <QtWidgets/qlabel.h>"},
        {"model/Up.h", "#include \"state/Store.h\"\n", "model/Up.h:1: model includes state, a layer above it"},
    };
    for (const auto& c : cases) {
        SetUp();
        write(c.file, c.text);
        const Report report = run();
        bool found = false;
        for (const auto& line : report.violations) found = found || line.find(c.expected) != std::string::npos;
        EXPECT_TRUE(found) << c.file << ": no report containing \"" << c.expected << "\"";
    }
}

TEST_F(IncludeRulesTest, FoldersThatIncludeEachOtherRoundACycleAreReportedWithTheirEdges) {
    // Within one layer: catalog -> vpn (already), vpn -> session, session -> catalog.
    write("vpn/Dial.cpp", "#include \"session/Token.h\"\n");
    write("session/Token.h", "#include \"catalog/List.h\"\n");
    // And a direct pair: vpn <-> alerts.
    write("alerts/Alert.h", "#include \"vpn/Engine.h\"\n");
    write("vpn/Show.cpp", "\n\n#include \"alerts/Alert.h\"\n");
    const Report report = run();
    ASSERT_EQ(report.cycles.size(), 1u);
    EXPECT_EQ(report.cycles[0], (std::vector<std::string>{"alerts", "catalog", "session", "vpn"}));
    std::string all;
    for (const auto& line : report.violations) all += line + "\n";
    EXPECT_NE(all.find("include each other round a cycle"), std::string::npos) << all;
    EXPECT_NE(all.find("vpn -> alerts: vpn/Show.cpp:3"), std::string::npos) << all;
    EXPECT_NE(all.find("session -> catalog: session/Token.h:1"), std::string::npos) << all;
}

}  // namespace
}  // namespace morvex::includecheck
