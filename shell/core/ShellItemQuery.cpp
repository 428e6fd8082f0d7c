#include "shell/core/ShellItemQuery.h"

#include "shell/core/ShellUtils.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <winnetwk.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "framework/Handles.h"
#include "framework/Strings.h"
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

constexpr DWORD kNetworkResourceBufferBytes = 1024;  // the record and its strings

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

// The storage size property, as a details folder names the column that
// shows it: its title and place vary with the folder and the language.
constexpr GUID kStorageFormatId = {
    0xb725f130, 0x47ef, 0x101a, {0xa5, 0xf1, 0x02, 0x60, 0x8c, 0x9e, 0xeb, 0xac}};
constexpr DWORD kStorageNameId = 10;
constexpr DWORD kStorageSizeId = 12;
constexpr DWORD kStorageWriteTimeId = 14;
// Columns beyond this are asked about on each call rather than remembered.
constexpr int kMaxRememberedColumns = 256;

constexpr uint64_t kFourGiB = uint64_t{1} << 32;

// Wine's file ids keep only the low 32 bits of a size, so there a size below
// 4 GB in the find data may be what is left of a larger one; elsewhere a
// file's id holds its whole size.
bool IdSizesMayBeCut() {
  return RunningOnWine();
}

// The text the shell's own size column uses: "5,242,880 KB".
std::wstring KilobyteText(uint64_t size) {
  wchar_t buffer[64] = {};
  if (!StrFormatKBSizeW(static_cast<LONGLONG>(size), buffer, static_cast<UINT>(std::size(buffer))))
    return {};
  return buffer;
}

// The object's full parsing name, which for a file-system object is its path.
std::wstring ParsingPath(IShellFolder* folder, PCUITEMID_CHILD id) {
  STRRET reply{};
  if (FAILED(folder->GetDisplayNameOf(id, SHGDN_FORPARSING, &reply))) return {};
  return StrRetToString(id, reply);
}

// Day 0 of date-time values is 1899-12-30, 25,569 days before 1970-01-01.
constexpr int64_t kDateTimeEpochTo1970 = 25569;
constexpr double kMillisecondsPerDay = 86400000.0;

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

// --- Date-time values ------------------------------------------------------

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

// --- The folder and its copies ----------------------------------------------

ShellItemQuery::ShellItemQuery(ComPtr<IShellFolder> folder, wf::AbsoluteIdList folder_id_list)
    : folder_(std::move(folder)), folder_id_list_(std::move(folder_id_list)) {
  if (!folder_id_list_) folder_.Reset();  // a folder without a name answers nothing
}

ShellItemQuery ShellItemQuery::Copy() const {
  ShellItemQuery copy(folder_, CloneIdList(folder_id_list_.get()));
  copy.folder2_ = folder2_;
  copy.details_ = details_;
  copy.details_unavailable_ = details_unavailable_;
  copy.size_columns_ = size_columns_;
  copy.overlay_ = overlay_;
  copy.overlay_asked_ = overlay_asked_;
  copy.icon_ = icon_;
  copy.icon_asked_ = icon_asked_;
  return copy;
}

// --- What is kept about the last object -----------------------------------

ShellItemQuery::ObjectCache& ShellItemQuery::Select(PCUITEMID_CHILD id) {
  const UINT size = IdListSize(id);
  const auto* bytes = reinterpret_cast<const BYTE*>(id);
  if (object_.valid && object_.id.size() == size &&
      (size == 0 || std::memcmp(object_.id.data(), bytes, size) == 0))
    return object_;
  object_.id.assign(bytes, bytes + size);
  object_.absolute.reset();
  object_.find_data_asked = false;
  object_.has_find_data = false;
  object_.disk_size_asked = false;
  object_.disk_size.reset();
  object_.valid = true;
  return object_;
}

void ShellItemQuery::ForgetObject() {
  object_.valid = false;
}

