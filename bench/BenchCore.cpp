#include "bench/BenchCore.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace bench {

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Check(HRESULT hr, const char* call) {
  if (FAILED(hr)) {
    char text[160];
    std::snprintf(text, sizeof text, "%s failed: HRESULT 0x%08lX", call,
                  static_cast<unsigned long>(hr));
    throw BenchError(text);
  }
}

void CheckWin32(BOOL ok, const char* call) {
  if (!ok) Check(HRESULT_FROM_WIN32(GetLastError()), call);
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), size, nullptr, nullptr);
  return out;
}

double Median(std::vector<double> values) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }),
               values.end());
  if (values.empty()) return kNotMeasured;
  std::sort(values.begin(), values.end());
  size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::string Format(double value, const char* format) {
  if (std::isnan(value)) return "n/a";
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string NoteOf(const Measure& measure, const std::string& extra) {
  std::string note = !measure.failure.empty() ? measure.failure : measure.note;
  if (!extra.empty()) note = note.empty() ? extra : note + "; " + extra;
  return note;
}

void KeepResult(int sink) {
  if (sink == std::numeric_limits<int>::min()) std::printf(" ");
}

}  // namespace bench
