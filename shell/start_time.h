#pragma once
// The start-time row's text: "%d-%B-%Y %H:%M" of the local time, always with English month
// names, whatever locale the machine runs in.

#include <cstdint>
#include <string>

std::wstring FormatStartTime(std::int64_t secondsSinceEpoch);
