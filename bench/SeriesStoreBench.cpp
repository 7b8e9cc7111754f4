// Cost of the chart series store: appending a sample, the memory 10^8
// samples take (own accounting and resident set growth), and one drawing
// query of 1000 columns over a full view of 10^7 samples and over a zoomed
// view of 10^3 samples inside 10^8.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "BenchMain.h"
#include "core/SeriesStore.h"

namespace {

using talmir::SeriesStore;

// Resident set size of this process in bytes, from /proc/self/status.
double ResidentBytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return 0;
    char line[256];
    double kib = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::strtod(line + 6, nullptr);
    std::fclose(status);
    return kib * 1024;
}

// A noisy slowly turning angle: cheap, deterministic, never constant.
int32_t Value(int64_t i) {
    return static_cast<int32_t>(((i * 7) & 0xFFFF) ^
                                (((static_cast<uint64_t>(i) * 2654435761u) >> 28) & 0xF));
}

// x of sample i: consecutive, with a gap of 10 after every 10^6 samples, as
// when the readout mode changes now and then.
int64_t XOf(int64_t i) {
    return i + i / 1000000 * 10;
}

void FillStore(SeriesStore& store, int64_t n) {
    for (int64_t i = 0; i < n; ++i) store.Append(XOf(i), Value(i));
}

// 10^8 samples, filled by BM_StoreFill1e8 (or on first use when that did not run).
std::unique_ptr<SeriesStore>& Big() {
    static std::unique_ptr<SeriesStore> store;
    return store;
}
constexpr int64_t kBig = 100000000;

SeriesStore& BigStore() {
    if (!Big()) {
        Big() = std::make_unique<SeriesStore>();
        FillStore(*Big(), kBig);
    }
    return *Big();
}

// Registered first, so that the resident set grows from fresh pages only.
void BM_StoreFill1e8(benchmark::State& state) {
    for (auto _ : state) {
        Big().reset();
        const double before = ResidentBytes();
        Big() = std::make_unique<SeriesStore>();
        FillStore(*Big(), kBig);
        const double after = ResidentBytes();
        state.counters["rss_bytes_per_sample"] = (after - before) / kBig;
    }
    state.counters["bytes_per_sample"] = static_cast<double>(Big()->BytesUsed()) / kBig;
}
BENCHMARK(BM_StoreFill1e8)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_StoreAppend(benchmark::State& state) {
    SeriesStore store;
    int64_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.Append(XOf(i), Value(i)));
        if (++i == (int64_t{1} << 24)) {
            state.PauseTiming();
            store.Clear();
            i = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StoreAppend);

void BM_M4FullView1e7(benchmark::State& state) {
    static SeriesStore store;
    if (store.Empty()) FillStore(store, 10000000);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.Columns(store.FirstX(), store.LastX(), 1000));
}
BENCHMARK(BM_M4FullView1e7)->Unit(benchmark::kMillisecond);

void BM_M4Zoom1e3In1e8(benchmark::State& state) {
    const SeriesStore& store = BigStore();
    const int64_t from = store.XAt(kBig / 2 + 12345);
    for (auto _ : state) benchmark::DoNotOptimize(store.Columns(from, from + 999, 1000));
}
BENCHMARK(BM_M4Zoom1e3In1e8)->Unit(benchmark::kMicrosecond);

// The same full view, 1000 columns, with the 10^8 samples behind it: the cost
// should not grow with the series' length.
void BM_M4FullView1e8(benchmark::State& state) {
    const SeriesStore& store = BigStore();
    for (auto _ : state)
        benchmark::DoNotOptimize(store.Columns(store.FirstX(), store.LastX(), 1000));
}
BENCHMARK(BM_M4FullView1e8)->Unit(benchmark::kMillisecond);

void BM_StatsFullView1e8(benchmark::State& state) {
    const SeriesStore& store = BigStore();
    for (auto _ : state) benchmark::DoNotOptimize(store.Stats(store.FirstX(), store.LastX()));
}
BENCHMARK(BM_StatsFullView1e8)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return talmir::bench::RunRegisteredBenchmarks(argc, argv);
}
