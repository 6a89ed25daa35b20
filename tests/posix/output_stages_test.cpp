// The output path against a spooler printer whose sink can refuse: a captured
// job is re-sent whole, and a job that could not be delivered keeps its spool
// file instead of losing it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "PluginHarness.h"
#include "TempDirectory.h"
#include "output/OutputStage.h"
#include "pdev/XOemPdev.h"
#include "platform/posixhost.h"
#include "platform/text.h"

namespace {

// A printer whose sink takes `capacity` bytes and then refuses every write.
class RefusingPrinter {
 public:
  explicit RefusingPrinter(std::size_t capacity) : capacity_(capacity) {
    platform::host::SetStateDirectory(directory_.path());
    platform::host::PrinterDescription printer;
    printer.name = u"Sink";
    printer.port = u"IP_192.0.2.30";
    platform::host::RegisterPrinter(printer, [this](const void* data, std::size_t size) {
      if (received.size() + size > capacity_) return false;
      received.append(static_cast<const char*>(data), size);
      return true;
    });
    std::u16string name = printer.name;
    OpenPrinterW(platform::W(name.data()), &handle, nullptr);
  }
  ~RefusingPrinter() {
    if (handle != nullptr) ClosePrinter(handle);
    platform::host::Reset();
  }

  std::string SpoolPath(const std::string& name) const { return directory_ / name; }

  HANDLE handle = nullptr;
  std::string received;

 private:
  harness::TempDirectory directory_{"renps-output"};
  std::size_t capacity_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(OutputStages, SpoolFileAppendsAndResendDeliversEveryPiece) {
  RefusingPrinter printer(1 << 20);
  const std::string path = printer.SpoolPath("job.spl");
  std::ofstream(path, std::ios::binary) << "earlier ";
  const std::string body(10000, 'x');  // more than two re-send pieces
  {
    SpoolFileStage spool(CXString(platform::FromUtf8(path)));
    ASSERT_TRUE(spool.IsOpen());
    DWORD written = 0;
    ASSERT_TRUE(spool.Write(body.data(), static_cast<DWORD>(body.size()), written));
    EXPECT_EQ(written, body.size());
    EXPECT_TRUE(spool.Finish());
  }
  EXPECT_EQ(ReadFile(path), "earlier " + body);
  PrinterStage sink(printer.handle);
  EXPECT_TRUE(ResendFile(CXString(platform::FromUtf8(path)), sink));
  EXPECT_EQ(printer.received, "earlier " + body);
  EXPECT_TRUE(std::filesystem::exists(path)) << "re-sending never deletes; the caller decides";
}

TEST(OutputStages, FailuresAreReportedNotDropped) {
  RefusingPrinter printer(5000);
  const std::string path = printer.SpoolPath("job.spl");
  std::ofstream(path, std::ios::binary) << std::string(9000, 'y');
  PrinterStage sink(printer.handle);
  EXPECT_FALSE(ResendFile(CXString(platform::FromUtf8(path)), sink)) << "the second piece is refused";
  EXPECT_EQ(printer.received.size(), 4096u);
  EXPECT_FALSE(ResendFile(CXString(platform::FromUtf8(printer.SpoolPath("missing.spl"))), sink));

  // A spool file that cannot be made: every captured write fails.
  SpoolFileStage nowhere(CXString(platform::FromUtf8(printer.SpoolPath("no/such/dir/job.spl"))));
  DWORD written = 7;
  EXPECT_FALSE(nowhere.IsOpen());
  EXPECT_FALSE(nowhere.Write("abc", 3, written));
  EXPECT_EQ(written, 0u);
}

// The whole path through the plug-in: a captured job whose re-send the
// spooler refuses keeps its spool file; one that goes through deletes it.
TEST(OutputStages, CapturedJobKeepsItsSpoolFileWhenTheSpoolerRefuses) {
  for (const std::size_t capacity : {std::size_t{100}, std::size_t{1} << 20}) {
    RefusingPrinter printer(capacity);
    harness::PluginHarness h;
    h.devobj.hPrinter = printer.handle;
    ASSERT_EQ(h.EnablePdev(), S_OK);
    auto* pdev = static_cast<XOemPdevPs*>(h.devobj.pdevOEM);
    const std::string path = printer.SpoolPath("captured.spl");
    pdev->SetString(kPdevSpoolFilePath, CXString(platform::FromUtf8(path)));
    pdev->SetBuffer(kPdevBookletMode, ByteBuffer::createFromLongValue(1));

    std::string page = "%!PS\n" + std::string(3000, '%') + "\n";
    DWORD written = 0;
    ASSERT_EQ(h.plugin->WritePrinter(&h.devobj, page.data(), static_cast<DWORD>(page.size()), &written), S_OK);
    pdev->SetLong(kPdevEndOfStream, 1);
    std::string last = "%%EOF\n\x04";
    ASSERT_EQ(h.plugin->WritePrinter(&h.devobj, last.data(), static_cast<DWORD>(last.size()), &written), S_OK);
    EXPECT_EQ(written, last.size()) << "the stripped Ctrl-D counts as written";

    const std::string job = page + "%%EOF\n";
    if (capacity < job.size()) {
      ASSERT_TRUE(std::filesystem::exists(path)) << "a job the spooler refused is kept";
      EXPECT_EQ(ReadFile(path), job);
    } else {
      EXPECT_EQ(printer.received, job);
      EXPECT_FALSE(std::filesystem::exists(path));
    }
    ASSERT_EQ(h.DisablePdev(), S_OK);
  }
}

}  // namespace
