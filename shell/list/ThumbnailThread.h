#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "framework/Handles.h"
#include "shell/core/IdList.h"
#include "shell/notify/ThreadPool.h"

namespace wf {

// How many jobs may extract at once: one a core. Fifteen decodes at once on
// two cores starved the user-interface thread, whatever the jobs' priority
// (Wine does not apply a lower one), and finished no sooner. The jobs
// beyond wait here, not in the pool, which keeps running its 15.
class ExtractionGate {
 public:
  ExtractionGate();
  // Waits for a place while `stop` answers false; whether one was taken.
  bool Enter(const std::function<bool()>& stop);
  void Leave();

 private:
  UniqueHandle places_;
};

// Makes one row's picture on a pool thread: the shell's thumbnail of the
// object, else, for common picture files the shell has no extractor for,
// the file decoded by the platform's imaging component. It works on copies
// alone and never touches the list.
class TKivThumbnailThread : public TKivThread {
 public:
  TKivThumbnailThread(int target_index, uint32_t population_tick, int width, int height,
                      PCIDLIST_ABSOLUTE item);

  int TargetIndex() const { return target_index_; }
  uint32_t PopulationTick() const { return population_tick_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Which request of the list this is: the row it was made for awaits it.
  uint32_t Serial() const { return serial_; }
  void SetSerial(uint32_t serial) { serial_ = serial; }
  // Shared by the jobs of one list; none lets every job extract at once.
  void SetGate(std::shared_ptr<ExtractionGate> gate) { gate_ = std::move(gate); }
  // The picture, or null; the caller owns it.
  HBITMAP TakeResult() { return result_.release(); }

 protected:
  void Execute() override;
  void SetResult(HBITMAP bitmap) { result_.reset(bitmap); }

 private:
  const int target_index_;
  const uint32_t population_tick_;
  const int width_, height_;
  uint32_t serial_ = 0;
  UniqueBitmap result_;
  std::shared_ptr<ExtractionGate> gate_;
  wf::AbsoluteIdList item_;
};

}  // namespace wf
