// SPDX-License-Identifier: GPL-3.0-or-later
// The duel over the network with two simulators on loopback: the same match on both
// (identical dumps at equal frames, each side's shots heard on the other with the shooter's
// pan, Esc on one closing both), a joiner that dies mid-match, a joiner with other data,
// a relay that drops and delays datagrams, and garbage sent to the host's port.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/sim_support.h"
#include "match/Replay.h"
#include "net/NetDuel.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using vl::simtest::Has;

const fs::path kData(VL_DATA_DIR);
const fs::path kSim = fs::path(VL_BINARY_DIR) / "bin" / "vlnedla-sim";

// A simulator running in the background, its trace lines stamped with their arrival.
class SimProcess {
public:
    SimProcess(const fs::path& work, const std::string& name, const fs::path& data,
               const std::string& script, std::vector<std::string> args) {
        fs::create_directories(work);
        const fs::path scriptFile = work / (name + ".txt");
        std::ofstream(scriptFile) << script;
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        err_ = work / (name + ".err");
        const std::string err = err_.string();
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<std::string> all = {kSim.string(), "--data", data.string()};
        all.insert(all.end(), args.begin(), args.end());
        all.push_back(scriptFile.string());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, kSim.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        reader_ = std::thread([this, fd = out[0]] {
            FILE* f = fdopen(fd, "r");
            char buf[1 << 16];
            while (f && fgets(buf, sizeof buf, f)) {
                const std::lock_guard<std::mutex> lock(mutex_);
                lines_.push_back({Clock::now(), buf});
            }
            if (f) fclose(f);
        });
    }
    ~SimProcess() {
        if (pid_ > 0 && !exited_) Kill();
        if (reader_.joinable()) reader_.join();
    }
    void Kill() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
    }
    // Its exit code; one that runs past 90 s is killed (-1).
    int Wait() {
        if (pid_ <= 0) return -1;
        if (!exited_) {
            int status = 0;
            const auto deadline = Clock::now() + std::chrono::seconds(90);
            while (waitpid(pid_, &status, WNOHANG) == 0) {
                if (Clock::now() > deadline) {
                    ::kill(pid_, SIGKILL);
                    waitpid(pid_, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            exited_ = true;
            code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            if (reader_.joinable()) reader_.join();
        }
        return code_;
    }
    struct Line {
        Clock::time_point at;
        std::string text;
    };
    std::vector<Line> Lines() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    // The "match" member of every dump, by its frame count.
    std::map<std::string, std::string> MatchesByFrame() {
        std::vector<std::string> texts;
        for (const Line& l : Lines()) texts.push_back(l.text);
        return vl::simtest::MatchesByFrame(texts);
    }
    bool Heard(const std::string& item, int pan) {
        for (const Line& l : Lines())
            if (Has(l.text, "\"ev\":\"play\"") && Has(l.text, "\"item\":\"" + item + "\"") &&
                Has(l.text, "\"pan\":" + std::to_string(pan)))
                return true;
        return false;
    }

    // What it wrote to standard error, for a failure's message.
    std::string Err() const {
        std::ifstream in(err_);
        return {std::istreambuf_iterator<char>(in), {}};
    }

private:
    fs::path err_;
    pid_t pid_ = -1;
    bool exited_ = false;
    int code_ = -1;
    std::thread reader_;
    std::mutex mutex_;
    std::vector<Line> lines_;
};

// A UDP relay between a joiner and the host: each datagram is dropped with `loss` or held
// back 25 to 55 ms, both ways.
class Relay {
public:
    Relay(uint16_t listen, uint16_t host, double loss) : loss_(loss) {
        front_ = Bind(listen);
        back_ = Bind(0);
        host_.sin_family = AF_INET;
        host_.sin_port = htons(host);
        host_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        thread_ = std::thread([this] { Run(); });
    }
    ~Relay() {
        stop_ = true;
        thread_.join();
        close(front_);
        close(back_);
    }

private:
    static int Bind(uint16_t port) {
        const int s = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        return s;
    }
    struct Held {
        Clock::time_point due;
        bool toHost;
        std::vector<uint8_t> bytes;
    };
    void Run() {
        std::mt19937 rng(20261209);
        std::uniform_real_distribution<double> chance(0, 1);
        std::uniform_int_distribution<int> delay(25, 55);
        std::vector<Held> held;
        uint8_t buf[4096];
        while (!stop_) {
            for (const bool fromJoiner : {true, false}) {
                sockaddr_in from{};
                socklen_t len = sizeof from;
                const ssize_t n = recvfrom(fromJoiner ? front_ : back_, buf, sizeof buf, 0,
                                           reinterpret_cast<sockaddr*>(&from), &len);
                if (n <= 0) continue;
                if (fromJoiner) joiner_ = from, haveJoiner_ = true;
                if (chance(rng) < loss_) continue;
                held.push_back({Clock::now() + std::chrono::milliseconds(delay(rng)), fromJoiner,
                                std::vector<uint8_t>(buf, buf + n)});
            }
            const auto now = Clock::now();
            for (auto it = held.begin(); it != held.end();) {
                if (it->due > now) {
                    ++it;
                    continue;
                }
                if (it->toHost)
                    sendto(back_, it->bytes.data(), it->bytes.size(), 0,
                           reinterpret_cast<const sockaddr*>(&host_), sizeof host_);
                else if (haveJoiner_)
                    sendto(front_, it->bytes.data(), it->bytes.size(), 0,
                           reinterpret_cast<const sockaddr*>(&joiner_), sizeof joiner_);
                it = held.erase(it);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    double loss_;
    int front_ = -1, back_ = -1;
    sockaddr_in host_{}, joiner_{};
    bool haveJoiner_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class SimDuel : public ::testing::Test {
protected:
    // The simulators speak what their options choose, never the machine's locale.
    static void SetUpTestSuite() {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) unsetenv(name);
        setenv("LANG", "C.UTF-8", 1);
    }
    void SetUp() override {
        if (!fs::exists(kData / "snd" / "game.dat") || !fs::exists(kData / "pics" / "game.dat"))
            GTEST_SKIP() << "no generated data in " << kData;
    }
    static fs::path Work() {
        return fs::path(VL_BINARY_DIR) / "test-app-duel" / std::to_string(getpid());
    }
    // A port of this test run's own: eight a process (n 0..7), so that tests running side
    // by side never share one.
    static uint16_t Port(int n) { return static_cast<uint16_t>(30000 + (getpid() % 3000) * 8 + n); }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(Work(), ec);
    }
};

// A dump after each of `frames` frames (10 ms each).
std::string Dumps(int frames) {
    std::string out;
    for (int i = 0; i < frames; ++i) out += "dump\nwait 10\n";
    return out;
}

// The host starts the match, both move and fire and dump after every frame; the joiner's
// Esc closes both; both dump once more when all is still. No counter key and no empty gun:
// a dump during a sound played with wait would catch a frame half run.
const std::string kHostScript = "wait 1800\npress ENTER\nawait Form1\ndown E\ndown SPACE\n" +
                                Dumps(100) + "up SPACE\nup E\npress X\n" + Dumps(100) +
                                "wait 2000\ndump\n";
const std::string kJoinerScript = "await Form1\ndown DOWN\npress SHIFT\npress NUMPAD0\n" +
                                  Dumps(100) + "up DOWN\n" + Dumps(50) +
                                  "press ESCAPE\nwait 1500\ndump\n";

// Identical dumps at equal frames, and the last one — after Esc — on both.
void ExpectSameMatch(SimProcess& host, SimProcess& joiner) {
    const auto h = host.MatchesByFrame(), j = joiner.MatchesByFrame();
    int common = 0;
    for (const auto& [frames, match] : h) {
        const auto it = j.find(frames);
        if (it == j.end()) continue;
        ++common;
        EXPECT_EQ(match, it->second) << "frames " << frames;
    }
    EXPECT_GE(common, 20) << "host dumps " << h.size() << ", joiner dumps " << j.size();
    ASSERT_FALSE(h.empty());
    ASSERT_FALSE(j.empty());
    EXPECT_EQ(h.rbegin()->second, j.rbegin()->second); // after Esc: stopped on both
    EXPECT_TRUE(Has(h.rbegin()->second, "\"gamerunning\"")) << h.rbegin()->second;
}

// The host speaks Czech and the joiner English: each hears its own language, and the match
// is the same.
TEST_F(SimDuel, BothSimulatorsPlayTheSameMatchAndEscOnOneClosesBoth) {
    ASSERT_TRUE(fs::exists(kData / "lang" / "en" / "snd" / "game.dat"));
    const fs::path hostReplays = Work() / "host-replays", joinerReplays = Work() / "joiner-replays";
    SimProcess host(Work(), "host", kData, kHostScript,
                    {"--host", std::to_string(Port(0)), "--record", hostReplays.string()});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SimProcess joiner(Work(), "joiner", kData, kJoinerScript,
                      {"--join", "127.0.0.1:" + std::to_string(Port(0)), "--language", "en",
                       "--record", joinerReplays.string()});
    ASSERT_EQ(joiner.Wait(), 0) << joiner.Err() << host.Err();
    ASSERT_EQ(host.Wait(), 0) << host.Err();
    ExpectSameMatch(host, joiner);
    const auto english = [](SimProcess& p) {
        for (const auto& l : p.Lines())
            if (Has(l.text, "\"ev\":\"dump\"")) return Has(l.text, "\"language\":\"en\"");
        return false;
    };
    EXPECT_TRUE(english(joiner));
    EXPECT_FALSE(english(host));
    // Both kept the same match: the same seed, frames and final state.
    const auto kept = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return vl::match::DecodeReplay(
            std::vector<uint8_t>{std::istreambuf_iterator<char>(in), {}});
    };
    const vl::match::Replay h = kept(hostReplays / "1.vlr"), j = kept(joinerReplays / "1.vlr");
    EXPECT_EQ(h.mode, vl::match::ReplayMode::NetworkHost);
    EXPECT_EQ(j.mode, vl::match::ReplayMode::NetworkJoin);
    EXPECT_EQ(h.seed, j.seed);
    EXPECT_GT(h.frames.size(), 100U);
    EXPECT_TRUE(h.frames == j.frames);
    EXPECT_EQ(h.finalState, j.finalState);
    EXPECT_EQ(h.dataHash, j.dataHash); // English and Czech data decide the same match
    // The kept duel plays again as it was played.
    const vl::simtest::SimRun again =
        vl::simtest::Sim(Work() / "again", kData, Dumps(400),
                         "--replay '" + (joinerReplays / "1.vlr").string() + "'");
    EXPECT_EQ(again.exitCode, 0) << again.err;
    const auto played = host.MatchesByFrame(), replayed = vl::simtest::MatchesByFrame(again.lines);
    int common = 0;
    for (const auto& [frames, match] : played)
        if (const auto it = replayed.find(frames); it != replayed.end()) {
            ++common;
            EXPECT_EQ(match, it->second) << "frames " << frames;
        }
    EXPECT_GE(common, 100);
    // Both run on the delay the host chose from its round trip.
    const std::regex chose("input delay ([0-9]+) frames");
    std::smatch hostDelay, joinerDelay;
    const std::string hostErr = host.Err(), joinerErr = joiner.Err();
    ASSERT_TRUE(std::regex_search(hostErr, hostDelay, chose)) << hostErr;
    ASSERT_TRUE(std::regex_search(joinerErr, joinerDelay, chose)) << joinerErr;
    EXPECT_EQ(hostDelay[1], joinerDelay[1]);
    // Each side's shots on the other machine, panned to the shooter.
    EXPECT_TRUE(joiner.Heard("gun", -10000));
    EXPECT_TRUE(host.Heard("gun", 10000));
    EXPECT_TRUE(host.Heard("machgun", 10000));
    EXPECT_TRUE(joiner.Heard("machgun", -10000));
    // The joiner's program ended after its script: the host was told the opponent left.
    EXPECT_TRUE(host.Heard("netleftsp", 0));
    // Both heard that the other connected; the match window closed on both.
    for (SimProcess* p : {&host, &joiner}) {
        EXPECT_TRUE(p->Heard("netjoinedsp", 0));
        bool hidden = false;
        for (const auto& l : p->Lines())
            hidden = hidden || (Has(l.text, "\"ev\":\"hide\"") && Has(l.text, "\"Form1\""));
        EXPECT_TRUE(hidden);
    }
}

// The joiner's "Start hry" starts the match on both; a state changed on one machine only is
// found at the next comparison, ends the match on both with a message, and both states go
// to a file.
TEST_F(SimDuel, TheJoinerStartsAndADifferenceEndsTheMatchOnBothWithAReport) {
    const std::string port = std::to_string(Port(3));
    SimProcess host(Work(), "host5", kData, "await Form1\nwait 4000\ndump\n", {"--host", port});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SimProcess joiner(Work(), "joiner5", kData,
                      "wait 1800\npress ENTER\nawait Form1\nwait 500\nset right.bullets 7\n"
                      "wait 3000\ndump\n",
                      {"--join", "127.0.0.1:" + port});
    ASSERT_EQ(joiner.Wait(), 0) << joiner.Err() << host.Err();
    ASSERT_EQ(host.Wait(), 0) << host.Err();
    for (SimProcess* p : {&host, &joiner}) {
        bool shown = false, hidden = false, box = false;
        for (const auto& l : p->Lines()) {
            shown = shown || (Has(l.text, "\"ev\":\"show\"") && Has(l.text, "\"Form1\""));
            hidden = hidden || (Has(l.text, "\"ev\":\"hide\"") && Has(l.text, "\"Form1\""));
            if (Has(l.text, "\"ev\":\"msgbox\"") && Has(l.text, "vlnedla-desync-")) {
                box = true;
                const size_t at = l.text.find("/"), end = l.text.find(".txt", at);
                const fs::path report = l.text.substr(at, end + 4 - at);
                std::ifstream in(report);
                const std::string text{std::istreambuf_iterator<char>(in), {}};
                EXPECT_NE(text.find("bullets=7"), std::string::npos) << report;
                EXPECT_NE(text.find("--- the peer"), std::string::npos) << report;
                std::error_code ec;
                fs::remove(report, ec);
            }
        }
        EXPECT_TRUE(shown && hidden && box);
    }
}

// The host notices the silence after its limit; the bound leaves a slow machine 2.5 s more.
TEST_F(SimDuel, AJoinerThatDiesMidMatchClosesTheHostsMatchAfterTheSilenceLimit) {
    SimProcess host(Work(), "host2", kData, "wait 1800\npress ENTER\nwait 12000\ndump\n",
                    {"--host", std::to_string(Port(1))});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SimProcess joiner(Work(), "joiner2", kData, "await Form1\nwait 60000\n",
                      {"--join", "127.0.0.1:" + std::to_string(Port(1))});
    // Once the match runs on the host, the joiner stops dead (no word to the host).
    Clock::time_point killed{};
    for (int i = 0; i < 100 && killed == Clock::time_point{}; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (const auto& l : host.Lines())
            if (Has(l.text, "\"ev\":\"show\"") && Has(l.text, "\"Form1\"")) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1000));
                joiner.Kill();
                killed = Clock::now();
                break;
            }
    }
    ASSERT_NE(killed, Clock::time_point{})
        << "the match never started on the host: " << host.Err() << joiner.Err();
    ASSERT_EQ(host.Wait(), 0);
    Clock::time_point closed{};
    for (const auto& l : host.Lines())
        if (Has(l.text, "\"ev\":\"hide\"") && Has(l.text, "\"Form1\"")) closed = l.at;
    ASSERT_NE(closed, Clock::time_point{}) << "the host's match was never closed";
    EXPECT_LT(closed - killed, std::chrono::milliseconds(vl::net::kSilenceLimitMs + 2500));
    EXPECT_TRUE(host.Heard("netlostsp", 0));
}

