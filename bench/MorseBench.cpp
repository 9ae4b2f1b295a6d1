#include <benchmark/benchmark.h>

#include <string>

#include "morse/MorseSender.h"

namespace {

void BM_EncodeText999(benchmark::State& state) {
    const CMorseSender sender(TRUE);
    // Short words whose symbols fill most of the block without overflowing it.
    std::u16string text;
    while (text.size() < 999) {
        text += u"ET AI ";
    }
    text.resize(999);
    for (auto _ : state) {
        SymbolString symbols = sender.EncodeText(text.c_str());
        benchmark::DoNotOptimize(symbols.c_str());
    }
}
BENCHMARK(BM_EncodeText999);

void BM_SoundPreparation(benchmark::State& state) {
    for (auto _ : state) {
        CMorseSender sender(FALSE);
        benchmark::DoNotOptimize(&sender);
    }
}
BENCHMARK(BM_SoundPreparation);

}  // namespace

BENCHMARK_MAIN();