PCIDLIST_ABSOLUTE ShellItemQuery::AbsoluteIdList(PCUITEMID_CHILD id) {
  if (!folder_) return nullptr;
  ObjectCache& object = Select(id);
  if (!object.absolute)
    object.absolute =
        id ? ConcatIdLists(folder_id_list_.get(), id) : CloneIdList(folder_id_list_.get());
  return object.absolute.get();
}

// Wine fills the find data's name from the id's ANSI copy, which turns every
// character outside the code page into '?'. The in-folder parsing name of an
// object with find data is its file name in full UTF-16.
bool ShellItemQuery::FetchFindData(PCUITEMID_CHILD id) {
  if (!folder_ || !id) return false;
  ObjectCache& object = Select(id);
  if (object.find_data_asked) return object.has_find_data;
  object.find_data_asked = true;
  WIN32_FIND_DATAW& data = object.find_data;
  data = WIN32_FIND_DATAW{};
  if (FAILED(SHGetDataFromIDListW(folder_.Get(), id, SHGDFIL_FINDDATA, &data, sizeof(data))) ||
      !data.cFileName[0])
    return false;
  const std::wstring parsing_name = ParsingName(id);
  if (!parsing_name.empty() && parsing_name.size() < MAX_PATH &&
      parsing_name.find(L'\\') == std::wstring::npos && parsing_name.rfind(L"::", 0) != 0) {
    std::copy(parsing_name.begin(), parsing_name.end(), data.cFileName);
    data.cFileName[parsing_name.size()] = L'\0';
  }
  object.has_find_data = true;
  return true;
}

// --- Names and attributes ---------------------------------------------------

std::wstring ShellItemQuery::DisplayName(PCUITEMID_CHILD id) {
  if (!folder_ || !id) return {};
  std::wstring name;
  STRRET reply{};
  if (SUCCEEDED(folder_->GetDisplayNameOf(id, SHGDN_NORMAL, &reply)))
    name = StrRetToString(id, reply);
  return name.empty() ? ObjectName(id) : name;
}

std::wstring ShellItemQuery::ObjectName(PCUITEMID_CHILD id) {
  if (!folder_ || !id) return {};
  if (FetchFindData(id)) return object_.find_data.cFileName;
  PCIDLIST_ABSOLUTE absolute = AbsoluteIdList(id);
  if (IdListCount(absolute) <= 1) return {};  // My Computer, Network, the recycle bin...
  const std::wstring path = IdListToPath(absolute);
  if (!path.empty() &&
      SameText(ExtractFileDrive(path), std::wstring_view(path).substr(0, path.size() - 1)))
    return path;  // a drive root such as C:\ names itself
  std::wstring name = path.substr(path.rfind(L'\\') + 1);
  return name.empty() ? NetworkName(id) : name;
}

std::wstring ShellItemQuery::Identity(PCUITEMID_CHILD id) {
  if (!folder_ || !id) return {};
  std::wstring name = ParsingName(id);
  if (!name.empty()) return name;
  // Marked so that no parsing name can equal it.
  const UINT size = IdListSize(id);
  std::wstring bytes(1 + (size + 1) / 2, L'\0');
  std::memcpy(bytes.data() + 1, id, size);
  return bytes;
}

// Costs the shell next to nothing, unlike the normal display name.
std::wstring ShellItemQuery::ParsingName(PCUITEMID_CHILD id) {
  if (!folder_ || !id) return {};
  STRRET reply{};
  if (FAILED(folder_->GetDisplayNameOf(id, SHGDN_INFOLDER | SHGDN_FORPARSING, &reply))) return {};
  return StrRetToString(id, reply);
}

