#include "MemChangeObserver.h"
#include "RemoteMemAPI.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

class NullObserver : public MemChangeObserver
{
public:
    void paramUpdate() override { benchmark::DoNotOptimize(++calls); }
    long calls = 0;
};

// A window's worth of bound controls: every knob value of one template, watched by its own observer.
struct BoundWindow
{
    explicit BoundWindow(RemoteMemAPI& api, int extraObservers)
    {
        for (int knob = 0; knob < 12; ++knob)
            for (int param = 0; param < 4; ++param)
                bind(api, ParamAddress(0, 0, knob, param));
        for (int i = 0; i < extraObservers; ++i)
            bind(api, ParamAddress(5, i % 50, i % 12, 1));
    }
    void bind(RemoteMemAPI& api, const ParamAddress& address)
    {
        addresses.push_back(std::make_unique<ParamAddress>(address));
        observers.push_back(std::make_unique<NullObserver>());
        api.registObserver(addresses.back().get(), observers.back().get());
    }
    std::vector<std::unique_ptr<ParamAddress>> addresses;
    std::vector<std::unique_ptr<NullObserver>> observers;
};

void BM_KnobWriteWithObservers(benchmark::State& state)
{
    RemoteMemAPI api;
    BoundWindow window(api, static_cast<int>(state.range(0)));
    const ParamAddress knob(0, 0, 3, 1);
    long value = 0;
    for (auto _ : state) {
        value = (value + 1) % 128;
        benchmark::DoNotOptimize(api.setParam(knob, value));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KnobWriteWithObservers)->Arg(0)->Arg(500)->Arg(5000);

void BM_TemplateNotification(benchmark::State& state)
{
    RemoteMemAPI api;
    BoundWindow window(api, static_cast<int>(state.range(0)));
    for (auto _ : state)
        api.notifyObserverOfTemplateAllParam(0, 0);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TemplateNotification)->Arg(0)->Arg(5000);

void BM_ReadKnobValue(benchmark::State& state)
{
    RemoteMemAPI api;
    const ParamAddress knob(0, 10, 7, 0);
    api.setParam(knob, QStringLiteral("Cutoff"));
    for (auto _ : state)
        benchmark::DoNotOptimize(api.getParamQString(knob));
}
BENCHMARK(BM_ReadKnobValue);

} // namespace
