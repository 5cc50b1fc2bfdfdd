// Free functions over the shell namespace (PIDL memory and arithmetic, special folders, paths, folder
// objects, item information) and the library's process-wide shell objects.
//
// Life of the process-wide objects: call InitializeVeltoShellFunctions once before the first
// component exists, and FinalizeVeltoShellFunctions once after the last one is destroyed, so that
// every PIDL the components hold has been freed while ShellMalloc was still there. Finalizing frees
// the cached desktop PIDL first, while ShellMalloc is still held, then releases DesktopFolder,
// ShellMalloc and, if a menu left it set, ActiveContextMenu.
//
// Ownership: every PIDL these functions return comes from ShellMalloc and belongs to the caller, who
// gives it back with FreeIDList (or holds it in a TPidl), except the one GetDesktopIDList returns.
// No function frees, or keeps, a PIDL passed to it unless its comment says so.
//
// Failures: no function raises or examines a shell result code. A failure shows only in the result:
// a nil PIDL, a nil folder, an empty name, icon index 0.
#pragma once

#include "VeltoShellTypes.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

// The shell's task allocator: all PIDL memory is taken from it and given back to it.
extern IMalloc* ShellMalloc;
// The desktop folder: parses paths, binds absolute PIDLs to folders and compares them.
extern IShellFolder* DesktopFolder;
// The second interface of the shell context menu while that menu is tracked; nil at all other times.
// Whoever sets it holds a reference and releases it when clearing it.
extern IContextMenu2* ActiveContextMenu;

// Obtains ShellMalloc and DesktopFolder; does nothing for the ones already held.
void InitializeVeltoShellFunctions();
// Frees the cached desktop PIDL, then releases DesktopFolder, ShellMalloc and ActiveContextMenu.
void FinalizeVeltoShellFunctions();

// --- Memory and list arithmetic ---

// A zero-filled block of size bytes from ShellMalloc, owned by the caller; nil when none is given.
LPITEMIDLIST AllocIDList(UINT size);
// Gives the block back to ShellMalloc (the COM task allocator, also once ShellMalloc is released,
// and from any thread): the caller's ownership ends here. Nil is ignored.
void FreeIDList(LPITEMIDLIST idList);
// 2 + the sum of the items' sizes: the bytes of the list, terminator included; 0 for nil.
UINT GetIDListSize(LPCITEMIDLIST idList);
// The number of items before the terminator; 0 for nil and for the empty list.
UINT GetIDListItemCount(LPCITEMIDLIST idList);
// The item after this one, inside the same block (not a new list). Item must not be nil.
LPITEMIDLIST GetNextItemID(LPCITEMIDLIST item);
// The last item before the terminator, inside the same block; the list itself when it is empty.
// The list must not be nil.
LPITEMIDLIST GetLastItemID(LPCITEMIDLIST idList);
// A new exact copy, owned by the caller; nil for nil. Does not touch the passed list.
LPITEMIDLIST CopyIDList(LPCITEMIDLIST idList);
// A new list, owned by the caller: the items of first, then those of second. A nil first adds
// nothing, a nil second counts as the empty list. Neither input is changed or freed.
LPITEMIDLIST ConcatIDLists(LPCITEMIDLIST first, LPCITEMIDLIST second);
// Truncates the list in place so that it names its parent; the block keeps its size and its owner.
// A one-item list becomes the empty list; the empty list and nil stay as they are.
void StripLastItemID(LPITEMIDLIST idList);

// --- Special folders, paths and folders ---

// The folder's PIDL, owned by the caller; nil when the system has no such folder.
LPITEMIDLIST GetSpecialFolderIDList(TVeltoSpecialFolder folder);
// The desktop's PIDL, made once and kept: this unit owns it and the caller must never free it.
// Nil while the shell cannot supply it (then the next call tries again).
LPCITEMIDLIST GetDesktopIDList();
// The PIDL of a parsing name (a path, or ::{CLSID} text), owned by the caller; nil when the text
// cannot be parsed.
LPITEMIDLIST PathToIDList(const std::wstring& path);
// Binds the absolute PIDL to its folder object. *folder receives a reference that the caller owns,
// or nil; whatever *folder held before is overwritten, not released (pass TComPtr::put()).
void GetShellFolder(LPCITEMIDLIST idList, IShellFolder** folder);
// The folder object of the item's parent, received as by GetShellFolder. Does not change idList.
void GetParentFolder(LPCITEMIDLIST idList, IShellFolder** folder);
// Whether the two absolute PIDLs name the same item, by the desktop's own comparison (different
// bytes may name the same item). Two nils are the same; nil and a list are not.
bool SameIDLists(LPCITEMIDLIST a, LPCITEMIDLIST b);
// Whether the PIDL names the desktop: true for every empty list, false for nil.
bool IsDesktopIDList(LPCITEMIDLIST idList);
// The root folder a shell tree starts from unless told otherwise: "sfDesktop".
TVeltoRootFolder DefaultRootFolder();

// --- Item information ---

// The item's SFGAO attributes; the mask says which are wanted (0: all). An item the shell fills in
// nothing for comes back with the mask itself; nil gives 0.
SFGAOF GetIDListAttributes(LPCITEMIDLIST idList, SFGAOF mask);
// The item's display name, whole however many bytes its characters take; empty when the shell
// gives none.
std::string GetDisplayName(LPCITEMIDLIST idList);
// The item's file-system path, whole however many bytes its characters take; empty for nil and
// for an item that has none (a virtual folder). Does not change idList.
std::string IDListToPath(LPCITEMIDLIST idList);
// The index of the item's icon in the system image list (large or small, normal or open).
int GetIconIndex(LPCITEMIDLIST idList, bool large, bool open);

// What a listing reads of one item of a folder it holds: the display name and the attributes.
struct TShellChildInfo {
    std::string Name;
    SFGAOF Attributes = 0;
};
// The display name and the attributes of a non-zero mask of child (relative to folder), asked of
// folder itself: the answers GetDisplayName and GetIDListAttributes give for the child's absolute
// PIDL, without binding the folder again for each. Nil folder or child give an empty name and 0.
// folder and child stay the caller's; the call belongs to the thread whose apartment holds folder.
TShellChildInfo GetChildInfo(IShellFolder* folder, LPCITEMIDLIST child, SFGAOF mask);
// The system image list of large or small icons. It belongs to the system: never destroy it.
HIMAGELIST GetSystemImageList(bool large);
// The SHCONTF flags that enumerate the items the set asks for.
SHCONTF ObjectTypesToEnumFlags(TVeltoShellObjectTypes objectTypes);
// Whether every bit of a non-zero mask is set in the value; false for a zero mask.
bool HasFlags(DWORD mask, DWORD value);
// Whether the name is an existing folder (not a file, not missing, not empty).
bool DirectoryExists(const std::string& name);

// --- Context menu ---

// Shows the shell's context menu for the items ids (relative to folder) at the client point (x, y)
// of window, which owns the menu and any user interface of the command, and runs the command
// picked. ActiveContextMenu holds the menu's IContextMenu2 while the menu is tracked, nil after.
// Holding Shift adds the shell's extended commands. folder and ids stay the caller's: the routine
// takes its own reference to folder for its duration and neither copies nor frees a PIDL.
void ShowShellContextMenu(HWND window, IShellFolder* folder, const TIDArray& ids, int x, int y);
