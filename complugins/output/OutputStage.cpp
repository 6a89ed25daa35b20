#include "output/OutputStage.h"

#include "platform/text.h"

namespace {
constexpr DWORD kSpoolFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;
constexpr DWORD kResendPiece = 4096;
}  // namespace

bool PrinterStage::Write(const void* data, DWORD size, DWORD& written) {
  written = 0;
  return ::WritePrinter(hPrinter_, const_cast<void*>(data), size, &written) != FALSE;
}

SpoolFileStage::SpoolFileStage(const CXString& path) : path_(path) {
  const auto* name = platform::W(path.c_str());
  file_ =
      CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, kSpoolFlags, nullptr);
  if (file_ != INVALID_HANDLE_VALUE) {
    SetFilePointer(file_, 0, nullptr, FILE_END);
    return;
  }
  file_ =
      CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, kSpoolFlags, nullptr);
}

SpoolFileStage::~SpoolFileStage() {
  Finish();
}

bool SpoolFileStage::Write(const void* data, DWORD size, DWORD& written) {
  written = 0;
  if (!IsOpen()) return false;
  return WriteFile(file_, data, size, &written, nullptr) != FALSE;
}

bool SpoolFileStage::Finish() {
  if (!IsOpen()) return false;
  const bool closed = CloseHandle(file_) != FALSE;
  file_ = INVALID_HANDLE_VALUE;
  return closed;
}

bool ResendFile(const CXString& path, OutputStage& sink) {
  HANDLE file = CreateFileW(platform::W(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            kSpoolFlags, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  unsigned char piece[kResendPiece];
  bool delivered = true;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, piece, sizeof piece, &read, nullptr)) {
      delivered = false;
      break;
    }
    if (read == 0) break;
    DWORD written = 0;
    if (!sink.Write(piece, read, written) || written != read) {
      delivered = false;
      break;
    }
  }
  CloseHandle(file);
  return delivered && sink.Finish();
}