// A program that ends while its duel's match runs (its script ends: a signal, in the real
// program) tears the duel down cleanly, and the peer hears that it left.
TEST_F(SimDuel, AHostThatEndsMidMatchEndsCleanlyAndTheJoinerHearsIt) {
    const std::string port = std::to_string(Port(4));
    SimProcess host(Work(), "host6", kData, "wait 1800\npress ENTER\nawait Form1\nwait 500\n",
                    {"--host", port});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SimProcess joiner(Work(), "joiner6", kData, "await Form1\nwait 4000\n",
                      {"--join", "127.0.0.1:" + port});
    EXPECT_EQ(host.Wait(), 0) << host.Err();
    EXPECT_EQ(joiner.Wait(), 0) << joiner.Err();
    EXPECT_TRUE(joiner.Heard("netleftsp", 0));
}

TEST_F(SimDuel, AJoinerWithOtherDataIsRefusedWithExitCodeThree) {
    const fs::path other = Work() / "other-data";
    fs::create_directories(other / "snd");
    fs::create_directories(other / "pics");
    for (const char* f : {"snd/game.dat", "snd/menu.dat", "snd/guide.dat", "pics/game.dat"})
        fs::copy_file(kData / f, other / f, fs::copy_options::overwrite_existing);
    std::ofstream(other / "pics" / "game.dat", std::ios::app) << 'x';
    // The joiner ends when it is refused; its script only bounds a run where it is not
    // (long enough for a slow, loaded machine's start-up).
    SimProcess host(Work(), "host3", kData, "wait 12000\n", {"--host", std::to_string(Port(2))});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SimProcess joiner(Work(), "joiner3", other, "wait 10000\n",
                      {"--join", "127.0.0.1:" + std::to_string(Port(2))});
    EXPECT_EQ(joiner.Wait(), 3);
    EXPECT_EQ(host.Wait(), 0);
    EXPECT_TRUE(host.Heard("netversionsp", 0));
    bool box = false;
    for (const auto& l : joiner.Lines()) box = box || Has(l.text, "\"ev\":\"msgbox\"");
    EXPECT_TRUE(box);
}

