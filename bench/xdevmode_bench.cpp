// The private devmode reader: parsing a section and reading the document
// settings out of it, as every emitter and every settings escape does.
#include <benchmark/benchmark.h>

#include <vector>

#include "PluginHarness.h"
#include "devmode/XDevmode.h"
#include "pdev/XOemPdev.h"

namespace {

// A busy settings list: options, numbers, strings and the fax collection.
AttributeBytesList BusySettings() {
  AttributeBytesList settings;
  settings.SetOptionValue(285, 7432);
  settings.SetOptionValue(36, 6894);
  for (AttributeBytesFeatureId feature = 500; feature < 540; ++feature)
    settings.SetOptionValue(feature, 7000 + feature);
  for (AttributeBytesFeatureId feature = 600; feature < 610; ++feature) settings.SetIntegerValue(feature, feature * 3);
  settings.SetStringValue(700, u"Quarterly report for the board");
  settings.SetStringValue(701, u"alice");
  AttributeBytesList fax;
  fax.SetOptionValue(337, 7221);
  fax.SetOptionValue(348, 7112);
  fax.SetBooleanValue(339, true);
  fax.SetStringValue(345, u"0");
  settings.SetCollection(332, fax);
  return settings;
}

constexpr AttributeBytesFeatureId kReadFeatures[] = {285, 36, 500, 520, 539, 600, 609, 999};

void ReadSettings(XDevmode& reader) {
  DWORD option = 0;
  for (AttributeBytesFeatureId feature : kReadFeatures) reader.GetOptionValueFromAttributeBytes(feature, option);
  LONG number = 0;
  reader.GetIntegerValueFromAttributeBytes(605, number);
  CXString text;
  reader.GetStringValueFromAttributeBytes(700, text);
  AttributeBytesIndexedList fax;
  reader.GetCollectionFromAttributeBytes(332, fax);
  benchmark::DoNotOptimize(option);
  benchmark::DoNotOptimize(number);
}

void BM_XDevmodeParseAndRead(benchmark::State& state) {
  std::vector<std::uint8_t> section = harness::SectionWithSettings(BusySettings());
  for (auto _ : state) {
    XDevmode reader;
    if (!reader.Parse(section.data())) return state.SkipWithError("section refused");
    ReadSettings(reader);
  }
}
BENCHMARK(BM_XDevmodeParseAndRead);

void BM_XDevmodeLoadFromDevmode(benchmark::State& state) {
  const std::vector<std::uint8_t> devmode = driversim::BuildDevmode(
      driversim::PublicFields{}, driversim::DriverOptions{}, harness::SectionWithSettings(BusySettings()));
  for (auto _ : state) {
    XDevmode reader(reinterpret_cast<const DEVMODEW*>(devmode.data()));
    if (!reader.IsLoaded()) return state.SkipWithError("section not found");
    ReadSettings(reader);
  }
}
BENCHMARK(BM_XDevmodeLoadFromDevmode);

// The reader the escape hook makes: the settings come from the PDEV's cache.
void BM_XDevmodeCachedInPdev(benchmark::State& state) {
  std::vector<std::uint8_t> devmode = driversim::BuildDevmode(driversim::PublicFields{}, driversim::DriverOptions{},
                                                              harness::SectionWithSettings(BusySettings()));
  XOemPdevPs pdev;
  DEVOBJ devobj{};
  devobj.pPublicDM = reinterpret_cast<DEVMODEW*>(devmode.data());
  devobj.pdevOEM = &pdev;
  XDevmode::XDevmodeWithCachingInPdev(&devobj, &pdev);  // fills the cache
  for (auto _ : state) {
    auto reader = XDevmode::XDevmodeWithCachingInPdev(&devobj, &pdev);
    ReadSettings(*reader);
  }
}
BENCHMARK(BM_XDevmodeCachedInPdev);

}  // namespace
