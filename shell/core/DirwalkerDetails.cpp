#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <memory>

#include "framework/Handles.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/InterfaceOut.h"
#include "shell/core/ShellModule.h"

namespace wf {

using Microsoft::WRL::ComPtr;

namespace {

// The shell's own critical-error boxes would stop a row from drawing while
// a removable drive is empty.
constexpr UINT kDetailsErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

// Shell column widths come in characters; the list wants pixels of the
// default font.
constexpr int kPixelsPerColumnChar = 7;
constexpr int kUnknownColumnWidth = 120;

struct BuiltInColumn {
  const wchar_t* title;
  TAlignment alignment;
  int width;
};
constexpr BuiltInColumn kBuiltInColumns[] = {
    {L"Name", TAlignment::taLeftJustify, 150},
    {L"Size", TAlignment::taRightJustify, 60},
    {L"Type", TAlignment::taLeftJustify, 120},
    {L"Changed", TAlignment::taLeftJustify, 100},
};
constexpr int kBuiltInColumnCount = static_cast<int>(std::size(kBuiltInColumns));
enum BuiltInColumnIndex { kNameColumn = 0, kSizeColumn = 1, kTypeColumn = 2, kChangedColumn = 3 };

constexpr LONG kThumbnailDefaultSize = 64;
constexpr DWORD kThumbnailColourDepth = 16;
constexpr DWORD kThumbnailPriority = 2;  // an ordinary request, neither first nor last

// Day 0 of date-time values is 1899-12-30, 25,569 days before 1970-01-01.
constexpr int64_t kDateTimeEpochTo1970 = 25569;
constexpr double kMillisecondsPerDay = 86400000.0;

struct CoTaskMemDeleter {
  void operator()(void* memory) const { CoTaskMemFree(memory); }
};

// Proleptic Gregorian calendar, day counts relative to 1970-01-01.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<int64_t>(day_of_era) - 719468;
}

void CivilFromDays(int64_t days, SYSTEMTIME& date) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned month_index = (5 * day_of_year + 2) / 153;
  const unsigned month = month_index < 10 ? month_index + 3 : month_index - 9;
  date.wYear = static_cast<WORD>(static_cast<int64_t>(year_of_era) + era * 400 + (month <= 2));
  date.wMonth = static_cast<WORD>(month);
  date.wDay = static_cast<WORD>(day_of_year - (153 * month_index + 2) / 5 + 1);
}

std::wstring LocaleText(LCTYPE type) {
  wchar_t buffer[80] = {};
  if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, static_cast<int>(std::size(buffer))))
    return {};
  return buffer;
}

// Whole units with the user's thousands separator, grouped by three.
std::wstring GroupedNumber(uint64_t value) {
  const std::wstring digits = std::to_wstring(value);
  std::wstring decimal = LocaleText(LOCALE_SDECIMAL);
  std::wstring thousands = LocaleText(LOCALE_STHOUSAND);
  NUMBERFMTW format{};
  format.NumDigits = 0;
  format.LeadingZero = 1;
  format.Grouping = 3;
  format.lpDecimalSep = decimal.data();
  format.lpThousandSep = thousands.data();
  format.NegativeOrder = 1;
  wchar_t buffer[64] = {};
  if (!GetNumberFormatW(LOCALE_USER_DEFAULT, 0, digits.c_str(), &format, buffer,
                        static_cast<int>(std::size(buffer))))
    return digits;
  return buffer;
}

TAlignment AlignmentOfFormat(int format) {
  switch (format & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT:
      return TAlignment::taRightJustify;
    case LVCFMT_CENTER:
      return TAlignment::taCenter;
    default:
      return TAlignment::taLeftJustify;
  }
}

// A reply's wide text belongs to the caller even when only the format and
// width were wanted.
void FreeReplyText(STRRET& reply) {
  if (reply.uType == STRRET_WSTR) {
    CoTaskMemFree(reply.pOleStr);
    reply.pOleStr = nullptr;
  }
}

}  // namespace

double SystemTimeToDateTime(const SYSTEMTIME& time) {
  const double days =
      static_cast<double>(DaysFromCivil(time.wYear, time.wMonth, time.wDay) + kDateTimeEpochTo1970);
  const double fraction =
      ((time.wHour * 60.0 + time.wMinute) * 60.0 + time.wSecond) * 1000.0 + time.wMilliseconds;
  const double time_of_day = fraction / kMillisecondsPerDay;
  return days >= 0 ? days + time_of_day : days - time_of_day;
}

