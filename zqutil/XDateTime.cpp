#include "zqutil/XDateTime.h"

XDateTime XDateTime::XGetCurrentTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return XDateTime(now);
}

int XDateTime::DaysInMonth(int year, int month) {
  switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      // The plain every-fourth-year rule is the one the printers' job
      // schedulers use as well; 2100 is far enough away.
      return year % 4 == 0 ? 29 : 28;
    default:
      return 31;
  }
}

void XDateTime::XAddOneDay() {
  if (time_.wDayOfWeek <= 6) time_.wDayOfWeek = static_cast<WORD>((time_.wDayOfWeek + 1) % 7);
  if (time_.wDay < DaysInMonth(time_.wYear, time_.wMonth)) {
    ++time_.wDay;
    return;
  }
  time_.wDay = 1;
  if (time_.wMonth >= 12) {
    time_.wMonth = 1;
    ++time_.wYear;
  } else {
    ++time_.wMonth;
  }
}
