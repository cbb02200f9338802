// The conversion beside the least work any safe writer must do, on the same files: read the
// input, read the existing output, write a temporary file, set its mode and rename it over the
// output. For each of the four kinds, fresh outputs, updates of different outputs and re-runs
// over unchanged ones, on the work disk and on tmpfs. Each pair of runs times the floor and the
// conversion back to back (alternating which goes first); the counters give the median time per
// file of each and the median of the pairs' ratios.
//
// Options (environment): HX_FLOOR_FILES files per kind (default 1000), HX_FLOOR_PAIRS pairs
// (default 7), HX_FLOOR_DISK the folder on the disk (default: build folder), HX_FLOOR_TMPFS the
// one on tmpfs (default /dev/shm). Each file lies in its own folder, as each controller's do.
#include "BenchSupport.h"
#include "app/Driver.h"
#include "options/ProcessState.h"
#include "platform/RegistryStore.h"
#include "platform/Services.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
namespace fs = std::filesystem;
using namespace hortivex;
using Clock = std::chrono::steady_clock;
using bench::ReadAll;

int EnvInt(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The floor for one file, in plain system calls: read the input and the existing output (each
// to its end), write the new bytes to a temporary file, set its mode, rename it over the output.
bool FloorUpdate(const std::string& input, const std::string& output, const std::string& temp,
                 const std::string& bytes) {
    static char buffer[1 << 16];
    int in = ::open(input.c_str(), O_RDONLY);
    if (in < 0)
        return false;
    while (::read(in, buffer, sizeof buffer) > 0) {
    }
    ::close(in);
    mode_t mode = 0644;
    int old = ::open(output.c_str(), O_RDONLY);
    if (old >= 0) {
        while (::read(old, buffer, sizeof buffer) > 0) {
        }
        ::close(old);
    }
    int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0)
        return false;
    const bool written =
        ::write(out, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::fchmod(out, mode);
    ::close(out);
    return written && ::rename(temp.c_str(), output.c_str()) == 0;
}

enum class Mode { Fresh, Update, Rerun };

// One kind's files under one root: each input in its own folder, with the output bytes the
// conversion writes (for the floor) and different bytes to update (an earlier conversion of
// other records).
struct Files {
    Files(const fs::path& root, const std::string& extension, int count) : folder(root) {
        const std::string sample = ReadAll(fs::path(HX_SAMPLES_DIR) / ("greenhouse1" + extension));
        std::string other = sample;
        for (std::size_t i = 4; i < other.size(); ++i) // past a schedule's first day number
            other[i] = static_cast<char>(other[i] + 1);
        fs::create_directories(folder);
        for (int i = 0; i < count; ++i) {
            const fs::path dir = folder / ("p" + std::to_string(i));
            fs::create_directory(dir);
            inputs.push_back((dir / ("room" + extension)).string());
            WriteAll(inputs.back(), other);
            inputPaths.emplace_back(inputs.back());
        }
        Convert();
        for (const auto& input : inputs)
            oldOutputs.push_back(ReadAll(input + ".ini"));
        for (const auto& input : inputs)
            WriteAll(input, sample);
        Convert();
        for (const auto& input : inputs)
            newOutputs.push_back(ReadAll(input + ".ini"));
    }
    ~Files() { fs::remove_all(folder); }

    bool Convert() const {
        bench::NullProgress progress;
        bench::NullMessages messages;
        ConversionDriver driver(progress, messages, CurrentSettingsStore(), folder);
        return driver.ConvertBatch(inputPaths);
    }

    // What the outputs hold before a timed run.
    void Prepare(Mode mode) const {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            const std::string output = inputs[i] + ".ini";
            if (mode == Mode::Fresh)
                ::unlink(output.c_str());
            else
                WriteAll(output, mode == Mode::Update ? oldOutputs[i] : newOutputs[i]);
        }
        ::sync();
    }

    bool Floor() const {
        bool ok = true;
        for (std::size_t i = 0; i < inputs.size(); ++i)
            ok &= FloorUpdate(inputs[i], inputs[i] + ".ini", inputs[i] + ".ini.tmp", newOutputs[i]);
        return ok;
    }

    bool Matches() const {
        for (std::size_t i = 0; i < inputs.size(); ++i)
            if (ReadAll(inputs[i] + ".ini") != newOutputs[i])
                return false;
        return true;
    }

    fs::path folder;
    std::vector<std::string> inputs, oldOutputs, newOutputs;
    std::vector<fs::path> inputPaths; // the inputs as the driver takes them
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename Run> double Seconds(Run run, bool& ok) {
    const auto start = Clock::now();
    ok &= run();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_ConversionToFloor(benchmark::State& state, const char* extension, bool tmpfs, Mode mode) {
    InstallRegional(std::make_shared<FixedRegional>());
    InstallSettingsStore(MakeMemorySettingsStore());
    const char* base = std::getenv(tmpfs ? "HX_FLOOR_TMPFS" : "HX_FLOOR_DISK");
    const fs::path root = fs::path(base && *base ? base
                                   : tmpfs       ? "/dev/shm"
                                                 : fs::current_path().c_str()) /
                          ("hxfloor-" + std::to_string(::getpid()));
    Process().workingFolder = root.string() + "/";
    const int count = EnvInt("HX_FLOOR_FILES", 1000);
    const Files files(root / (extension + 1), extension, count);

    std::vector<double> conversion, floor, ratio;
    bool ok = true;
    for (auto _ : state) {
        double c = 0, f = 0;
        for (int turn = 0; turn < 2; ++turn) {
            files.Prepare(mode);
            if ((turn == 0) == (conversion.size() % 2 == 0))
                f = Seconds([&] { return files.Floor(); }, ok);
            else
                c = Seconds([&] { return files.Convert(); }, ok);
        }
        ok &= files.Matches();
        state.SetIterationTime(c);
        conversion.push_back(c / count * 1e6);
        floor.push_back(f / count * 1e6);
        ratio.push_back(c / f);
    }
    fs::remove_all(root);
    if (!ok)
        state.SkipWithError("a conversion or a floor run failed, or the outputs differ");
    state.counters["conv_us"] = Median(conversion);
    state.counters["floor_us"] = Median(floor);
    state.counters["ratio"] = Median(ratio);
}

void Register() {
    const int pairs = EnvInt("HX_FLOOR_PAIRS", 7);
    const std::pair<const char*, Mode> modes[] = {
        {"fresh", Mode::Fresh}, {"update", Mode::Update}, {"rerun", Mode::Rerun}};
    for (const char* extension : {".fvs", ".fvd", ".avs", ".ava"})
        for (bool tmpfs : {false, true})
            for (const auto& [name, mode] : modes)
                benchmark::RegisterBenchmark((std::string("Floor/") + (extension + 1) + "/" + name +
                                              (tmpfs ? "/tmpfs" : "/disk"))
                                                 .c_str(),
                                             BM_ConversionToFloor, extension, tmpfs, mode)
                    ->Iterations(pairs)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv) {
    Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