std::wstring DateTimeToText(double date_time) {
  const double whole_days = std::trunc(date_time);
  double milliseconds = std::round(std::fabs(date_time - whole_days) * kMillisecondsPerDay);
  // A fraction that rounds up to a whole day still belongs to its own day.
  if (milliseconds >= kMillisecondsPerDay) milliseconds = kMillisecondsPerDay - 1;

  SYSTEMTIME time{};
  const int64_t days_since_1970 = static_cast<int64_t>(whole_days) - kDateTimeEpochTo1970;
  CivilFromDays(days_since_1970, time);
  time.wDayOfWeek = static_cast<WORD>(((days_since_1970 % 7) + 11) % 7);  // 1970-01-01: Thursday
  auto ms = static_cast<int64_t>(milliseconds);
  time.wMilliseconds = static_cast<WORD>(ms % 1000);
  ms /= 1000;
  time.wSecond = static_cast<WORD>(ms % 60);
  ms /= 60;
  time.wMinute = static_cast<WORD>(ms % 60);
  time.wHour = static_cast<WORD>(ms / 60);

  wchar_t date_text[128] = {};
  if (!GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date_text,
                      static_cast<int>(std::size(date_text))))
    return {};
  // The short time format has its own locale entry; systems without it get
  // the long format without seconds, which is what it usually reads as.
  const std::wstring short_time = LocaleText(LOCALE_SSHORTTIME);
  wchar_t time_text[128] = {};
  const int written = short_time.empty()
                          ? GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr,
                                           time_text, static_cast<int>(std::size(time_text)))
                          : GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, short_time.c_str(),
                                           time_text, static_cast<int>(std::size(time_text)));
  if (!written) return date_text;
  return std::wstring(date_text) + L' ' + time_text;
}

// --- Details interfaces ----------------------------------------------------

bool TDirwalker::AcquireDetails() {
  if (!folder2_ && !details_ && !details_unavailable_ && shell_folder_) {
    if (FAILED(shell_folder_->QueryInterface(IID_IShellFolder2, OutVoid(folder2_))))
      folder2_.Reset();
    if (!folder2_ && (FAILED(shell_folder_->CreateViewObject(ShellOwnerWindow(), IID_IShellDetails,
                                                             OutVoid(details_))) ||
                      !details_)) {
      details_.Reset();
      // Asking again would cost a failed query per drawn row.
      details_unavailable_ = true;
    }
  }
  return folder2_ || details_;
}

void TDirwalker::SetDetailsUnavailable() {
  ReleaseDetails();
  details_unavailable_ = true;
}

// --- Columns ---------------------------------------------------------------

std::wstring TDirwalker::DetailText(int column, bool header) {
  if (!header) {
    if (!current_id_) return {};
    if (column == kNameColumn) return DisplayName();
  }
  if (AcquireDetails()) {
    PCUITEMID_CHILD id = header ? nullptr : current_id_.get();
    SHELLDETAILS reply{};
    HRESULT hr = E_NOINTERFACE;
    {
      ErrorModeScope quiet(kDetailsErrorMode);
      if (folder2_) hr = folder2_->GetDetailsOf(id, static_cast<UINT>(column), &reply);
      if (FAILED(hr) && details_) {
        FreeReplyText(reply.str);
        reply = SHELLDETAILS{};
        hr = details_->GetDetailsOf(id, static_cast<UINT>(column), &reply);
      }
    }
    if (FAILED(hr)) {
      FreeReplyText(reply.str);
      return {};
    }
    return StrRetToString(id, reply.str);
  }
  if (header)
    return column >= 0 && column < kBuiltInColumnCount ? kBuiltInColumns[column].title
                                                       : std::wstring();
  return FallbackDetailText(column);
}

std::wstring TDirwalker::FallbackDetailText(int column) {
  if (!FetchFindData()) return {};
  switch (column) {
    case kSizeColumn:
      return SizeText();
    case kTypeColumn: {
      PCIDLIST_ABSOLUTE absolute = AbsoluteIdList();
      if (!absolute) return {};
      SHFILEINFOW info{};
      if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof(info),
                          SHGFI_PIDL | SHGFI_TYPENAME))
        return {};
      return info.szTypeName;
    }
    case kChangedColumn:
      return DateTimeToText(ModifiedTime());
    default:
      return {};
  }
}

