// DataSourceProvider: the settings caches that outlive a job, offered to the
// workflow extension.
//
// The data model's state is cached in the printer's data (DataCache) under a
// key derived from the printer's port, together with a fingerprint of what it
// was computed for: CRC-32 over the "TmrDeviceSettings" printer data continued
// over the cache value "XAutoConfig". A state is valid only while both are
// byte for byte what they were when it was stored.
//
// Every operation opens the same port-keyed cache (a printer without a port
// has no cache), so a state invalidated by one provider is invalid for all.
// Missing data never throws: it gives the unknown result or an empty state.
// Failures of the spooler calls (ExceptionPrinterFailure) pass to the caller.
#pragma once

#include <memory>

#include "platform/win32.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/DataCache.h"

class DataSourceProvider {
 public:
  // Cache value names.
  static constexpr char16_t kDataModelState[] = u"XDataModelState";
  static constexpr char16_t kInstallableOptionsState[] = u"XInstallableOptionsState";
  static constexpr char16_t kAutoConfig[] = u"XAutoConfig";

  // Results of IsDataModelStateValid.
  static constexpr DWORD kStateStale = 0;
  static constexpr DWORD kStateValid = 1;
  static constexpr DWORD kStateUnknown = 0xFFFFFFFFu;

  DataSourceProvider() = default;
  DataSourceProvider(const DataSourceProvider&) = delete;
  DataSourceProvider& operator=(const DataSourceProvider&) = delete;
  // The order of the virtual operations is what the workflow extension calls.
  virtual ~DataSourceProvider();
  virtual void OnDataSourceUpdate() = 0;
  // Stores the state and, when the printer has device settings, its fingerprint.
  virtual void SetDataModelState(HANDLE hPrinter, const ByteBuffer& state);
  virtual DWORD IsDataModelStateValid(HANDLE hPrinter);
  virtual void InvalidateDataModelState(HANDLE hPrinter);
  // `state` is left as it is when there is no cache.
  virtual void GetDataModelState(HANDLE hPrinter, ByteBuffer& state);

  // The fingerprint of the printer's device settings and auto-configuration
  // data; false when the printer has no device settings.
  static bool ComputeFingerprint(HANDLE hPrinter, const DataCache& cache, DWORD& fingerprint);

 private:
  // The cache, opened on first use and kept; null when the printer has no port.
  DataCache* OpenCache(HANDLE hPrinter);

  std::unique_ptr<DataCache> cache_;
};
