#include "bench/SerialExtraction.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <exception>

#include "framework/Application.h"
#include "framework/Handles.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellModule.h"
#include "shell/list/ThumbnailThread.h"

namespace bench {
namespace {

// As much as a pool job's thread reserves: the extractors are others' code.
constexpr SIZE_T kJobStackBytes = 1024 * 1024;
constexpr int kShellProbes = 20;

// The job's body, run here rather than on a thread of its own.
class InPlaceJob : public wf::TKivThumbnailThread {
 public:
  using TKivThumbnailThread::TKivThumbnailThread;
  void RunHere() { Execute(); }
};

class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool Ready() const { return SUCCEEDED(hr_); }

 private:
  const HRESULT hr_;
};

struct SerialWork {
  const std::vector<wf::AbsoluteIdList>* items;
  int width, height;
  SerialExtraction result;
  std::string failure;
};

bool MakesPicture(PCIDLIST_ABSOLUTE item, int width, int height) {
  InPlaceJob job(0, 0, width, height, item);
  job.RunHere();
  return wf::UniqueBitmap(job.TakeResult()) ? true : false;
}

// Whether the shell's own extractor, asked as the job asks it, gives a picture.
bool ShellAnswers(PCIDLIST_ABSOLUTE item, int width, int height) {
  try {
    wf::TDirwalker walker(nullptr, false);
    walker.SetFolderAndObject(item);
    return wf::UniqueBitmap(walker.ExtractThumbnail(width, height)) ? true : false;
  } catch (const std::exception&) {
    return false;
  }
}

DWORD WINAPI RunSerialWork(void* param) {
  auto& work = *static_cast<SerialWork*>(param);
  const auto& items = *work.items;
  try {
    const ComScope com;
    if (!com.Ready()) throw BenchError("CoInitializeEx failed on the extraction thread");
    const wf::ShellModule::ThreadDesktop desktop;
    SerialExtraction& result = work.result;
    const int probes = std::min<int>(kShellProbes, static_cast<int>(items.size()));
    for (int i = 0; i < probes; ++i) {
      ++result.shellAsked;
      if (ShellAnswers(items[i].get(), work.width, work.height)) ++result.shellAnswered;
    }
    // Once untimed: the first decode loads the codecs.
    if (!items.empty()) MakesPicture(items.front().get(), work.width, work.height);
    const auto start = Clock::now();
    for (const wf::AbsoluteIdList& item : items)
      if (MakesPicture(item.get(), work.width, work.height)) ++result.pictures;
    result.seconds = SecondsSince(start);
    result.items = static_cast<int>(items.size());
  } catch (const std::exception& e) {
    work.failure = e.what();
  }
  return 0;
}

}  // namespace

SerialExtraction ExtractSerially(const std::vector<std::wstring>& files, int width, int height) {
  std::vector<wf::AbsoluteIdList> items;
  items.reserve(files.size());
  for (const std::wstring& file : files) {
    items.push_back(wf::PathToIdList(file));
    if (!items.back()) throw BenchError("no id list for " + ToUtf8(file));
  }
  SerialWork work{&items, width, height, {}, {}};
  wf::UniqueHandle thread(CreateThread(nullptr, kJobStackBytes, RunSerialWork, &work,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  CheckWin32(static_cast<bool>(thread), "CreateThread");
  // Handled meanwhile, as a pool's jobs would have it: an extractor may ask
  // this thread's windows something.
  HANDLE handle = thread.get();
  while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
    wf::Application->ProcessMessages();
  if (!work.failure.empty()) throw BenchError(work.failure);
  return work.result;
}

}  // namespace bench