// Kilobytes of the whole 64-bit size, rounded half up; a file smaller than a
// kilobyte (but not empty) shows as one.
std::wstring TDirwalker::SizeText() {
  if (find_data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {};
  if (find_data_.nFileSizeHigh == 0) {
    // Wine's id lists keep only the low 32 bits of a size, and so does the
    // find data built from them (a 5 GB file would show as 1 GB): a file
    // with a path has its whole size asked of the file system.
    const std::wstring path = IdListToPath(AbsoluteIdList());
    WIN32_FILE_ATTRIBUTE_DATA file{};
    if (!path.empty() && GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file) &&
        !(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      find_data_.nFileSizeHigh = file.nFileSizeHigh;
      find_data_.nFileSizeLow = file.nFileSizeLow;
    }
  }
  uint64_t size = (static_cast<uint64_t>(find_data_.nFileSizeHigh) << 32) | find_data_.nFileSizeLow;
  if (size > 0 && size < 1024) {
    size = 1024;
    find_data_.nFileSizeLow = 1024;
  }
  return GroupedNumber((size + 512) / 1024) + L" KB";
}

void TDirwalker::ColumnInfo(int column, TAlignment& alignment, int& width) {
  alignment = TAlignment::taLeftJustify;
  width = kUnknownColumnWidth;
  if (!AcquireDetails()) {
    if (column >= 0 && column < kBuiltInColumnCount) {
      alignment = kBuiltInColumns[column].alignment;
      width = kBuiltInColumns[column].width;
    }
    return;
  }
  SHELLDETAILS reply{};
  if (folder2_) {
    if (SUCCEEDED(folder2_->GetDetailsOf(nullptr, static_cast<UINT>(column), &reply))) {
      alignment = AlignmentOfFormat(reply.fmt);
      width = reply.cxChar * kPixelsPerColumnChar;
    }
    FreeReplyText(reply.str);
    SHCOLSTATEF state = 0;
    if (SUCCEEDED(folder2_->GetDefaultColumnState(static_cast<UINT>(column), &state)) &&
        (!(state & SHCOLSTATE_ONBYDEFAULT) || (state & SHCOLSTATE_HIDDEN)))
      width = 0;
    return;
  }
  if (SUCCEEDED(details_->GetDetailsOf(nullptr, static_cast<UINT>(column), &reply))) {
    alignment = AlignmentOfFormat(reply.fmt);
    width = reply.cxChar * kPixelsPerColumnChar;
  }
  FreeReplyText(reply.str);
}

// --- Find data and time ----------------------------------------------------

// ObjectName is what fills the find-data cache: it repairs the file name
// that Wine's find data spells in the ANSI code page, and both must share
// one record so that neither asks the shell twice.
bool TDirwalker::FetchFindData() {
  if (find_data_.cFileName[0]) return true;
  if (!shell_folder_ || !current_id_) return false;
  ObjectName();
  return find_data_.cFileName[0] != L'\0';
}

double TDirwalker::ModifiedTime() {
  if (!FetchFindData() || find_data_.ftLastWriteTime.dwHighDateTime == 0) return 0;
  FILETIME local{};
  SYSTEMTIME time{};
  if (!FileTimeToLocalFileTime(&find_data_.ftLastWriteTime, &local) ||
      !FileTimeToSystemTime(&local, &time))
    return 0;
  return SystemTimeToDateTime(time);
}

// --- Images and tips -------------------------------------------------------

int TDirwalker::SmallIconIndex() {
  PCIDLIST_ABSOLUTE absolute = AbsoluteIdList();
  if (!absolute) return -1;
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof(info),
                      SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    return -1;
  return info.iIcon;
}

int TDirwalker::OverlayIndex() {
  if (!shell_folder_ || !current_id_) return -1;
  if (ShellModule::IsNTPlatform()) {
    ComPtr<IShellIconOverlay> overlay;
    if (SUCCEEDED(shell_folder_->QueryInterface(IID_IShellIconOverlay, OutVoid(overlay))) &&
        overlay) {
      // 0 in, so that "no overlay" (S_FALSE, index untouched) answers -1.
      int index = 0;
      HRESULT hr;
      {
        ErrorModeScope quiet(SEM_FAILCRITICALERRORS);
        hr = overlay->GetOverlayIndex(current_id_.get(), &index);
      }
      return hr == S_OK ? index - 1 : -1;
    }
  }
  const SFGAOF attributes = Attributes(SFGAO_LINK | SFGAO_SHARE);
  if (attributes & SFGAO_LINK) return 1;
  if (attributes & SFGAO_SHARE) return 0;
  return -1;
}

HBITMAP TDirwalker::ExtractThumbnail(int width, int height) {
  if (ShellModule::IsOldShell() || !shell_folder_ || !current_id_) return nullptr;
  ComPtr<IExtractImage> extractor;
  if (FAILED(GetUIObject(IID_IExtractImage, OutVoid(extractor))) || !extractor) return nullptr;
  SIZE size{width, height};
  if (width <= 0 || height <= 0) size = {kThumbnailDefaultSize, kThumbnailDefaultSize};
  wchar_t location[MAX_PATH] = {};
  DWORD priority = kThumbnailPriority;
  DWORD flags = IEIFLAG_ASPECT | IEIFLAG_QUALITY;
  if (FAILED(extractor->GetLocation(location, MAX_PATH, &priority, &size, kThumbnailColourDepth,
                                    &flags)))
    return nullptr;
  HBITMAP raw_bitmap = nullptr;
  const HRESULT hr = extractor->Extract(&raw_bitmap);
  UniqueBitmap bitmap(raw_bitmap);
  return SUCCEEDED(hr) ? bitmap.release() : nullptr;
}

std::wstring TDirwalker::InfoTip() {
  if (!shell_folder_ || !current_id_) return {};
  ComPtr<IQueryInfo> query;
  if (FAILED(GetUIObject(IID_IQueryInfo, OutVoid(query))) || !query) return {};
  wchar_t* raw_tip = nullptr;
  HRESULT hr;
  {
    ErrorModeScope quiet(SEM_FAILCRITICALERRORS);
    hr = query->GetInfoTip(0, &raw_tip);
  }
  std::unique_ptr<wchar_t, CoTaskMemDeleter> tip(raw_tip);
  if (FAILED(hr) || !tip) return {};
  return tip.get();
}

}  // namespace wf
