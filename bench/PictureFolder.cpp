#include "bench/PictureFolder.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>

#include "bench/BenchCore.h"
#include "framework/Handles.h"

using Microsoft::WRL::ComPtr;

namespace bench {
namespace {

std::wstring PictureName(int index) {
  wchar_t name[32];
  std::swprintf(name, sizeof name / sizeof name[0], L"photo%05d.jpg", index);
  return name;
}

PictureFolder FolderOf(const std::wstring& path, int count) {
  PictureFolder folder{path, {}};
  folder.files.reserve(static_cast<size_t>(count));
  for (int i = 1; i <= count; ++i) folder.files.push_back(path + L"\\" + PictureName(i));
  return folder;
}

BYTE Clamp(int value) {
  return static_cast<BYTE>(std::clamp(value, 0, 255));
}

// Gradients, squares and grain: a flat picture would compress to almost
// nothing and decode faster than any photograph.
std::vector<BYTE> PhotographPixels(int width, int height) {
  std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 3);
  uint32_t seed = 0x2545F491u;
  BYTE* pixel = pixels.data();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, pixel += 3) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 27) - 16;
      const int square = ((x / 40 + y / 40) % 2) ? 190 : 70;
      pixel[0] = Clamp(x * 255 / width + grain);
      pixel[1] = Clamp(y * 255 / height + grain);
      pixel[2] = Clamp(square + grain);
    }
  }
  return pixels;
}

std::vector<BYTE> StreamBytes(IStream* stream) {
  STATSTG stat{};
  Check(stream->Stat(&stat, STATFLAG_NONAME), "IStream::Stat");
  const ULONG size = static_cast<ULONG>(stat.cbSize.QuadPart);
  std::vector<BYTE> bytes(size);
  const LARGE_INTEGER start{};
  Check(stream->Seek(start, STREAM_SEEK_SET, nullptr), "IStream::Seek");
  ULONG read = 0;
  Check(stream->Read(bytes.data(), size, &read), "IStream::Read");
  if (read != size) throw BenchError("the encoded picture could not be read back whole");
  return bytes;
}

// One JPEG file's bytes, as the platform's encoder writes them.
std::vector<BYTE> EncodeJpeg(int width, int height) {
  ComPtr<IWICImagingFactory> factory;
  Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_PPV_ARGS(&factory)),
        "CoCreateInstance(CLSID_WICImagingFactory)");
  ComPtr<IStream> stream;
  Check(CreateStreamOnHGlobal(nullptr, TRUE, &stream), "CreateStreamOnHGlobal");
  ComPtr<IWICBitmapEncoder> encoder;
  Check(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder),
        "IWICImagingFactory::CreateEncoder(JPEG)");
  Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache),
        "IWICBitmapEncoder::Initialize");
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> properties;
  Check(encoder->CreateNewFrame(&frame, &properties), "IWICBitmapEncoder::CreateNewFrame");
  Check(frame->Initialize(properties.Get()), "IWICBitmapFrameEncode::Initialize");
  Check(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)),
        "IWICBitmapFrameEncode::SetSize");
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  Check(frame->SetPixelFormat(&format), "IWICBitmapFrameEncode::SetPixelFormat");
  if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
    throw BenchError("the JPEG encoder does not take 24-bit BGR pixels");
  std::vector<BYTE> pixels = PhotographPixels(width, height);
  const UINT stride = static_cast<UINT>(width) * 3;
  Check(frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(pixels.size()),
                           pixels.data()),
        "IWICBitmapFrameEncode::WritePixels");
  Check(frame->Commit(), "IWICBitmapFrameEncode::Commit");
  Check(encoder->Commit(), "IWICBitmapEncoder::Commit");
  return StreamBytes(stream.Get());
}

// Every file of the folder (subfolders are none of its pictures) by name.
std::map<std::wstring, ULONGLONG> FilesIn(const std::wstring& folder) {
  std::map<std::wstring, ULONGLONG> files;
  WIN32_FIND_DATAW data;
  wf::UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return files;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    files[folder + L"\\" + data.cFileName] =
        static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  } while (FindNextFileW(find.get(), &data));
  return files;
}

bool HoldsExactly(const PictureFolder& folder, size_t bytes) {
  const std::map<std::wstring, ULONGLONG> found = FilesIn(folder.path);
  if (found.size() != folder.files.size()) return false;
  return std::all_of(folder.files.begin(), folder.files.end(), [&](const std::wstring& file) {
    const auto it = found.find(file);
    return it != found.end() && it->second == bytes;
  });
}

void WriteWholeFile(const std::wstring& path, const std::vector<BYTE>& bytes) {
  wf::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  CheckWin32(static_cast<bool>(file), "CreateFileW");
  DWORD written = 0;
  CheckWin32(
      WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr),
      "WriteFile");
  if (written != bytes.size()) throw BenchError("a picture file was written short");
}

// The folder is ours alone: whatever is not one of its pictures goes, and
// every picture is written again.
void MakeFolder(const PictureFolder& folder, const std::vector<BYTE>& bytes) {
  const int created = SHCreateDirectoryExW(nullptr, folder.path.c_str(), nullptr);
  if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS && created != ERROR_FILE_EXISTS)
    Check(HRESULT_FROM_WIN32(created), "SHCreateDirectoryExW");
  const std::set<std::wstring> wanted(folder.files.begin(), folder.files.end());
  for (const auto& [file, size] : FilesIn(folder.path))
    if (!wanted.count(file)) CheckWin32(DeleteFileW(file.c_str()), "DeleteFileW");
  for (const std::wstring& file : folder.files) WriteWholeFile(file, bytes);
}

}  // namespace

PictureFolders PreparePictureFolders(const std::wstring& root) {
  PictureFolders folders;
  folders.large = FolderOf(root + L"\\pictures\\" + std::to_wstring(kPictureCount), kPictureCount);
  folders.small = FolderOf(root + L"\\pictures\\small", kSmallPictureCount);
  const std::vector<BYTE> bytes = EncodeJpeg(kPictureWidth, kPictureHeight);
  folders.bytesPerPicture = bytes.size();
  for (const PictureFolder* folder : {&folders.large, &folders.small}) {
    if (HoldsExactly(*folder, bytes.size())) continue;
    std::printf("  making %zu pictures in %s\n", folder->files.size(),
                ToUtf8(folder->path).c_str());
    std::fflush(stdout);
    MakeFolder(*folder, bytes);
    ++folders.made;
  }
  return folders;
}

}  // namespace bench
