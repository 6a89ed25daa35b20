// renps, the plug-in and its companion modules laid out as they are
// installed: the workflow extension beside the plug-in, and the core library
// module beside it, only in the driver directory's "3", or nowhere, in which
// case only the XML ticket, the one thing that needs it, fails.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ModuleDirectory.h"
#include "TempDirectory.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class InstalledLayout {
 public:
  InstalledLayout() {
    fs::create_directories(bin());
    for (const char* file : {"renps", "renpsoem.so", "librenplatform.so", "zqwfwuA2.so"})
      fs::copy_file(harness::BuiltModule(file), bin() / file);
  }

  fs::path bin() const { return fs::path(directory_.path()) / "bin"; }
  fs::path state() const { return fs::path(directory_.path()) / "state"; }
  void PlaceCoreLibrary(const fs::path& directory) const {
    fs::create_directories(directory);
    fs::copy_file(harness::BuiltModule("zqcoreA2.so"), directory / "zqcoreA2.so");
  }

  // Prints the sample with a workflow job whose ticket takes `form` (0: XML).
  int Print(int form, std::string& out, std::string& err) const {
    const std::string job = directory_ / "job.json";
    std::ofstream(job) << R"({"printer": {"controllerFamily": 7432, "printerData": {"XWorkflowDLL": 2},)"
                       << R"( "deviceSettings": {)" << (form != 0 ? "\"546\": " + std::to_string(form) : "")
                       << R"(}}, "settings": {"285": 7432, "286": true, "78": "Report"}})";
    const std::string command = (bin() / "renps").string() + " print " + job + " " + RENPS_SOURCE_DIR +
                                "/examples/sample.ps --state-dir " + state().string() + " >" + (directory_ / "out") +
                                " 2>" + (directory_ / "err");
    const int status = std::system(command.c_str());
    out = ReadFile(directory_ / "out");
    err = ReadFile(directory_ / "err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  harness::TempDirectory directory_{"renps-layout"};
};

TEST(RenpsWithCompanionModules, CoreLibraryBesideInTheDriverDirectoryOrMissing) {
  constexpr int kDsc = 7701;
  constexpr int kXml = 0;
  enum class Place { Beside, DriverDirectory3, Nowhere };
  struct Case {
    const char* what;
    Place place;
    int form;
    int status;
    const char* starts;
  } cases[] = {
      {"beside the plug-in", Place::Beside, kXml, 0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<JobTicket"},
      {"only in the driver directory's 3", Place::DriverDirectory3, kXml, 0, "<?xml version=\"1.0\""},
      {"missing: the XML ticket fails", Place::Nowhere, kXml, 1, ""},
      {"missing: the comment ticket does not need it", Place::Nowhere, kDsc, 0, "%TMRbegin: 001.0300\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstalledLayout layout;
    if (c.place == Place::Beside) layout.PlaceCoreLibrary(layout.bin());
    // The driver directory of renps's printers lies in the state directory.
    if (c.place == Place::DriverDirectory3) layout.PlaceCoreLibrary(layout.state() / "drivers" / "3");
    std::string out, err;
    EXPECT_EQ(layout.Print(c.form, out, err), c.status) << err;
    EXPECT_EQ(out.substr(0, std::string(c.starts).size()), c.starts);
    if (c.status == 0) {
      EXPECT_NE(out.find("%!PS-Adobe-3.0"), std::string::npos) << "the job follows the ticket";
    } else {
      EXPECT_NE(err.find("RenPs::Command: ExceptionLibraryNotLoaded"), std::string::npos) << err;
      EXPECT_TRUE(out.empty()) << "nothing is written for a failed job";
    }
  }
}

}  // namespace
