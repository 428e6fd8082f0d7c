#pragma once

#include <windows.h>

#include <string>

namespace wf {

// Whether the file's name is one of the common picture kinds the platform's
// imaging component decodes everywhere (BMP, PNG, JPEG, GIF).
bool IsCommonPictureFile(const std::wstring& path);

// The file's first frame fitted into width x height (aspect kept, never
// enlarged) as an opaque 32-bit bitmap, transparency laid over
// `background`; null when it cannot be decoded. The caller owns the handle.
// Any thread whose COM is initialised.
HBITMAP DecodePicture(const std::wstring& path, int width, int height, COLORREF background);

}  // namespace wf
