#include "DriverHelper.h"

namespace driversim {

DriverHelper::DriverHelper(Sink sink) : sink_(std::move(sink)) {}

HRESULT STDMETHODCALLTYPE DriverHelper::QueryInterface(REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemDriverPS)) {
    *ppvObject = static_cast<IPrintOemDriverPS*>(this);
    AddRef();
    return S_OK;
  }
  *ppvObject = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DriverHelper::AddRef() {
  return ++references_;
}

ULONG STDMETHODCALLTYPE DriverHelper::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE DriverHelper::DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD pcbNeeded,
                                                            PDWORD pdwOptionsReturned) {
  if (pcbNeeded != nullptr) *pcbNeeded = 0;
  if (pdwOptionsReturned != nullptr) *pdwOptionsReturned = 0;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DriverHelper::DrvWriteSpoolBuf(PDEVOBJ, PVOID pBuffer, DWORD cbSize, DWORD* pdwResult) {
  ++calls_;
  if (pdwResult != nullptr) *pdwResult = 0;
  if (pBuffer == nullptr && cbSize != 0) return E_INVALIDARG;
  if (FAILED(writeResult_)) return writeResult_;
  if (cbSize != 0 && sink_) sink_(pBuffer, cbSize);
  if (recording_) {
    const auto* bytes = static_cast<const std::uint8_t*>(pBuffer);
    writes_.push_back({currentIndex_, currentPage_, std::vector<std::uint8_t>(bytes, bytes + cbSize)});
  }
  if (pdwResult != nullptr) *pdwResult = cbSize;
  return S_OK;
}

std::string DriverHelper::BytesAt(DWORD injectionIndex) const {
  std::string out;
  for (const auto& write : writes_)
    if (write.injectionIndex == injectionIndex) out.append(write.bytes.begin(), write.bytes.end());
  return out;
}

}  // namespace driversim
