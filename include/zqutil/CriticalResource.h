// CriticalResource: a named, process-wide, recursive lock. Every
// CriticalResource with the same name shares one lock, so code in different
// units guards the same data by agreeing on a name.
//
// OwnedCriticalResource holds it for a scope and records who took it (source
// unit and line), so a hang can be traced to its holder in a debugger.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "zqutil/CXString.h"

class CriticalResource {
 public:
  explicit CriticalResource(const CXString& name);

  void Enter();
  bool TryEnter();
  void Leave();
  const CXString& GetName() const { return name_; }

 private:
  CXString name_;
  std::shared_ptr<std::recursive_mutex> mutex_;
};

class OwnedCriticalResource {
 public:
  OwnedCriticalResource(CriticalResource& resource, const char* source, int line);
  OwnedCriticalResource(const CXString& name, const char* source, int line);
  ~OwnedCriticalResource();
  OwnedCriticalResource(const OwnedCriticalResource&) = delete;
  OwnedCriticalResource& operator=(const OwnedCriticalResource&) = delete;

  // Releases before the end of the scope (once; later calls do nothing).
  void Release();
  const std::string& GetSource() const { return source_; }
  int GetLine() const { return line_; }

 private:
  std::unique_ptr<CriticalResource> own_;
  CriticalResource* resource_;
  std::string source_;
  int line_;
  bool held_ = true;
};
