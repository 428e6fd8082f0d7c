#pragma once

// A drop target of a test's own, standing for the shell's or another
// program's.
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "framework/ComObject.h"
#include "shell/core/ShellUtils.h"

namespace wf::test {

// A shell drop target that notes each call as "<name> <call>" and answers
// `effect` (within what it is offered).
class RecordingTarget final : public ComObject<IDropTarget> {
 public:
  RecordingTarget(std::wstring name, std::vector<std::wstring>& log, DWORD effect)
      : name_(std::move(name)), log_(log), effect_(effect) {}
  STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    offered = *effect;
    return Answer(L"enter", effect);
  }
  STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override { return Answer(L"over", effect); }
  STDMETHODIMP DragLeave() override {
    log_.push_back(name_ + L" leave");
    return S_OK;
  }
  STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    dropped = DataObjectFiles(data)->Items();
    log_.push_back(name_ + L" drop " + std::to_wstring(*effect));
    // A target that moves the files and says so only by their absence.
    if (moves_silently)
      for (const std::wstring& file : dropped) DeleteFileW(file.c_str());
    *effect &= effect_;
    return S_OK;
  }

  // A fresh drag, answered with `effect`.
  void Answer(DWORD effect) {
    effect_ = effect;
    offered = 0;
    dropped.clear();
  }
  DWORD offered = 0;
  std::vector<std::wstring> dropped;
  bool moves_silently = false;

 private:
  HRESULT Answer(const wchar_t* call, DWORD* effect) {
    log_.push_back(name_ + L" " + call);
    *effect &= effect_;
    return S_OK;
  }
  std::wstring name_;
  std::vector<std::wstring>& log_;
  DWORD effect_;
};

}  // namespace wf::test
