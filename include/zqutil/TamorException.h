// The exception family of the utility library.
//
// Every failure inside the plug-in is one of these. A thrower formats
// "*Throwing* <ClassName>: <detail>", asks TamorException::AllowForExceptionDebug
// whether to break into the debugger (and does so when told), then throws the
// object carrying message, source unit, line and function. Throw with
//   TamorThrow<ExceptionInvalidArgumentNullPointer>("complugins/xdevmode", 74, "XDevmode::XDevmode", u"");
// Entry points of the plug-in catch std::exception and report it with
// TamorUtilities::debugDisplayExceptionMessage; nothing crosses the COM boundary.
#pragma once

#include <exception>
#include <string>

// On Windows GetMessage and GetClassName are macros of the system headers;
// every unit must see them the same way, or the class would have different
// member names in different units.
#include "platform/win32.h"
#include "zqutil/CXString.h"

class TamorException : public std::exception {
 public:
  TamorException(CXString message, std::string source, int line, std::string function);
  const char* what() const noexcept override { return narrow_.c_str(); }
  const CXString& GetMessage() const { return message_; }
  const std::string& GetSource() const { return source_; }
  int GetLine() const { return line_; }
  const std::string& GetFunction() const { return function_; }
  virtual const char* GetClassName() const { return "TamorException"; }

  // Called before every throw. Writes the message to the debug log; answers
  // true (break into the debugger) only when a debugger is attached and the
  // environment variable RENPS_BREAK_ON_THROW is set.
  static bool AllowForExceptionDebug(const char* className, const CXString& message, const char* source, int line,
                                     const char* function);

 private:
  CXString message_;
  std::string source_;
  int line_;
  std::string function_;
  std::string narrow_;
};

// A class name cannot be parenthesised.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define RENPS_DECLARE_EXCEPTION(Name)                           \
  class Name : public TamorException {                          \
   public:                                                      \
    using TamorException::TamorException;                       \
    const char* GetClassName() const override { return #Name; } \
    static constexpr const char* kClassName = #Name;            \
  };
// NOLINTEND(bugprone-macro-parentheses)

class ExceptionMessage : public TamorException {
 public:
  using TamorException::TamorException;
  const char* GetClassName() const override { return "ExceptionMessage"; }
  static constexpr const char* kClassName = "ExceptionMessage";
};

RENPS_DECLARE_EXCEPTION(ExceptionInvalidArgument)
RENPS_DECLARE_EXCEPTION(ExceptionInvalidArgumentNullPointer)
RENPS_DECLARE_EXCEPTION(ExceptionIndexOutOfRange)
RENPS_DECLARE_EXCEPTION(ExceptionInvalidData)
RENPS_DECLARE_EXCEPTION(ExceptionCapacityExceeded)
RENPS_DECLARE_EXCEPTION(ExceptionInvalidPrinterHandle)
RENPS_DECLARE_EXCEPTION(ExceptionPrinterFailure)
RENPS_DECLARE_EXCEPTION(ExceptionPrintJobFailure)
RENPS_DECLARE_EXCEPTION(ExceptionPrintDriverFailure)
RENPS_DECLARE_EXCEPTION(ExceptionUserFailure)
RENPS_DECLARE_EXCEPTION(ExceptionStateStoreFailure)
RENPS_DECLARE_EXCEPTION(ExceptionDataEncrypterFailure)
RENPS_DECLARE_EXCEPTION(ExceptionResourceNotFound)
RENPS_DECLARE_EXCEPTION(ExceptionLibraryNotLoaded)
RENPS_DECLARE_EXCEPTION(ExceptionMicrosoftFeatureNotFound)
RENPS_DECLARE_EXCEPTION(ExceptionMicrosoftDevmodeValueMappingFailed)
RENPS_DECLARE_EXCEPTION(ExceptionMicrosoftPrivateDevmodeOffsetOutOfBounds)
RENPS_DECLARE_EXCEPTION(ExceptionInvalidPaperSizeData)
RENPS_DECLARE_EXCEPTION(ExceptionInvalidFormName)
RENPS_DECLARE_EXCEPTION(ExceptionIPrintCoreHelperReadFailure)
RENPS_DECLARE_EXCEPTION(ExceptionIPrintCoreHelperWriteFailure)

#undef RENPS_DECLARE_EXCEPTION

namespace tamor_detail {
CXString ThrowingMessage(const char* className, const CXString& detail);
void MaybeBreak(bool allow);
}  // namespace tamor_detail

// Formats the "*Throwing* ..." text, consults AllowForExceptionDebug, throws E.
template <class E>
[[noreturn]] void TamorThrow(const char* source, int line, const char* function, const CXString& detail = CXString()) {
  CXString message = tamor_detail::ThrowingMessage(E::kClassName, detail);
  tamor_detail::MaybeBreak(TamorException::AllowForExceptionDebug(E::kClassName, message, source, line, function));
  throw E(message, source, line, function);
}
