#pragma once

// What every measure shares: the clock, errors that stop one measure, the
// samples a measure keeps and how its figures are printed.

#include <windows.h>

#include <chrono>
#include <exception>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;
inline constexpr double kNotMeasured = std::numeric_limits<double>::quiet_NaN();

double SecondsSince(Clock::time_point start);

// A measure that cannot be taken says why and is reported as not measured;
// the others still run.
class BenchError : public std::exception {
 public:
  explicit BenchError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

void Check(HRESULT hr, const char* call);
void CheckWin32(BOOL ok, const char* call);

std::string ToUtf8(const std::wstring& text);

// The median of the values that were measured; not measured when none was.
double Median(std::vector<double> values);

struct Measure {
  std::string key;    // the machine-readable name
  std::string label;  // the table's name
  int runs = 0;
  std::vector<double> samples;
  std::string failure;
  std::string note;
  double median() const { return Median(samples); }
  void Add(double seconds) {
    samples.push_back(seconds);
    runs = static_cast<int>(samples.size());
  }
};

// Runs `body` `runs` times, keeping each result; the first failure stops the
// measure and is reported in its place.
template <class Body>
void Sample(Measure& measure, int runs, Body&& body) {
  measure.runs = runs;
  for (int i = 0; i < runs; ++i) {
    try {
      measure.samples.push_back(body(i));
    } catch (const std::exception& e) {
      measure.failure = e.what();
      return;
    }
  }
}

// "n/a" for a value not measured.
std::string Format(double value, const char* format);

// The measure's failure, or else its note, followed by `extra`.
std::string NoteOf(const Measure& measure, const std::string& extra);

// Keeps the compiler from dropping a loop whose results nothing reads.
void KeepResult(int sink);

}  // namespace bench
