#include "select/choosers.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/ui_services.h"
#include "select/shell.h"

namespace selection {

namespace {

// Parsing names longer than this are no file-system paths the program can
// take anyway.
constexpr unsigned NameSize = 1024;

constexpr unsigned ErrorBox = MB_OK | MB_ICONHAND;

// Shift counts while it is down: the "pressed since the last query" bit is
// another program's as often as ours, and some systems never set it.
bool shiftDown() { return (static_cast<unsigned short>(GetAsyncKeyState(VK_SHIFT)) & 0x8000u) != 0; }

// A chosen path goes into the edit's field whole, or not at all: a cut path
// could name another folder or file that exists.
void takePath(Dialog& dialog, Edit& edit, const char* path) {
    if (!edit.assign(path)) {
        ui::beep();
        ui::messageBox(dialog.handle(), "   Path is too long\t\t\t ", "Error", ErrorBox);
        return;
    }
    dialog.transferData(Transfer::ToControls);
}

// When the browser cannot be used, the target is the Desktop folder next to
// the system folder.
void takeDesktopFallback(Dialog& dialog, Edit& edit, FileServices& files) {
    char system[MAX_PATH];
    unsigned length = files.systemDirectory(system, sizeof system);
    if (length == 0 || length >= sizeof system) {
        ui::beep();
        return;
    }
    system[length] = '\0';
    char fallback[sizeof system + sizeof "\\..\\Desktop" - 1];
    std::snprintf(fallback, sizeof fallback, "%s\\..\\Desktop", system);
    takePath(dialog, edit, fallback);
}

// The parsing name of `item` in `folder`, as ParseDisplayName reads it back.
bool parsingName(IShellFolder* folder, LPCITEMIDLIST item, wchar_t (&name)[NameSize]) {
    STRRET answer{};
    if (FAILED(folder->GetDisplayNameOf(item, SHGDN_FORPARSING, &answer))) return false;
    name[0] = L'\0';
    switch (answer.uType) {
    case STRRET_WSTR: {
        if (!answer.pOleStr) return false;
        std::size_t length = wcsnlen(answer.pOleStr, NameSize);
        bool fits = length < NameSize;
        if (fits) std::wmemcpy(name, answer.pOleStr, length + 1);
        CoTaskMemFree(answer.pOleStr);
        return fits;
    }
    case STRRET_CSTR: {
        int length = static_cast<int>(strnlen(answer.cStr, sizeof answer.cStr));
        int made = MultiByteToWideChar(CP_ACP, 0, answer.cStr, length, name, NameSize - 1);
        if (made <= 0 && length > 0) return false;
        name[made] = L'\0';
        return true;
    }
    case STRRET_OFFSET: {
        const char* text = reinterpret_cast<const char*>(item) + answer.uOffset;
        return MultiByteToWideChar(CP_ACP, 0, text, -1, name, NameSize) > 0;
    }
    default:
        return false;
    }
}

// The desktop folder's ID list for a parsing name; empty when it cannot parse it.
IdList parseName(IShellFolder* desktop, HWND owner, wchar_t (&name)[NameSize]) {
    IdList list;
    ULONG eaten = 0;
    if (FAILED(desktop->ParseDisplayName(owner, nullptr, name, &eaten, list.receive(), nullptr))) return IdList();
    return list;
}

USHORT idSize(const BYTE* id) {
    USHORT size;
    std::memcpy(&size, id, sizeof size);
    return size;
}

// The last ID of a list (its end when the list is empty).
const BYTE* lastId(LPCITEMIDLIST list) {
    const BYTE* at = reinterpret_cast<const BYTE*>(list);
    const BYTE* last = at;
    for (USHORT size; (size = idSize(at)) != 0; at += size) last = at;
    return last;
}

// The parent folder of the item at `last` in the absolute list `list`.
Folder bindParent(const Folder& desktop, LPCITEMIDLIST list, const BYTE* last) {
    std::size_t length = static_cast<std::size_t>(last - reinterpret_cast<const BYTE*>(list));
    // The desktop cannot bind to itself; an item right under it has it as its parent.
    if (length == 0) return desktop.share();
    auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(length + sizeof(USHORT)));
    if (!bytes) return Folder();
    std::memcpy(bytes, list, length);
    std::memset(bytes + length, 0, sizeof(USHORT));
    IdList parentList(reinterpret_cast<LPITEMIDLIST>(bytes));
    Folder parent;
    if (FAILED(desktop->BindToObject(parentList.get(), nullptr, IID_IShellFolder,
                                     reinterpret_cast<void**>(parent.receive()))))
        return Folder();
    return parent;
}

}  // namespace