std::wstring ShellItemQuery::NetworkName(PCUITEMID_CHILD id) {
  if (!folder_ || !id) return {};
  alignas(NETRESOURCEW) BYTE buffer[kNetworkResourceBufferBytes] = {};
  if (FAILED(SHGetDataFromIDListW(folder_.Get(), id, SHGDFIL_NETRESOURCE, buffer, sizeof(buffer))))
    return {};
  const auto resource = reinterpret_cast<const NETRESOURCEW*>(buffer);
  if ((resource->dwDisplayType == RESOURCEDISPLAYTYPE_DOMAIN ||
       resource->dwDisplayType == RESOURCEDISPLAYTYPE_SERVER) &&
      resource->lpRemoteName)
    return resource->lpRemoteName;
  return {};
}

SFGAOF ShellItemQuery::Attributes(PCUITEMID_CHILD id, SFGAOF mask) {
  if (!folder_ || !id) return 0;
  SFGAOF attributes = mask;
  if (FAILED(folder_->GetAttributesOf(1, &id, &attributes))) return 0;
  return attributes;
}

std::wstring ShellItemQuery::FileSystemPath(PCUITEMID_CHILD id) {
  if (!(Attributes(id, SFGAO_FILESYSTEM) & SFGAO_FILESYSTEM)) return {};
  const std::wstring path = ParsingPath(folder_.Get(), id);
  if (!ShellPathMayBeCut(path)) return path;
  return ChildFileSystemPath(folder_.Get(), id, IdListToPath(folder_id_list_.get()));
}

// --- Details interfaces ----------------------------------------------------

bool ShellItemQuery::AcquireDetails(HWND owner) {
  if (!folder2_ && !details_ && !details_unavailable_ && folder_) {
    if (FAILED(folder_->QueryInterface(IID_IShellFolder2,
                                       reinterpret_cast<void**>(folder2_.GetAddressOf()))))
      folder2_.Reset();
    if (!folder2_ &&
        (FAILED(folder_->CreateViewObject(owner, IID_IShellDetails,
                                          reinterpret_cast<void**>(details_.GetAddressOf()))) ||
         !details_)) {
      details_.Reset();
      // Asking again would cost a failed query per drawn row.
      details_unavailable_ = true;
    }
  }
  return folder2_ || details_;
}

void ShellItemQuery::SetDetailsUnavailable() {
  folder2_.Reset();
  details_.Reset();
  size_columns_.clear();
  details_unavailable_ = true;
}

// --- Columns ---------------------------------------------------------------

std::wstring ShellItemQuery::DetailText(PCUITEMID_CHILD id, int column) {
  if (!folder_ || !id) return {};
  if (column == kNameColumn) return DisplayName(id);
  if (!AcquireDetails()) return FallbackDetailText(id, column);
  // The shell's size column may show what is left of a size cut to 32 bits
  // (Wine's shows a 5 GB file as 1 GB); below 4 GB its text stands.
  if (IsSizeColumn(column)) {
    const std::optional<uint64_t> size = WholeFileSize(id);
    if (size && *size >= kFourGiB) return KilobyteText(*size);
  }
  return DetailsOf(id, column);
}

bool ShellItemQuery::IsSizeColumn(int column) {
  if (!folder2_ || column < 0) return false;
  const auto asks_size = [&] {
    SHCOLUMNID property{};
    return SUCCEEDED(folder2_->MapColumnToSCID(static_cast<UINT>(column), &property)) &&
           IsEqualGUID(property.fmtid, kStorageFormatId) && property.pid == kStorageSizeId;
  };
  if (column >= kMaxRememberedColumns) return asks_size();
  const auto place = static_cast<size_t>(column);
  if (place >= size_columns_.size()) size_columns_.resize(place + 1, 0);
  if (size_columns_[place] == 0) size_columns_[place] = asks_size() ? 1 : -1;
  return size_columns_[place] > 0;
}

const WIN32_FIND_DATAW* ShellItemQuery::FindData(PCUITEMID_CHILD id) {
  return FetchFindData(id) ? &object_.find_data : nullptr;
}

