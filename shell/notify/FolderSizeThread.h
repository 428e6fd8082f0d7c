#pragma once

#include <cstdint>
#include <string>

#include "shell/notify/ThreadPool.h"

namespace wf {

// Adds up the size and number of the files at or below a path on a pool
// thread. It never enters a directory that is a reparse point (a junction
// or a symbolic link): one within the tree would count a folder twice, one
// pointing up the tree would never end.
class TKivFolderSizeThread : public TKivThread {
 public:
  // `sign` (+1 or -1): whether the owner adds or subtracts what is found.
  TKivFolderSizeThread(std::wstring path, int sign);

  const std::wstring& Path() const { return path_; }
  int64_t Size() const { return size_; }
  int32_t FileCount() const { return file_count_; }
  int Sign() const { return sign_; }

 protected:
  void Execute() override;

 private:
  const std::wstring path_;
  int64_t size_ = 0;
  int32_t file_count_ = 0;
  const int sign_;
};

}  // namespace wf