bool chooseFile(HWND owner, char (&path)[MAX_PATH]) {
    useCom();
    // "All Files (*.*)|*.*|", with the separators the dialog reads.
    static const char filter[] = "All Files (*.*)\0*.*\0";
    path[0] = '\0';
    OPENFILENAMEA record{};
    record.lStructSize = sizeof record;
    record.hwndOwner = owner;
    record.lpstrFilter = filter;
    record.nFilterIndex = 1;
    record.lpstrFile = path;
    record.nMaxFile = MAX_PATH;
    record.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    bool chosen = shell().openFileName(record);
    path[MAX_PATH - 1] = '\0';
    if (!chosen) path[0] = '\0';
    return chosen;
}

FolderChoice chooseFolder(HWND owner, char (&path)[MAX_PATH]) {
    useCom();
    path[0] = '\0';
    Shell& system = shell();
    Folder desktop;
    IdList desktopList;
    if (FAILED(system.desktopFolder(desktop.receive())) || !desktop ||
        FAILED(system.desktopList(owner, desktopList.receive())) || !desktopList)
        return FolderChoice::Failed;

    // The root is the desktop by its parsing name: the browser then starts
    // at the desktop folder itself. When the name does not parse back, it
    // starts at the top of the shell.
    wchar_t name[NameSize];
    if (!parsingName(desktop.get(), desktopList.get(), name)) return FolderChoice::Failed;
    IdList root = parseName(desktop.get(), owner, name);

    char displayName[MAX_PATH] = "";
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = root.get();
    info.pszDisplayName = displayName;
    info.lpszTitle = "Select target folder:";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    IdList chosen(system.browseForFolder(info));
    if (!chosen) return FolderChoice::Cancelled;

    Folder desktopNow;
    if (FAILED(system.desktopFolder(desktopNow.receive())) || !desktopNow) return FolderChoice::Failed;
    const BYTE* item = lastId(chosen.get());
    Folder parent = bindParent(desktopNow, chosen.get(), item);
    if (!parent) return FolderChoice::Failed;

    auto itemList = reinterpret_cast<LPCITEMIDLIST>(item);
    if (!parsingName(parent.get(), itemList, name)) return FolderChoice::NoPath;
    IdList full = parseName(desktopNow.get(), owner, name);
    if (!full || !system.pathFromIdList(full.get(), path)) {
        path[0] = '\0';
        return FolderChoice::NoPath;
    }
    return FolderChoice::Chosen;
}

void browseSource(Dialog& mainDialog, Edit& sourceEdit) {
    // What the user typed or ticked elsewhere survives the choice.
    mainDialog.transferData(Transfer::FromControls);
    char path[MAX_PATH];
    if (chooseFile(mainDialog.handle(), path)) takePath(mainDialog, sourceEdit, path);
}

void selectTarget(Dialog& dialog, Edit& targetEdit, FileServices& files) {
    HWND owner = dialog.handle();
    bool fileVariant = shiftDown();
    dialog.transferData(Transfer::FromControls);
    char path[MAX_PATH];
    if (fileVariant) {
        if (chooseFile(owner, path)) takePath(dialog, targetEdit, path);
        return;
    }
    switch (chooseFolder(owner, path)) {
    case FolderChoice::Chosen:
        takePath(dialog, targetEdit, path);
        break;
    case FolderChoice::Cancelled:
        break;
    case FolderChoice::Failed:
        takeDesktopFallback(dialog, targetEdit, files);
        break;
    case FolderChoice::NoPath:
        ui::beep();
        ui::messageBox(owner, "Unable to copy to this folder\t\t\t ", "Error", ErrorBox);
        break;
    }
}

}  // namespace selection
