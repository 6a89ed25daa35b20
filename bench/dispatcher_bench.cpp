// The injection dispatcher: what one Command costs at each injection point,
// and a whole job, for the plain family's entries. Every call rebuilds the
// feature manager from the devmode, so that cost is in every number here.
#include <benchmark/benchmark.h>

#include <memory>

#include "PluginHarness.h"

namespace {

AttributeBytesList PlainFamily() {
  AttributeBytesList settings;
  settings.SetOptionValue(285, 7432);
  return settings;
}

std::unique_ptr<harness::PluginHarness> PlainFamilyPlugin() {
  auto h = std::make_unique<harness::PluginHarness>();
  h->driver->SetRecording(false);
  h->SetSettings(PlainFamily());
  if (h->EnablePdev() != S_OK) return nullptr;
  return h;
}

constexpr DWORD kDocumentPoints[] = {PSINJECT_BEGINSTREAM, PSINJECT_PSADOBE,    PSINJECT_COMMENTS, PSINJECT_BEGINPROLOG,
                                     PSINJECT_ENDPROLOG,   PSINJECT_BEGINSETUP, PSINJECT_ENDSETUP};
constexpr DWORD kPagePoints[] = {PSINJECT_PAGENUMBER, PSINJECT_BEGINPAGESETUP, PSINJECT_ENDPAGESETUP, PSINJECT_SHOWPAGE,
                                 PSINJECT_PAGETRAILER};
constexpr DWORD kEndPoints[] = {PSINJECT_TRAILER, PSINJECT_EOF, PSINJECT_ENDSTREAM};

// One job as the driver calls the plug-in for it; returns the Command calls made.
std::int64_t PrintJob(harness::PluginHarness& h, std::int64_t pages) {
  std::int64_t calls = 0;
  h.StartDoc(u"bench", 1);
  for (DWORD point : kDocumentPoints) calls += (h.Command(point), 1);
  for (std::int64_t page = 0; page < pages; ++page) {
    h.StartPage();
    for (DWORD point : kPagePoints) calls += (h.Command(point), 1);
    h.SendPage();
  }
  for (DWORD point : kEndPoints) calls += (h.Command(point), 1);
  h.EndDoc();
  return calls;
}

void BM_DispatcherJob(benchmark::State& state) {
  auto h = PlainFamilyPlugin();
  if (!h) return state.SkipWithError("EnablePDEV failed");
  std::int64_t calls = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    calls += PrintJob(*h, state.range(0));
    bytes += h->output.size();
    h->output.clear();
  }
  if (bytes == 0) return state.SkipWithError("the plain family wrote nothing");
  state.SetItemsProcessed(calls);
  state.counters["per_command"] =
      benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DispatcherJob)->ArgName("pages")->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

// One injection point over and over, in the middle of a long job.
void BM_DispatcherCommand(benchmark::State& state) {
  auto h = PlainFamilyPlugin();
  if (!h) return state.SkipWithError("EnablePDEV failed");
  h->StartDoc(u"bench", 1);
  for (DWORD point : kDocumentPoints) h->Command(point);
  h->StartPage();
  const auto point = static_cast<DWORD>(state.range(0));
  for (auto _ : state) {
    h->Command(point);
    h->output.clear();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DispatcherCommand)
    ->ArgName("point")
    ->Arg(PSINJECT_BEGINSETUP)
    ->Arg(PSINJECT_ENDSETUP)
    ->Arg(PSINJECT_BEGINPAGESETUP)
    ->Arg(PSINJECT_ENDPAGESETUP)
    ->Arg(PSINJECT_SHOWPAGE)
    ->Arg(static_cast<std::int64_t>(PSINJECT_DLFONT));

}  // namespace
