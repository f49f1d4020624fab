// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of the sound bank: looking an item up by name among 100, and loading a
// 5 MB bank into an open offline mixer device (every buffer made and filled).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "container/ObjectStream.h"
#include "platform/Clock.h"
#include "platform/Mixer.h"
#include "sound/DXSounds.h"

namespace {

class Window : public vl::sound::SoundOwnerWindow {
public:
    uint64_t NativeHandle() const override { return 1; }
    void AddHandleHook(const void*, std::function<void(uint64_t)>) override {}
    void RemoveHandleHook(const void*) override {}
};

void PutU32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 16-bit mono 44100 Hz wave block with `bytes` sample bytes of a ramp.
std::vector<uint8_t> Wave(uint32_t bytes) {
    const uint8_t fmt[16] = {1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2, 0, 16, 0};
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
    PutU32(b, 4 + 8 + 16 + 8 + bytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutU32(b, 16);
    b.insert(b.end(), fmt, fmt + 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    PutU32(b, bytes);
    for (uint32_t i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(i * 7));
    return b;
}

std::vector<uint8_t> Bank(const std::vector<std::string>& names, uint32_t sampleBytes) {
    vl::container::ObjectWriter w("TWaveCollectionComponent", "");
    w.BeginCollection("List");
    const std::vector<uint8_t> wave = Wave(sampleBytes);
    for (const auto& name : names) {
        w.BeginItem();
        w.WriteString("Name", name);
        w.WriteBinary("Wave.WAVE", wave);
        w.EndItem();
    }
    w.EndCollection();
    return w.Finish("TWAVECOLLECTIONCOMPONENT");
}

// The game's own kind of names: short lower-case words, many ending in "sp".
std::vector<std::string> HundredNames() {
    std::vector<std::string> names;
    const char* stems[] = {"tankstoji", "navig",  "alert", "gun",    "missile",
                           "machgun",   "magnet", "hit",   "explos", "getweap"};
    for (int i = 0; i < 100; ++i) {
        names.push_back(std::string(stems[i % 10]) + std::to_string(i) + (i % 3 ? "sp" : ""));
    }
    return names;
}

void BM_FindAmong100(benchmark::State& state) {
    const std::vector<std::string> names = HundredNames();
    vl::sound::TWaveCollection bank;
    bank.LoadFromStream(Bank(names, 2));
    // Looked up as the game writes them, in upper case half of the time.
    std::vector<std::string> queries = names;
    for (size_t i = 0; i < queries.size(); i += 2) {
        for (char& c : queries[i]) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(&bank.Find(queries[i]));
        if (++i == queries.size()) i = 0;
    }
}
BENCHMARK(BM_FindAmong100);

void BM_Load5MBIntoOpenDevice(benchmark::State& state) {
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) names.push_back("sound" + std::to_string(i));
    const std::vector<uint8_t> file = Bank(names, 250 * 1024);
    vl::platform::VirtualClock clock;
    vl::platform::OfflineAudioBackend backend;
    Window window;
    vl::sound::TDXSound device(vl::sound::SoundContext{&backend, &clock}, &window);
    vl::sound::TDXWaveList list("bench");
    list.SetDXSound(&device);
    device.Loaded();
    for (auto _ : state) {
        list.Items().LoadFromStream(file);
        benchmark::DoNotOptimize(list.Items().Items(19).Buffer());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_Load5MBIntoOpenDevice)->Unit(benchmark::kMillisecond);

} // namespace
