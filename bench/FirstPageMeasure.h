#pragma once

// What our list does per drawn row: the first page painted after a fill,
// and pages further down, against the same shell questions asked directly.

#include <string>
#include <vector>

#include "bench/BenchCore.h"
#include "bench/RowQueries.h"

namespace bench {

// The rows one paint asked for: those whose image became known, which is
// the moment the list fetches a row's shell data.
struct PageRows {
  std::vector<PCUITEMID_CHILD> ids;  // rows with a child id, in screen order
  int updated = 0;                   // parent entry included
  int perPage = 0;
  int drawnBefore = 0;  // rows already fetched before the paint
  bool parentEntry = false;
};

struct PopulationReport;

struct FirstPageReport {
  Measure toFirstPage{"shelllist_to_first_page", "setting Path to first page drawn"};
  Measure toFilled{"shelllist_to_filled", "  until SetPath returned"};
  Measure toPaintStart{"shelllist_to_paint_start", "  until the first paint began"};
  Measure paint{"shelllist_first_page", "first page paint (row updates)"};
  Measure paintRaw{"first_page_raw", "  raw shell queries, same rows"};
  Measure paintRawAgain{"first_page_raw_again", "  raw shell queries, asked again"};
  Measure paintCheapest{"first_page_raw_cheapest", "  raw queries, icon by folder and child id"};
  Measure repaint{"shelllist_page_repaint", "  same page painted again (drawing)"};
  Measure wholeRedraw{"shelllist_whole_redraw", "  the whole list drawn again"};
  // The platform's own list of as many rows drawing the same page: each of
  // our rows also passes a drawing notice to us.
  Measure bareRepaint{"bare_list_page_repaint", "  a bare virtual list's page drawn"};
  Measure dirwalker{"first_page_dirwalker", "  same queries through TDirwalker"};
  Measure parentIcon{"parent_entry_icon", "  parent entry's icon (temp folder)"};
  Measure furtherPaint{"shelllist_further_page", "undrawn pages further down, paint"};
  Measure furtherRaw{"further_page_raw", "  raw shell queries, same rows"};
  Measure furtherDirwalker{"further_page_dirwalker", "  same queries through TDirwalker"};
  Measure furtherRepaint{"shelllist_further_repaint", "  same page painted again (drawing)"};
  size_t furtherRows = 0;
  Measure iconOf{"first_page_shellicon", "  IShellIcon::GetIconOf, same rows"};
  PageRows rows;
  std::vector<RawQueryTimes> rawBreakdown;
  std::vector<UINT> columnNumbers;
  bool overlayInterface = false;
  bool iconOfAgrees = false;
};

// `runs` fresh fills of `folder`, each with its first page and the pages
// further down timed.
FirstPageReport MeasureFirstPage(const std::wstring& folder, int runs);

void PrintFirstPageLines(const FirstPageReport& report);
void PrintFirstPageResults(int size, const FirstPageReport& report);
// The time a person waits for the first page beside what it is built of
// (the population measure's enumeration, sort and shell view, when it ran)
// and the two targets it is held to.
void PrintToFirstPage(int size, const FirstPageReport& report, const PopulationReport* population);

}  // namespace bench
