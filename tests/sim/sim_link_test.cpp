// benchlink-sim --com: its link in the COM port folder, who may replace it, and
// that it goes when the simulator stops.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/sim_process.h"
#include "support/pty_pair.h"

namespace {

namespace fs = std::filesystem;

class SimLink : public testing::Test {
protected:
    std::string link(int n) const { return folder.ports_folder() + "/com" + std::to_string(n); }
    std::string target(int n) const {
        std::error_code ec;
        return fs::read_symlink(link(n), ec).string();
    }
    bool exists(const std::string& path) const {
        std::error_code ec;
        return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
    }

    ComPortFolder folder; // the children inherit its XDG_CONFIG_HOME
};

TEST_F(SimLink, LinksTheSlaveAndRemovesTheLinkOnStop) {
    SimProcess sim = startSim({"--com", "4"});
    ASSERT_TRUE(sim.ok()) << sim.child->err();
    EXPECT_EQ(sim.line, "COM4 -> " + sim.path);
    EXPECT_EQ(target(4), sim.path);
    std::ifstream pidFile(link(4) + ".pid");
    int pid = 0;
    pidFile >> pid;
    EXPECT_EQ(pid, sim.child->pid());

    sim.child->signal(SIGTERM);
    EXPECT_EQ(sim.child->wait(), 0);
    EXPECT_FALSE(exists(link(4)));
    EXPECT_FALSE(exists(link(4) + ".pid"));
}

TEST_F(SimLink, SigintAlsoRemovesTheLink) {
    SimProcess sim = startSim({"--com", "5"});
    ASSERT_TRUE(sim.ok());
    sim.child->signal(SIGINT);
    EXPECT_EQ(sim.child->wait(), 0);
    EXPECT_FALSE(exists(link(5)));
}

TEST_F(SimLink, RefusesAPortServedByARunningSimulator) {
    SimProcess first = startSim({"--com", "4"});
    ASSERT_TRUE(first.ok());
    const ProgramResult second = runProgram(BENCHLINK_SIM_PROGRAM, {"--com", "4"});
    EXPECT_EQ(second.code, 1);
    EXPECT_NE(second.err.find("COM4 is served by benchlink-sim (pid " + std::to_string(first.child->pid()) + ")"),
              std::string::npos)
        << second.err;
    EXPECT_EQ(target(4), first.path);
    // The first one still answers through its link.
    FarLine line(link(4));
    ASSERT_TRUE(line.ok());
    EXPECT_EQ(ask(line, "% 1,1,16,0"), "% 1,1,16,0,4,1");
}

TEST_F(SimLink, ReplacesALinkLeftByASimulatorThatIsGone) {
    // A link to a terminal that no longer exists, and a pid file naming a
    // process that is no simulator (this test).
    fs::create_symlink("/dev/pts/99999", link(6));
    std::ofstream(link(6) + ".pid") << getpid() << "\n";
    SimProcess sim = startSim({"--com", "6"});
    ASSERT_TRUE(sim.ok()) << sim.child->err();
    EXPECT_EQ(target(6), sim.path);
}

TEST_F(SimLink, ReplacesALinkToATerminalNobodyServes) {
    PtyPair other;
    ASSERT_TRUE(folder.link(7, other));
    SimProcess sim = startSim({"--com", "7"});
    ASSERT_TRUE(sim.ok()) << sim.child->err();
    EXPECT_EQ(target(7), sim.path);
}

TEST_F(SimLink, LeavesAUsersOwnMappingAlone) {
    fs::create_symlink("/dev/null", link(8));
    const ProgramResult r = runProgram(BENCHLINK_SIM_PROGRAM, {"--com", "8"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("leads to /dev/null"), std::string::npos) << r.err;
    EXPECT_EQ(target(8), "/dev/null");
    EXPECT_FALSE(exists(link(8) + ".pid"));
}

TEST_F(SimLink, LeavesAFileThatIsNoLinkAlone) {
    std::ofstream(link(9)) << "mine\n";
    const ProgramResult r = runProgram(BENCHLINK_SIM_PROGRAM, {"--com", "9"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("is not a link"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_regular_file(link(9)));
}

} // namespace
