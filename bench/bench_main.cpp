// Runs the benchmarks with the plug-in's state (printer data, per-user
// values) in a fresh directory, so that neither the user's state nor an
// earlier run changes what is measured.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  std::string directory = (std::filesystem::temp_directory_path() / "renps-bench-XXXXXX").string();
  if (mkdtemp(directory.data()) == nullptr) return 1;
  setenv("RENPS_STATE_DIR", directory.c_str(), 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(directory);
  return 0;
}
