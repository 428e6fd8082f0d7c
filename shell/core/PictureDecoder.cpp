// Pictures decoded by the platform's imaging component, for files the
// shell has no thumbnail extractor for.
#include "shell/core/PictureDecoder.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cwctype>

#include "framework/Graphics.h"

namespace wf {

using Microsoft::WRL::ComPtr;

bool IsCommonPictureFile(const std::wstring& path) {
  const size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || path.find(L'\\', dot) != std::wstring::npos) return false;
  std::wstring ext = path.substr(dot + 1);
  for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(c));
  return ext == L"bmp" || ext == L"png" || ext == L"jpg" || ext == L"jpeg" || ext == L"gif";
}

HBITMAP DecodePicture(const std::wstring& path, int width, int height, COLORREF background) {
  if (width < 1 || height < 1) return nullptr;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory))))
    return nullptr;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT source_width = 0, source_height = 0;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) ||
      FAILED(frame->GetSize(&source_width, &source_height)) || !source_width || !source_height)
    return nullptr;
  const double scale = std::min({1.0, static_cast<double>(width) / source_width,
                                 static_cast<double>(height) / source_height});
  const UINT fit_width = std::max(1u, static_cast<UINT>(source_width * scale));
  const UINT fit_height = std::max(1u, static_cast<UINT>(source_height * scale));
  ComPtr<IWICBitmapScaler> scaler;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateBitmapScaler(&scaler)) ||
      FAILED(
          scaler->Initialize(frame.Get(), fit_width, fit_height, WICBitmapInterpolationModeFant)) ||
      FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(scaler.Get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)))
    return nullptr;

  TBitmap bitmap;
  try {
    bitmap.SetSize(static_cast<int>(fit_width), static_cast<int>(fit_height));
  } catch (const std::exception&) {
    return nullptr;
  }
  const UINT stride = fit_width * 4;
  auto* pixels = reinterpret_cast<BYTE*>(bitmap.ScanLine(0));
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * fit_height, pixels))) return nullptr;
  // Premultiplied, so what shows through is the background's share.
  const BYTE back[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
  BYTE* pixel = pixels;
  for (UINT i = 0; i < fit_width * fit_height; ++i, pixel += 4) {
    const unsigned through = 255u - pixel[3];
    for (int c = 0; c < 3; ++c) pixel[c] = static_cast<BYTE>(pixel[c] + back[c] * through / 255u);
    pixel[3] = 0;
  }
  return bitmap.ReleaseHandle();
}

}  // namespace wf