ShellItemQuery::ColumnValue ShellItemQuery::ValueOfColumn(int column) {
  if (column < 0) return ColumnValue::kOther;
  if (!AcquireDetails()) {
    switch (column) {
      case kNameColumn:
        return ColumnValue::kName;
      case kSizeColumn:
        return ColumnValue::kSize;
      case kChangedColumn:
        return ColumnValue::kWriteTime;
      default:
        return ColumnValue::kOther;
    }
  }
  SHCOLUMNID property{};
  if (!folder2_ || FAILED(folder2_->MapColumnToSCID(static_cast<UINT>(column), &property)) ||
      !IsEqualGUID(property.fmtid, kStorageFormatId))
    return column == kNameColumn ? ColumnValue::kName : ColumnValue::kOther;
  switch (property.pid) {
    case kStorageNameId:
      return ColumnValue::kName;
    case kStorageSizeId:
      return ColumnValue::kSize;
    case kStorageWriteTimeId:
      return ColumnValue::kWriteTime;
    default:
      return ColumnValue::kOther;
  }
}

// The size of a file-system file, whole; nothing for folders and for
// objects outside the file system. The file system is asked only where the
// id cannot tell, and at most once per object.
std::optional<uint64_t> ShellItemQuery::WholeFileSize(PCUITEMID_CHILD id) {
  if (!FetchFindData(id)) return DiskFileSize(id);
  const WIN32_FIND_DATAW& data = object_.find_data;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (data.nFileSizeHigh != 0 || !IdSizesMayBeCut()) return size;
  const std::optional<uint64_t> disk = DiskFileSize(id);
  return disk ? disk : size;
}

