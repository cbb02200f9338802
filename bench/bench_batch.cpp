// Converting a batch of ".fvs" files, beside writing the same output bytes plainly.
#include "BenchSupport.h"
#include "app/Driver.h"
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
#include <vector>

namespace {
namespace fs = std::filesystem;
using namespace hortivex;
using bench::NullMessages;
using bench::NullProgress;

constexpr int kFiles = 1000;

// A folder of kFiles settings files with varied records, made once per process.
struct Batch {
    Batch() {
        std::string pattern = (fs::temp_directory_path() / "hxbench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        // The options file that the first settings export writes goes here too, not into
        // the current folder.
        Process().workingFolder = folder.string() + "/";
        for (int i = 0; i < kFiles; ++i) {
            std::string record(118, '\0');
            for (std::size_t b = 0; b < record.size(); ++b)
                record[b] = static_cast<char>((b * 31 + static_cast<std::size_t>(i) * 7) & 0xFF);
            const fs::path path = folder / ("room" + std::to_string(i) + ".fvs");
            std::ofstream(path, std::ios::binary) << record;
            files.push_back(path.string());
            paths.push_back(path);
        }
    }
    ~Batch() { fs::remove_all(folder); }

    void RemoveOutputs() const {
        for (const auto& f : files)
            fs::remove(f + ".ini");
    }

    fs::path folder;
    std::vector<std::string> files;
    std::vector<fs::path> paths; // the files as the driver takes them
};

Batch& TheBatch() {
    static Batch batch;
    return batch;
}

void InstallNeutralServices() {
    InstallRegional(std::make_shared<FixedRegional>());
    InstallSettingsStore(MakeMemorySettingsStore());
}

void BM_ConvertFvsBatch(benchmark::State& state) {
    InstallNeutralServices();
    Batch& batch = TheBatch();
    NullProgress progress;
    NullMessages messages;
    ConversionDriver driver(progress, messages, CurrentSettingsStore(), batch.folder);
    for (auto _ : state) {
        state.PauseTiming();
        batch.RemoveOutputs();
        state.ResumeTiming();
        if (!driver.ConvertBatch(batch.paths))
            state.SkipWithError("conversion failed");
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_ConvertFvsBatch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same bytes written with plain stdio, no reading, formatting or renaming.
void BM_PlainWriteBaseline(benchmark::State& state) {
    InstallNeutralServices();
    Batch& batch = TheBatch();
    std::vector<std::string> contents;
    {
        NullProgress progress;
        NullMessages messages;
        ConversionDriver driver(progress, messages, CurrentSettingsStore(), batch.folder);
        batch.RemoveOutputs();
        driver.ConvertBatch(batch.paths);
        for (const auto& f : batch.files) {
            std::ifstream in(f + ".ini", std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            contents.push_back(text.str());
        }
    }
    for (auto _ : state) {
        state.PauseTiming();
        batch.RemoveOutputs();
        state.ResumeTiming();
        for (std::size_t i = 0; i < batch.files.size(); ++i) {
            std::FILE* out = std::fopen((batch.files[i] + ".ini").c_str(), "wb");
            std::fwrite(contents[i].data(), 1, contents[i].size(), out);
            std::fclose(out);
        }
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_PlainWriteBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
