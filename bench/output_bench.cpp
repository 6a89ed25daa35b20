// The output path: the driver's stream through the plug-in's WritePrinter
// into the spooler, passed straight through or captured in a spool file and
// re-sent at the end of the job (booklet mode set in the PDEV state).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "PluginHarness.h"
#include "pdev/XOemPdev.h"
#include "platform/posixhost.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kJobBytes = 32u << 20;
constexpr char16_t kPrinter[] = u"Bench Printer";

// A registered printer whose spooler only counts what reaches it.
class CountingSpooler {
 public:
  CountingSpooler() {
    platform::host::PrinterDescription printer;
    printer.name = kPrinter;
    printer.port = u"IP_192.0.2.10";
    printer.driverName = u"Bench PS";
    platform::host::RegisterPrinter(printer, [this](const void*, std::size_t size) {
      received += size;
      return true;
    });
    std::u16string name = kPrinter;
    OpenPrinterW(platform::W(name.data()), &handle, nullptr);
  }
  ~CountingSpooler() {
    if (handle != nullptr) ClosePrinter(handle);
    platform::host::UnregisterPrinter(kPrinter);
  }
  HANDLE handle = nullptr;
  std::size_t received = 0;
};

std::unique_ptr<harness::PluginHarness> PluginOn(HANDLE printer) {
  auto h = std::make_unique<harness::PluginHarness>();
  h->devobj.hPrinter = printer;
  if (h->EnablePdev() != S_OK) return nullptr;
  return h;
}

// Writes `total` bytes of the page stream in pieces of `piece`; false on a failed write.
bool WriteJob(harness::PluginHarness& h, std::vector<char>& piece, std::size_t total) {
  for (std::size_t sent = 0; sent < total; sent += piece.size()) {
    DWORD written = 0;
    const auto size = static_cast<DWORD>(std::min(piece.size(), total - sent));
    if (h.plugin->WritePrinter(&h.devobj, piece.data(), size, &written) != S_OK || written != size) return false;
  }
  return true;
}

void BM_WritePrinterPassThrough(benchmark::State& state) {
  CountingSpooler spooler;
  auto h = PluginOn(spooler.handle);
  if (!h) return state.SkipWithError("EnablePDEV failed");
  std::vector<char> piece(static_cast<std::size_t>(state.range(0)), 'x');
  for (auto _ : state) {
    if (!WriteJob(*h, piece, kJobBytes)) return state.SkipWithError("WritePrinter failed");
  }
  if (spooler.received != kJobBytes * state.iterations()) return state.SkipWithError("bytes lost on the way");
  state.SetBytesProcessed(static_cast<std::int64_t>(spooler.received));
}
BENCHMARK(BM_WritePrinterPassThrough)->ArgName("piece")->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond);

// Capture is decided once per plug-in object, so every job gets a new one
// (made outside the timing). The job's last write carries the closing Ctrl-D
// and finishes the job: close, post-process, re-send in 4 KB pieces, delete.
void BM_WritePrinterCapture(benchmark::State& state) {
  CountingSpooler spooler;
  std::vector<char> piece(static_cast<std::size_t>(state.range(0)), 'x');
  char last[] = "%%EOF\n\x04";
  const std::size_t lastSize = sizeof last - 1;
  for (auto _ : state) {
    state.PauseTiming();
    auto h = PluginOn(spooler.handle);
    if (!h) return state.SkipWithError("EnablePDEV failed");
    auto* pdev = static_cast<XOemPdevPs*>(h->devobj.pdevOEM);
    pdev->SetLong(kPdevBookletMode, 1);
    state.ResumeTiming();
    if (!WriteJob(*h, piece, kJobBytes)) return state.SkipWithError("WritePrinter failed");
    pdev->SetLong(kPdevEndOfStream, 1);
    DWORD written = 0;
    h->plugin->WritePrinter(&h->devobj, last, static_cast<DWORD>(lastSize), &written);
    state.PauseTiming();
    h.reset();
    state.ResumeTiming();
  }
  // Everything but the Ctrl-D comes back out of the spool file.
  if (spooler.received != (kJobBytes + lastSize - 1) * state.iterations())
    return state.SkipWithError("the captured job did not reach the spooler whole");
  state.SetBytesProcessed(static_cast<std::int64_t>(spooler.received));
}
BENCHMARK(BM_WritePrinterCapture)->ArgName("piece")->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond);

}  // namespace
