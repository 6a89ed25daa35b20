// XDateTime: a local date and time (the fields of SYSTEMTIME).
#pragma once

#include "platform/win32.h"

class XDateTime {
 public:
  XDateTime() = default;
  explicit XDateTime(const SYSTEMTIME& time) : time_(time) {}

  // The local time now (GetLocalTime).
  static XDateTime XGetCurrentTime();
  // The next calendar day at the same time: the day advances and rolls over
  // after day 31 (January, March, May, July, August, October, December), 30
  // (April, June, September, November) or 28 in February (29 when the year is
  // divisible by 4); December rolls over into January of the next year.
  void XAddOneDay();

  int GetYear() const { return time_.wYear; }
  int GetMonth() const { return time_.wMonth; }
  int GetDay() const { return time_.wDay; }
  int GetHour() const { return time_.wHour; }
  int GetMinute() const { return time_.wMinute; }
  int GetSecond() const { return time_.wSecond; }
  int GetDayOfWeek() const { return time_.wDayOfWeek; }
  const SYSTEMTIME& GetSystemTime() const { return time_; }

  static int DaysInMonth(int year, int month);

 private:
  SYSTEMTIME time_{};
};