std::optional<uint64_t> ShellItemQuery::DiskFileSize(PCUITEMID_CHILD id) {
  ObjectCache& object = Select(id);
  if (object.disk_size_asked) return object.disk_size;
  object.disk_size_asked = true;
  // An object with find data is the file system's, so its parsing name is
  // its path: the attribute question that would tell so is a look-up on
  // disk of its own under Wine, which a sort by size paid for every row.
  std::wstring path = object.has_find_data ? ParsingPath(folder_.Get(), id) : std::wstring();
  // A path the shell may have cut names another file, or none.
  if (ShellPathMayBeCut(path)) path = FileSystemPath(id);
  WIN32_FILE_ATTRIBUTE_DATA file{};
  if (!path.empty() &&
      GetFileAttributesExW(LongPathForm(path).c_str(), GetFileExInfoStandard, &file) &&
      !(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    object.disk_size = (static_cast<uint64_t>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
  return object.disk_size;
}

std::wstring ShellItemQuery::ColumnTitle(int column) {
  if (!AcquireDetails())
    return column >= 0 && column < kBuiltInColumnCount ? kBuiltInColumns[column].title
                                                       : std::wstring();
  return DetailsOf(nullptr, column);
}

// A cell, or with no id a column's title, from whichever details interface
// answers: a folder may offer both and fail a column in one of them.
std::wstring ShellItemQuery::DetailsOf(PCUITEMID_CHILD id, int column) {
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

std::wstring ShellItemQuery::FallbackDetailText(PCUITEMID_CHILD id, int column) {
  if (!FetchFindData(id)) return {};
  switch (column) {
    case kSizeColumn:
      return SizeText(id);
    case kTypeColumn: {
      PCIDLIST_ABSOLUTE absolute = AbsoluteIdList(id);
      if (!absolute) return {};
      SHFILEINFOW info{};
      if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof(info),
                          SHGFI_PIDL | SHGFI_TYPENAME))
        return {};
      return info.szTypeName;
    }
    case kChangedColumn:
      return DateTimeToText(ModifiedTime(id));
    default:
      return {};
  }
}

// Kilobytes of the whole 64-bit size, rounded half up; a file smaller than a
// kilobyte (but not empty) shows as one. Called with the find data fetched.
std::wstring ShellItemQuery::SizeText(PCUITEMID_CHILD id) {
  const std::optional<uint64_t> whole = WholeFileSize(id);
  if (!whole) return {};
  const uint64_t size = *whole > 0 && *whole < 1024 ? 1024 : *whole;
  return GroupedNumber((size + 512) / 1024) + L" KB";
}

void ShellItemQuery::ColumnInfo(int column, TAlignment& alignment, int& width) {
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

double ShellItemQuery::ModifiedTime(PCUITEMID_CHILD id) {
  if (!FetchFindData(id)) return 0;
  const FILETIME& written = object_.find_data.ftLastWriteTime;
  if (written.dwHighDateTime == 0) return 0;
  FILETIME local{};
  SYSTEMTIME time{};
  if (!FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &time)) return 0;
  return SystemTimeToDateTime(time);
}

// --- Images ----------------------------------------------------------------

// The folder's own look-ups, asked with the child id, come first: under
// Wine SHGetFileInfo with an absolute id costs more per row the larger the
// folder (25 ms a row at 50,000 objects, against under 1 ms), for the same
// index. Links are the exception: Wine's look-up answers a link's icon with
// the link arrow drawn in, which the row's overlay would draw again.
int ShellItemQuery::SmallIconIndex(PCUITEMID_CHILD id) {
  if (folder_ && id && !(Attributes(id, SFGAO_LINK) & SFGAO_LINK)) {
    if (IShellIcon* icon = IconInterface()) {
      // S_FALSE: the folder has no quick answer for this object.
      int index = -1;
      if (icon->GetIconOf(id, GIL_FORSHELL, &index) == S_OK && index >= 0) return index;
    }
    const int index = SHMapPIDLToSystemImageListIndex(folder_.Get(), id, nullptr);
    if (index >= 0) return index;
  }
  PCIDLIST_ABSOLUTE absolute = AbsoluteIdList(id);
  if (!absolute) return -1;
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof(info),
                      SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    return -1;
  return info.iIcon;
}

int ShellItemQuery::OverlayIndex(PCUITEMID_CHILD id) {
  SFGAOF attributes = 0;
  return OverlayIndex(id, 0, attributes);
}

int ShellItemQuery::OverlayIndex(PCUITEMID_CHILD id, SFGAOF mask, SFGAOF& attributes) {
  attributes = 0;
  if (!folder_ || !id) return -1;
  IShellIconOverlay* overlay = OverlayInterface();
  const SFGAOF asked = mask | (overlay ? 0 : SFGAO_LINK | SFGAO_SHARE);
  if (asked) attributes = Attributes(id, asked);
  if (overlay) {
    // 0 in, so that "no overlay" (S_FALSE, index untouched) answers -1.
    int index = 0;
    HRESULT hr;
    {
      ErrorModeScope quiet(SEM_FAILCRITICALERRORS);
      hr = overlay->GetOverlayIndex(id, &index);
    }
    return hr == S_OK ? index - 1 : -1;
  }
  if (attributes & SFGAO_LINK) return 1;
  if (attributes & SFGAO_SHARE) return 0;
  return -1;
}

// Overlay handlers exist on the NT platform only.
IShellIconOverlay* ShellItemQuery::OverlayInterface() {
  if (!overlay_asked_ && folder_) {
    overlay_asked_ = true;
    if (!ShellModule::IsNTPlatform() ||
        FAILED(folder_->QueryInterface(IID_IShellIconOverlay,
                                       reinterpret_cast<void**>(overlay_.GetAddressOf()))))
      overlay_.Reset();
  }
  return overlay_.Get();
}

IShellIcon* ShellItemQuery::IconInterface() {
  if (!icon_asked_ && folder_) {
    icon_asked_ = true;
    if (FAILED(folder_->QueryInterface(IID_IShellIcon,
                                       reinterpret_cast<void**>(icon_.GetAddressOf()))))
      icon_.Reset();
  }
  return icon_.Get();
}

}  // namespace wf
