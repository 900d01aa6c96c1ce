#include "FRef.h"
#include "SimHost.h"
#include "ZSelectedNotification.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A project of 32 folders of 32 tracks each, with the last track of the last folder selected.
struct LargeProject
{
    LargeProject() : classes(Quorvane::queryRef<Quorvane::IHostClasses>(host.context()))
    {
        simhost::SimProject* project = host.projects().openProject(u"Large");
        simhost::SimTrack* last = nullptr;
        for (int f = 0; f < 32; ++f) {
            simhost::SimTrack* folder = project->addTrack(simhost::TrackKind::Folder, u"Folder");
            for (int t = 0; t < 32; ++t)
                last = project->addTrack(simhost::TrackKind::Audio, u"Track", folder);
        }
        project->select(last);
        selection.setHostClasses(classes.get());
        selection.updateSelectedProjectObject();
    }
    simhost::SimHost host;
    Quorvane::FRef<Quorvane::IHostClasses> classes;
    ZSelectedNotification selection;
};

// An idle call while the selection stays: one walk down the remembered path.
void BM_IdleCheckUnchangedSelection(benchmark::State& state)
{
    LargeProject p;
    for (auto _ : state)
        p.selection.checkSelectChangeOnIdle();
}
BENCHMARK(BM_IdleCheckUnchangedSelection);

// What every idle call would cost without the path: a full depth-first search.
void BM_FullSearch(benchmark::State& state)
{
    LargeProject p;
    for (auto _ : state)
        benchmark::DoNotOptimize(p.selection.updateSelectedProjectObject());
}
BENCHMARK(BM_FullSearch);

} // namespace
