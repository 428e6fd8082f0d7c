#pragma once

#include "shell/list/BackgroundPicture.h"
#include "shell/list/MenuHost.h"
#include "shell/list/OwnPaste.h"
#include "shell/list/RefreshPolicy.h"
#include "shell/list/RenameSession.h"
#include "shell/list/RowHints.h"
#include "shell/list/ShellColumns.h"
#include "shell/list/ShellDragDrop.h"
#include "shell/list/ShellLinkClient.h"
#include "shell/list/ShellListFill.h"
#include "shell/list/ShellListMerge.h"
#include "shell/list/ShellListSort.h"
#include "shell/list/SortArrows.h"
#include "shell/list/ThumbnailPictures.h"

namespace wf {

// A shell list's private parts, each with one job; they reach into the
// list's rows and state as its friends. Made in the list's constructor,
// after its folder object and image lists, and gone after its rows.
struct ShellListParts {
  explicit ShellListParts(TKivShellList& list)
      : fill(list),
        sorter(list),
        sort_arrows([&list] { list.UpdateSortArrows(); }),
        refresh(list),
        merge(list),
        renaming(list),
        menus(list),
        drag(list),
        hints(list),
        thumbnails(list),
        background(list),
        link(list) {}

  FolderFill fill;
  ShellColumns columns;
  ShellListSorter sorter;
  SortArrows sort_arrows;
  RefreshPolicy refresh;
  FolderMerge merge;
  RenameSession renaming;
  MenuHost menus;
  ShellDragDrop drag;
  OwnPaste own_paste;
  RowHints hints;
  ThumbnailPictures thumbnails;
  BackgroundPicture background;
  ShellLinkClient link;
};

}  // namespace wf