TEST_F(SimDuel, ALossyLateLinkAndGarbageAtTheHostsPortLeaveTheMatchTheSame) {
    const uint16_t hostPort = Port(0), relayPort = static_cast<uint16_t>(Port(0) + 20000);
    SimProcess host(Work(), "host4", kData, kHostScript, {"--host", std::to_string(hostPort)});
    Relay relay(relayPort, hostPort, 0.10);
    // A third party throws datagrams of every kind at the host's port meanwhile.
    std::atomic<bool> stop{false};
    std::thread garbage([&stop, hostPort] {
        const int s = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(hostPort);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::mt19937 rng(7);
        uint8_t buf[600];
        while (!stop) {
            const size_t n = 1 + rng() % sizeof buf;
            for (size_t i = 0; i < n; ++i) buf[i] = static_cast<uint8_t>(rng());
            sendto(s, buf, n, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        close(s);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SimProcess joiner(Work(), "joiner4", kData, kJoinerScript,
                      {"--join", "127.0.0.1:" + std::to_string(relayPort)});
    // And a third machine knocks at the host's port mid-match: never answered.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    SimProcess third(Work(), "third4", kData, "wait 2000\n",
                     {"--join", "127.0.0.1:" + std::to_string(hostPort)});
    EXPECT_EQ(third.Wait(), 0);
    EXPECT_FALSE(third.Heard("netjoinedsp", 0));
    const int joined = joiner.Wait();
    const int hosted = host.Wait();
    stop = true;
    garbage.join();
    ASSERT_EQ(joined, 0) << joiner.Err() << host.Err();
    ASSERT_EQ(hosted, 0) << host.Err();
    ExpectSameMatch(host, joiner);
    EXPECT_TRUE(joiner.Heard("gun", -10000));
    EXPECT_TRUE(host.Heard("gun", 10000));
}

} // namespace

// The same duel reached from the menus: the host's "Založit hru" on the port of its settings,
// which speaks its addresses; the joiner's "Připojit se" with a typed address, which it
// keeps for the next time.
TEST_F(SimDuel, HostedAndJoinedFromTheMenus) {
    const fs::path hostConfig = Work() / "menu-host", joinerConfig = Work() / "menu-joiner";
    fs::create_directories(hostConfig / "vlnedla");
    std::ofstream(hostConfig / "vlnedla" / "settings.ini") << "port = " << Port(6) << "\n";
    const std::string toNetwork = "wait 2500\npress DOWN\npress DOWN\nwait 300\npress ENTER\n"
                                  "wait 2500\n";
    const auto spawn = [&](const fs::path& config, const std::string& name,
                           const std::string& script) {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        auto p =
            std::make_unique<SimProcess>(Work(), name, kData, script, std::vector<std::string>{});
        unsetenv("XDG_CONFIG_HOME");
        return p;
    };
    auto host =
        spawn(hostConfig, "menu-host",
              toNetwork + "press ENTER\nawait Form1\ndown E\n" + Dumps(100) + "wait 3000\n");
    // The joiner comes once the host has said its addresses.
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    auto joiner =
        spawn(joinerConfig, "menu-joiner",
              toNetwork + "press DOWN\nwait 300\npress ENTER\nwait 1000\ntype 127.0.0.1:" +
                  std::to_string(Port(6)) + "\npress ENTER\nawait Form1\n" + Dumps(100) +
                  "press ESCAPE\nwait 1500\n");
    ASSERT_EQ(joiner->Wait(), 0) << joiner->Err() << host->Err();
    ASSERT_EQ(host->Wait(), 0) << host->Err();
    ExpectSameMatch(*host, *joiner);
    // Its addresses, or that it has none on a machine without a network.
    EXPECT_TRUE(host->Heard("hostaddresssp", 0) || host->Heard("noaddresssp", 0)) << [&] {
        std::string said;
        for (const auto& l : host->Lines())
            if (Has(l.text, "DXWaveListmenu") && Has(l.text, "\"play\"")) said += l.text + "\n";
        return said;
    }();
    EXPECT_TRUE(host->Heard("netjoinedsp", 0));
    std::ifstream in(joinerConfig / "vlnedla" / "settings.ini");
    const std::string kept{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(kept.find("join_address = 127.0.0.1:" + std::to_string(Port(6))), std::string::npos)
        << kept;
}
