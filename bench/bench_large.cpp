// A batch of 10,000 files of all four kinds, and the update of one large INI file, each beside
// writing the same bytes plainly.
#include "BenchSupport.h"
#include "app/Driver.h"
#include "export/IniOutput.h"
#include "options/ProcessState.h"
#include "platform/RegistryStore.h"
#include "platform/Services.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {
namespace fs = std::filesystem;
using namespace hortivex;
using bench::NullMessages;
using bench::NullProgress;
using bench::ReadAll;

constexpr int kMixedFiles = 10'000;

fs::path MakeFolder() {
    std::string pattern = (fs::temp_directory_path() / "hxbench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return pattern;
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(out);
}

// The peak resident memory of the process so far, in kilobytes.
double PeakRssKilobytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss);
}

// kMixedFiles small inputs, the four kinds taking turns, made once per process. The options
// file of the settings exports goes into the same folder.
struct MixedBatch {
    MixedBatch() : folder(MakeFolder()) {
        const std::pair<const char*, std::size_t> kinds[] = {
            {".fvs", 118}, {".fvd", 32}, {".avs", 177}, {".ava", 40}};
        for (int i = 0; i < kMixedFiles; ++i) {
            const auto& [extension, size] = kinds[i % 4];
            std::string bytes(size, '\0');
            for (std::size_t b = 0; b < size; ++b)
                bytes[b] = static_cast<char>((b * 31 + static_cast<std::size_t>(i) * 7) & 0xFF);
            const fs::path path = folder / ("f" + std::to_string(i) + extension);
            WriteAll(path, bytes);
            files.push_back(path.string());
            paths.push_back(path);
        }
    }
    ~MixedBatch() { fs::remove_all(folder); }

    void RemoveOutputs() const {
        for (const auto& f : files)
            fs::remove(f + ".ini");
    }

    bool Convert() const {
        NullProgress progress;
        NullMessages messages;
        ConversionDriver driver(progress, messages, CurrentSettingsStore(), folder);
        return driver.ConvertBatch(paths);
    }

    fs::path folder;
    std::vector<std::string> files;
    std::vector<fs::path> paths; // the files as the driver takes them
};

MixedBatch& TheMixedBatch() {
    static MixedBatch batch;
    InstallRegional(std::make_shared<FixedRegional>());
    InstallSettingsStore(MakeMemorySettingsStore());
    Process().workingFolder = batch.folder.string() + "/";
    return batch;
}

void SetCounters(benchmark::State& state, std::int64_t items, const char* name) {
    state.SetItemsProcessed(state.iterations() * items);
    state.counters[name] = benchmark::Counter(static_cast<double>(state.iterations() * items),
                                              benchmark::Counter::kIsRate);
    state.counters["peak_rss_kb"] = PeakRssKilobytes();
}

void BM_ConvertMixedBatch(benchmark::State& state) {
    MixedBatch& batch = TheMixedBatch();
    for (auto _ : state) {
        state.PauseTiming();
        batch.RemoveOutputs();
        state.ResumeTiming();
        if (!batch.Convert())
            state.SkipWithError("conversion failed");
    }
    SetCounters(state, kMixedFiles, "files/s");
}
BENCHMARK(BM_ConvertMixedBatch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same output bytes written with plain stdio.
void BM_PlainWriteMixedBaseline(benchmark::State& state) {
    MixedBatch& batch = TheMixedBatch();
    batch.RemoveOutputs();
    if (!batch.Convert()) {
        state.SkipWithError("conversion failed");
        return;
    }
    std::vector<std::string> contents;
    for (const auto& f : batch.files)
        contents.push_back(ReadAll(f + ".ini"));
    for (auto _ : state) {
        state.PauseTiming();
        batch.RemoveOutputs();
        state.ResumeTiming();
        for (std::size_t i = 0; i < batch.files.size(); ++i)
            WriteAll(batch.files[i] + ".ini", contents[i]);
    }
    SetCounters(state, kMixedFiles, "files/s");
}
BENCHMARK(BM_PlainWriteMixedBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

// One section of `keys` entries k0=0 .. k<n-1>=<n-1>, every value then rewritten.
struct LargeIni {
    explicit LargeIni(std::size_t keys) : folder(MakeFolder()), path(folder / "large.ini") {
        original = "[Values]\r\n";
        for (std::size_t i = 0; i < keys; ++i) {
            names.push_back("k" + std::to_string(i));
            values.push_back("v" + std::to_string(i * 3));
            original += names.back() + "=" + std::to_string(i) + "\r\n";
        }
        updated = "[Values]\r\n";
        for (std::size_t i = 0; i < keys; ++i)
            updated += names[i] + "=" + values[i] + "\r\n";
    }
    ~LargeIni() { fs::remove_all(folder); }

    fs::path folder, path;
    std::vector<std::string> names, values;
    std::string original, updated;
};

void BM_UpdateIniKeys(benchmark::State& state) {
    LargeIni ini(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        WriteAll(ini.path, ini.original);
        state.ResumeTiming();
        IniOutput out(ini.path);
        for (std::size_t i = 0; i < ini.names.size(); ++i)
            out.WriteEntry("Values", ini.names[i], ini.values[i]);
        out.Close();
    }
    if (ReadAll(ini.path) != ini.updated)
        state.SkipWithError("the updated file is not what was written");
    state.SetComplexityN(state.range(0));
    SetCounters(state, state.range(0), "keys/s");
}
BENCHMARK(BM_UpdateIniKeys)
    ->Arg(10'000)
    ->Arg(20'000)
    ->Arg(40'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Complexity(benchmark::oN);

// The floor: the updated file's bytes written with plain stdio.
void BM_PlainWriteIniKeysBaseline(benchmark::State& state) {
    LargeIni ini(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        WriteAll(ini.path, ini.updated);
    SetCounters(state, state.range(0), "keys/s");
}
BENCHMARK(BM_PlainWriteIniKeysBaseline)
    ->Arg(10'000)
    ->Arg(20'000)
    ->Arg(40'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
