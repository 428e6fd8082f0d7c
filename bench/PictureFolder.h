#pragma once

// The folders of real pictures the background measure reads: under the
// root, a large folder of photographs for the list to show as thumbnails
// and a small one to step into and back from. Their content comes from the
// platform's own encoder, so they are made from inside the benchmark; each
// is kept while it still holds exactly its files.

#include <string>
#include <vector>

namespace bench {

inline constexpr int kPictureCount = 2000;
inline constexpr int kSmallPictureCount = 20;

// A photograph of a common camera's smallest setting: large enough that
// decoding it dominates what a thumbnail job adds around it.
inline constexpr int kPictureWidth = 640;
inline constexpr int kPictureHeight = 480;

struct PictureFolder {
  std::wstring path;
  // Full paths, in name order.
  std::vector<std::wstring> files;
};

struct PictureFolders {
  PictureFolder large;
  PictureFolder small;
  // Every picture is the same JPEG file of this many bytes.
  size_t bytesPerPicture = 0;
  // How many folders had to be made (again) for this run.
  int made = 0;
};

// Makes the folders that are missing or wrong; throws BenchError when a
// picture cannot be encoded or written. The user-interface thread, with
// COM initialised.
PictureFolders PreparePictureFolders(const std::wstring& root);

}  // namespace bench
