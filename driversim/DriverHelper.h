// The PostScript driver's IPrintOemDriverPS as the plug-in sees it: every
// DrvWriteSpoolBuf lands in the driver's output buffer (a sink the owner
// gives), in stream order with the driver's own bytes.
//
// The owner tells the helper which injection point is being served before it
// calls Command, so each write can be attributed to the point that produced
// it; that record is what `renps trace` lists and what unit tests of the
// plug-in inspect. Recording can be switched off so that a long job does not
// keep its bytes in memory.
//
// A real COM object: created with a reference count of 1 and destroyed by its
// last Release, so it must live on the heap.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/oemps.h"

namespace driversim {

// Index recorded for writes that happen outside any Command call (the hooks).
inline constexpr DWORD kNoInjectionIndex = 0;

struct SpoolWrite {
  DWORD injectionIndex = kNoInjectionIndex;
  DWORD page = 0;  // the page the driver was on (0 before the first page)
  std::vector<std::uint8_t> bytes;
};

class DriverHelper final : public IPrintOemDriverPS {
 public:
  // Receives the bytes of each accepted write. An empty sink drops them.
  using Sink = std::function<void(const void* data, std::size_t size)>;

  explicit DriverHelper(Sink sink = {});
  DriverHelper(const DriverHelper&) = delete;
  DriverHelper& operator=(const DriverHelper&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // The driver keeps no settings this host could answer: E_NOTIMPL.
  HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID pdriverobj, PCSTR Feature, PVOID pOutput, DWORD cbSize,
                                                PDWORD pcbNeeded, PDWORD pdwOptionsReturned) override;
  // A null buffer with a non-zero size is refused with E_INVALIDARG and
  // writes nothing; otherwise the bytes go to the sink and *pdwResult (when
  // given) receives cbSize.
  HRESULT STDMETHODCALLTYPE DrvWriteSpoolBuf(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize, DWORD* pdwResult) override;

  void SetCurrentIndex(DWORD index) { currentIndex_ = index; }
  DWORD CurrentIndex() const { return currentIndex_; }
  void SetCurrentPage(DWORD page) { currentPage_ = page; }
  void SetSink(Sink sink) { sink_ = std::move(sink); }

  // Every later write fails with this result (S_OK restores normal work);
  // lets tests drive the plug-in's handling of a failing spool.
  void SetWriteResult(HRESULT result) { writeResult_ = result; }

  void SetRecording(bool on) { recording_ = on; }
  const std::vector<SpoolWrite>& Writes() const { return writes_; }
  void ClearWrites() { writes_.clear(); }
  // The bytes written at one injection point, concatenated in order.
  std::string BytesAt(DWORD injectionIndex) const;
  // Number of DrvWriteSpoolBuf calls, accepted or not.
  std::size_t CallCount() const { return calls_; }
  ULONG ReferenceCount() const { return references_.load(); }

 private:
  ~DriverHelper() = default;

  std::atomic<ULONG> references_{1};
  Sink sink_;
  DWORD currentIndex_ = kNoInjectionIndex;
  DWORD currentPage_ = 0;
  HRESULT writeResult_ = S_OK;
  bool recording_ = true;
  std::size_t calls_ = 0;
  std::vector<SpoolWrite> writes_;
};

}  // namespace driversim
