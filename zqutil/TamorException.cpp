#include "zqutil/TamorException.h"

#include <cstdlib>
#include <utility>

#include "platform/text.h"
#include "platform/win32.h"

TamorException::TamorException(CXString message, std::string source, int line, std::string function)
    : message_(std::move(message)),
      source_(std::move(source)),
      line_(line),
      function_(std::move(function)),
      narrow_(message_.ToUtf8()) {}

bool TamorException::AllowForExceptionDebug(const char* className, const CXString& message, const char* source,
                                            int line, const char* function) {
  CXString text;
  text.Format(u"%s (%hs, %hs:%d %hs)", message.c_str(), className != nullptr ? className : "",
              source != nullptr ? source : "", line, function != nullptr ? function : "");
  OutputDebugStringW(platform::W(text.c_str()));
  // Breaking is opt-in: a developer attaches a debugger and sets the variable;
  // an unattended spooler must never stop on a break instruction.
  const char* wanted = std::getenv("RENPS_BREAK_ON_THROW");
  return IsDebuggerPresent() && wanted != nullptr && *wanted != '\0';
}

namespace tamor_detail {

CXString ThrowingMessage(const char* className, const CXString& detail) {
  CXString text = u"*Throwing* ";
  text += CXString::FromMultiByte(className != nullptr ? className : "");
  text += u": ";
  text += detail;
  return text;
}

void MaybeBreak(bool allow) {
  if (allow) DebugBreak();
}

}  // namespace tamor_detail
