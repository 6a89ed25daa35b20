#include "zqcore/DataSourceProvider.h"

#include "zqutil/Crc32.h"
#include "zqutil/Printer.h"
#include "zqutil/PrinterDataNames.h"
#include "zqutil/TamorUtilities.h"

namespace {

constexpr DWORD kLibrarySignature = 0xFFFFFFFFu;

}  // namespace

DataSourceProvider::~DataSourceProvider() = default;

DataCache* DataSourceProvider::OpenCache(HANDLE hPrinter) {
  if (cache_) return cache_.get();
  CXString port;
  if (!Printer(hPrinter).GetPrinterPort(port) || port.IsEmpty()) return nullptr;
  cache_ = std::make_unique<DataCache>(hPrinter, TamorUtilities::ConvertPortNameToRegistryKey(port), kLibrarySignature);
  return cache_.get();
}

bool DataSourceProvider::ComputeFingerprint(HANDLE hPrinter, const DataCache& cache, DWORD& fingerprint) {
  Printer printer;
  if (!printer.GetPrinterDataW(hPrinter, PrinterDataNames::kDeviceSettings) || printer.GetPrinterDataSize() == 0)
    return false;
  DWORD crc = Crc32::GetCrc(printer.GetPrinterData(), printer.GetPrinterDataSize());
  const ByteBuffer autoConfig = cache.GetCachedBytesValue(kAutoConfig);
  if (!autoConfig.empty()) crc = Crc32::GetCrc(autoConfig.getLpbyte(), autoConfig.size(), crc);
  fingerprint = crc;
  return true;
}

void DataSourceProvider::SetDataModelState(HANDLE hPrinter, const ByteBuffer& state) {
  DataCache* cache = OpenCache(hPrinter);
  if (cache == nullptr) return;
  cache->SetCachedValue(kDataModelState, state, false);
  DWORD fingerprint = 0;
  // Without device settings the fingerprint of an earlier state stays; the
  // state then reads as unknown (see IsDataModelStateValid), never as valid.
  if (ComputeFingerprint(hPrinter, *cache, fingerprint))
    cache->SetCachedValue(kInstallableOptionsState, fingerprint, false);
}

DWORD DataSourceProvider::IsDataModelStateValid(HANDLE hPrinter) {
  DataCache* cache = OpenCache(hPrinter);
  if (cache == nullptr) return kStateUnknown;
  if (cache->GetCachedBytesValue(kDataModelState).empty()) return kStateUnknown;
  const DWORD stored = cache->GetCachedLongValue(kInstallableOptionsState, kStateUnknown);
  if (stored == kStateUnknown) return kStateUnknown;
  DWORD current = 0;
  if (!ComputeFingerprint(hPrinter, *cache, current)) return kStateUnknown;
  return current == stored ? kStateValid : kStateStale;
}

void DataSourceProvider::InvalidateDataModelState(HANDLE hPrinter) {
  DataCache* cache = OpenCache(hPrinter);
  if (cache == nullptr) return;
  cache->DeleteCache(kDataModelState, false);
  cache->DeleteCache(kInstallableOptionsState, false);
}

void DataSourceProvider::GetDataModelState(HANDLE hPrinter, ByteBuffer& state) {
  DataCache* cache = OpenCache(hPrinter);
  if (cache == nullptr) return;
  state = cache->GetCachedBytesValue(kDataModelState);
}
