// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"

#include "morse/MorseSender.h"

namespace {

// The virtual backend keeps the device open out of the figures.
void UseVirtualDevice() {
    auto backend = std::make_shared<audio::VirtualBackend>();
    backend->SetOutputDevices({u"Bench"});
    audio::SetAudioBackend(backend);
}

void BM_EncodeText999(benchmark::State& state) {
    UseVirtualDevice();
    const CMorseSender sender(0, nullptr, TRUE);
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

// Construction: the device open on the virtual backend, then the tone and gap sounds.
void BM_SenderConstruction(benchmark::State& state) {
    UseVirtualDevice();
    for (auto _ : state) {
        CMorseSender sender(0, nullptr, FALSE);
        sender.Close();
    }
}
BENCHMARK(BM_SenderConstruction);

}  // namespace

BENCHMARK_MAIN();
