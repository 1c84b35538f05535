#include "shell/start_time.h"

#include <cstdio>
#include <ctime>

std::wstring FormatStartTime(std::int64_t secondsSinceEpoch) {
  static const wchar_t* const kMonths[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                           L"July",    L"August",   L"September", L"October", L"November", L"December"};
  std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
  std::tm local{};
  localtime_r(&t, &local);
  wchar_t text[128];
  std::swprintf(text, 128, L"%02d-%ls-%d %02d:%02d", local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900,
                local.tm_hour, local.tm_min);
  return text;
}
